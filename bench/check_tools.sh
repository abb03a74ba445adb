#!/usr/bin/env bash
# The measuring tools still run: pelzak_bench_calls with each kind of call and refusing a wrong
# one, ab.sh comparing a build with itself on one quick benchmark, and the benchmarks' CSV
# output over benchmarks of every kind, repeated (Google Benchmark stops it with an error when
# their counters differ).
#   bench/check_tools.sh BUILD_DIR
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "$1" && pwd)"
calls="$BUILD/bench/pelzak_bench_calls"
for kind in force rdf new-list; do
  "$calls" 2 "$kind"
done
status=0
"$calls" 1 nonsense 2>/dev/null || status=$?
if [[ $status -ne 64 ]]; then
  echo "pelzak_bench_calls 1 nonsense: exit status $status, not 64" >&2
  exit 1
fi
out="$("$ROOT/bench/ab.sh" "$BUILD" "$BUILD" 'BM_Leapfrog$' 1 2>/dev/null)"
if ! grep -q '^BM_Leapfrog ' <<<"$out"; then
  printf 'ab.sh printed no line for BM_Leapfrog:\n%s\n' "$out" >&2
  exit 1
fi
bench="$BUILD/bench/pelzak_bench_aux"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
"$bench" --benchmark_filter='BM_(DividerFloor|ForceAtoms/scalar|RdfSample/scalar|Leapfrog)$' \
  --benchmark_min_time=0.01 --benchmark_repetitions=2 --benchmark_format=csv >bench.csv
lines=$(grep -c '^"BM_' bench.csv)
if [[ $lines -lt 12 ]]; then
  printf 'CSV output with %s benchmark lines:\n' "$lines" >&2
  cat bench.csv >&2
  exit 1
fi

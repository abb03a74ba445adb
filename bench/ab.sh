#!/usr/bin/env bash
# Compares the benchmarks of two builds on this machine:
#   bench/ab.sh BUILD_A BUILD_B [FILTER] [ROUNDS]
# (FILTER: a --benchmark_filter regex, default "avx512"; ROUNDS: default 6.)
#
# On a shared or virtual machine one process of a benchmark can run 40 % slower than the next
# for its whole life, whatever the binary, so two builds are never compared by one process each.
# Each round runs A, then B, one process at a time on the same core (the median of three
# repetitions per process), and the rounds take turns in which build goes first. Printed per
# benchmark: the median and the fastest of the rounds for each build, and A / B of both (above 1:
# B is faster).
set -euo pipefail
if [[ $# -lt 2 ]]; then
  echo "usage: bench/ab.sh BUILD_A BUILD_B [FILTER] [ROUNDS]" >&2
  exit 64
fi
A="$(cd "$1" && pwd)/bench/pelzak_bench_aux"
B="$(cd "$2" && pwd)/bench/pelzak_bench_aux"
FILTER="${3:-avx512}"
ROUNDS="${4:-6}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
PIN=()
command -v taskset >/dev/null && PIN=(taskset -c 0)

run() {  # binary, output file: one JSON report of medians
  "${PIN[@]}" "$1" --benchmark_filter="$FILTER" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$2" 2>/dev/null
}

for ((r = 1; r <= ROUNDS; ++r)); do
  if ((r % 2)); then
    run "$A" "$WORK/a.$r" && run "$B" "$WORK/b.$r"
  else
    run "$B" "$WORK/b.$r" && run "$A" "$WORK/a.$r"
  fi
  echo "round $r of $ROUNDS done" >&2
done

python3 - "$WORK" "$ROUNDS" <<'EOF'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])

def medians(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    return {b["run_name"]: b["real_time"] for b in runs if b.get("aggregate_name") == "median"}

a = [medians(f"{work}/a.{r}") for r in range(1, rounds + 1)]
b = [medians(f"{work}/b.{r}") for r in range(1, rounds + 1)]
unit = "times in the benchmark's own unit"
print(f"{'benchmark':40} {'A median':>9} {'B median':>9} {'A/B':>6}   {'A fastest':>9} {'B fastest':>9} {'A/B':>6}   ({unit})")
for name in a[0]:
    ta = [m[name] for m in a if name in m]
    tb = [m[name] for m in b if name in m]
    if not ta or not tb:
        continue
    ma, mb, fa, fb = statistics.median(ta), statistics.median(tb), min(ta), min(tb)
    print(f"{name:40} {ma:9.1f} {mb:9.1f} {ma / mb:6.3f}   {fa:9.1f} {fb:9.1f} {fa / fb:6.3f}")
EOF

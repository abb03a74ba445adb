#!/usr/bin/env bash
# Instructions per call of force_atoms (kept list and new list) and of a g(r) sample, counted by
# valgrind: the same figure on every run, where timings on a shared machine vary by tens of per
# cent. Valgrind runs no AVX-512, so this counts the AVX2 kernels (or those PELZAK_ISA names);
# they share the loops of kernels/src/vector/vector_loops.hpp with the AVX-512 ones.
#   bench/icount.sh [BUILD_DIR]      (default: build; needs valgrind)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CALLS="$(cd "${1:-$ROOT/build}" && pwd)/bench/pelzak_bench_calls"
export PELZAK_ISA="${PELZAK_ISA:-avx2}"
count() {  # calls, kind: the instructions of the whole process
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$CALLS" "$1" "$2" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
echo "instructions per call, PELZAK_ISA=$PELZAK_ISA"
for kind in force new-list rdf; do
  base=$(count 0 "$kind")
  with=$(count 40 "$kind")
  printf '%-9s %9d\n' "$kind" $(((with - base) / 40))
done

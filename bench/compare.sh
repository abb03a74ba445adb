#!/usr/bin/env bash
# Runs the benchmarks and LAMMPS on the same liquid, one after the other on one core:
#   bench/compare.sh [BUILD_DIR]     (default: build)
# Needs a build with Google Benchmark (libbenchmark-dev) and, for the comparison, LAMMPS (lmp).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

"$BUILD/bench/pelzak_bench_aux" --benchmark_repetitions="${REPETITIONS:-1}"

if command -v lmp >/dev/null; then
  "$BUILD/bench/pelzak_bench_liquid" liquid.data
  echo "== LAMMPS ($(lmp -h | sed -n "s/^Large-scale Atomic\/Molecular Massively Parallel Simulator - //p" | head -1)), one core, the same liquid, 1000 steps NVE =="
  OMP_NUM_THREADS=1 lmp -in "$ROOT/bench/lammps/in.speed" -var data liquid.data -log none -echo none |
    grep -E "^Loop time|^Pair  |^Neigh "
else
  echo "LAMMPS (lmp) not found: apt-get install lammps to compare"
fi

#!/usr/bin/env bash
# Runs the benchmarks, then our 1000 steps and LAMMPS's on the same liquid in turns:
#   bench/compare.sh [BUILD_DIR]     (default: build)
# REPETITIONS (default 1) repeats each benchmark of the first part; ROUNDS (default 5) is the
# number of turns of the second. Needs a build with Google Benchmark (libbenchmark-dev) and, for
# the comparison, LAMMPS (lmp).
#
# One process can run a benchmark up to 40 % slower than the next on a shared or virtual
# machine, so the comparison with LAMMPS takes turns, one process at a time on the same core:
# each round runs our 1000 steps (the median of three repetitions) and then LAMMPS's loop, and
# prints both and their ratio; the last line gives the median and the range of the ratios.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
ROUNDS="${ROUNDS:-5}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
PIN=()
command -v taskset >/dev/null && PIN=(taskset -c 0)

"$BUILD/bench/pelzak_bench_aux" --benchmark_repetitions="${REPETITIONS:-1}"

if ! command -v lmp >/dev/null; then
  echo "LAMMPS (lmp) not found: apt-get install lammps to compare"
  exit 0
fi
"$BUILD/bench/pelzak_bench_liquid" liquid.data
echo "== 1000 steps: ours (the fastest kernels here) against LAMMPS" \
  "($(lmp -h | sed -n "s/^Large-scale Atomic\/Molecular Massively Parallel Simulator - //p" | head -1))," \
  "one core, the same liquid, in turns =="
for ((r = 1; r <= ROUNDS; ++r)); do
  # Every kernel set this processor runs; the fastest of them is ours.
  "${PIN[@]}" "$BUILD/bench/pelzak_bench_aux" --benchmark_filter='BM_Run1000Steps/(avx2|avx512)$' \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true --benchmark_format=json \
    >"ours.$r" 2>/dev/null
  OMP_NUM_THREADS=1 "${PIN[@]}" lmp -in "$ROOT/bench/lammps/in.speed" -var data liquid.data -log none \
    -echo none >"lammps.$r"
done
python3 - "$ROUNDS" <<'EOF'
import json, re, statistics, sys
ratios = []
for r in range(1, int(sys.argv[1]) + 1):
    with open(f"ours.{r}") as f:
        runs = [b for b in json.load(f)["benchmarks"]
                if b.get("aggregate_name") == "median" and not b.get("error_occurred")]
    if not runs:
        sys.exit("no vector kernels on this processor: nothing to set against LAMMPS")
    ours = min(runs, key=lambda b: b["real_time"])
    with open(f"lammps.{r}") as f:
        loop = float(re.search(r"^Loop time of (\S+)", f.read(), re.M).group(1)) * 1000.0
    ratios.append(loop / ours["real_time"])
    print(f"round {r}: ours {ours['real_time']:.1f} ms ({ours['run_name'].split('/')[-1]}), "
          f"LAMMPS {loop:.1f} ms, LAMMPS / ours {ratios[-1]:.2f}")
print(f"LAMMPS / ours: median {statistics.median(ratios):.2f} in {len(ratios)} rounds "
      f"({min(ratios):.2f} to {max(ratios):.2f})")
EOF

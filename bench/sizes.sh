#!/usr/bin/env bash
# Time per step of ours, LAMMPS and GROMACS at pelzak_md's state point, 864 to 442,368 atoms, on one
# and two cores, in turns:
#   bench/sizes.sh [BUILD_DIR]        (default: build; a few minutes; never in CI)
# Environment: ROUNDS (default 3), SIZES (default "864 6912 55296 442368", each 4 n^3),
# THREADS (default "1 2"), GMX (default $HOME/.cache/pelzak-gromacs/gmx-build/bin/gmx_d, from
# bench/gromacs/build.sh; left out if missing), FULL_RUN=N to also take the peak memory of a whole
# pelzak_md run of N atoms (1000 production steps; its g(r) looks at every pair, 50 times: about a
# minute at 55,296 atoms, most of an hour at 442,368).
#
# Every code runs the same model (Lennard-Jones argon, 2.25 sigma plain cut-off, 0.01 ps steps,
# 94.4 K, 1.36245 g/cm^3) from an fcc lattice of the same size with velocities drawn at 94.4 K,
# runs WARMUP steps untimed and then STEPS timed steps, the same counts for all three:
# - ours: pelzak_bench_steps, the engine step pelzak_md runs (bench/steps.cpp), --threads 1 or 2;
# - LAMMPS: bench/lammps/in.sizes, 1 or 2 MPI ranks (OMP_NUM_THREADS=1); the second "Loop time";
# - GROMACS: mdrun -nt 1 or 2 on the model of /work's peers notes (topology and mdp below),
#   -resetstep WARMUP, the wall time of md.log's "Time:" line.
# Each round runs every size and core count, the three codes one after the other, one process at a
# time, the code that goes first changing from round to round. One-core runs are pinned to core 0.
# The ratios best peer / ours are formed within a round (a slow round is slow for all) and given as
# the median and range over the rounds. Memory: peak RSS (/usr/bin/time -v) of the one-core runs at
# the largest size, in bytes per atom.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
ROUNDS="${ROUNDS:-3}"
SIZES="${SIZES:-864 6912 55296 442368}"
THREADS="${THREADS:-1 2}"
GMX="${GMX:-$HOME/.cache/pelzak-gromacs/gmx-build/bin/gmx_d}"
export GMXLIB="${GMXLIB:-$HOME/.cache/pelzak-gromacs/gromacs-src/share/top}"
OURS="$BUILD/bench/pelzak_bench_steps"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
[ -x "$OURS" ] || { echo "sizes.sh: no $OURS: build the benchmarks first" >&2; exit 1; }
HAVE_LMP=0 && command -v lmp >/dev/null && HAVE_LMP=1
HAVE_GMX=0 && [ -x "$GMX" ] && HAVE_GMX=1
PIN=()
command -v taskset >/dev/null && PIN=(taskset -c 0)
export OMP_NUM_THREADS=1

# Untimed and timed steps per size: about 4 million timed atom-steps (a second or two of ours on
# one core), from the same warm-up, so that every size starts timing at the same moment of the
# lattice's melting.
warmup=20
steps_for() { echo $(((4000000 + $1 - 1) / $1 < 10 ? 10 : (4000000 + $1 - 1) / $1)); }
cells_for() { python3 -c "n = round(($1 / 4) ** (1 / 3)); assert 4 * n ** 3 == $1, 'SIZES: 4 n^3 atoms'; print(n)"; }
# nm: the side of the box of N argon atoms at 1.36245 g/cm^3.
box_for() { python3 -c "print(repr(($1 * 39.948 / 6.02214076e23 / 1.36245) ** (1 / 3) * 1e7))"; }

# GROMACS input of size N: an fcc lattice (.gro), the one-type topology, the mdp; one .tpr per size.
gromacs_input() {
  local atoms=$1 steps=$2 box cells
  box="$(box_for "$atoms")" cells="$(cells_for "$atoms")"
  python3 - "$atoms" "$cells" "$box" >"gmx.$atoms.gro" <<'EOF'
import sys
atoms, cells, box = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
a = box / cells
basis = ((0, 0, 0), (0.5, 0.5, 0), (0.5, 0, 0.5), (0, 0.5, 0.5))
lines = [f"fcc argon, {atoms} atoms", f"{atoms}"]
for i in range(atoms):
    c = i // 4
    x = [(c % cells + basis[i % 4][0]) * a, (c // cells % cells + basis[i % 4][1]) * a,
         (c // (cells * cells) + basis[i % 4][2]) * a]
    n = (i + 1) % 100000
    lines.append(f"{n:5d}{'AR':<5}{'Ar':>5}{n:5d}{x[0]:8.3f}{x[1]:8.3f}{x[2]:8.3f}")
lines.append(f"{box:.5f} {box:.5f} {box:.5f}")
print("\n".join(lines))
EOF
  # C6 = 4 eps sigma^6, C12 = 4 eps sigma^12, eps = 6.628e-21 J / 4 in kJ/mol, sigma = 0.34 nm.
  python3 - "$atoms" >"gmx.$atoms.top" <<'EOF'
import sys
eps = 6.628e-21 / 4 * 6.02214076e23 / 1e3
sigma = 0.34
print("[ defaults ]\n; nbfunc comb-rule gen-pairs\n1 1 no\n")
print("[ atomtypes ]\n; name at.num mass charge ptype c6 c12")
print(f"Ar 18 39.948 0.0 A {4 * eps * sigma**6:.10e} {4 * eps * sigma**12:.10e}\n")
print("[ moleculetype ]\nAR 1\n\n[ atoms ]\n1 Ar 1 AR Ar 1 0.0 39.948\n")
print(f"[ system ]\nargon\n\n[ molecules ]\nAR {sys.argv[1]}")
EOF
  cat >"gmx.$atoms.mdp" <<EOF
integrator = md
dt = 0.01
nsteps = $((warmup + steps))
cutoff-scheme = Verlet
rvdw = 0.765
rcoulomb = 0.765
vdwtype = Cut-off
vdw-modifier = None
DispCorr = no
coulombtype = Cut-off
tcoupl = berendsen
tc-grps = System
tau-t = 0.01
ref-t = 94.4
nsttcouple = 1
constraints = none
gen-vel = yes
gen-temp = 94.4
gen-seed = 1
nstlog = 0
nstenergy = 0
nstxout-compressed = 0
EOF
  "$GMX" -quiet grompp -f "gmx.$atoms.mdp" -c "gmx.$atoms.gro" -p "gmx.$atoms.top" -o "gmx.$atoms.tpr" \
    -po "gmx.$atoms.out.mdp" -maxwarn 10 >"gmx.$atoms.grompp" 2>&1 ||
    { echo "sizes.sh: grompp failed, see below" >&2; cat "gmx.$atoms.grompp" >&2; exit 1; }
}

# One timed run: code, atoms, threads, round. Appends "code atoms threads round ms_per_step rss_kb"
# to results (rss_kb 0 unless measured).
measure() {
  local code=$1 atoms=$2 threads=$3 round=$4 steps ms rss=0 cells prefix=()
  steps="$(steps_for "$atoms")"
  ((threads == 1)) && prefix=("${PIN[@]}")
  local timed=(/usr/bin/time -v -o "time.out")
  case $code in
    ours)
      "${timed[@]}" "${prefix[@]}" "$OURS" "$atoms" "$threads" "$warmup" "$steps" >ours.out
      ms="$(sed -n 's/.*ms_per_step=\([^ ]*\).*/\1/p' ours.out)" ;;
    lammps)
      cells="$(cells_for "$atoms")"
      local a lmp=(lmp)
      a="$(python3 -c "print($(box_for "$atoms") * 10 / $cells)")"
      ((threads > 1)) && lmp=(mpirun --allow-run-as-root -np "$threads" -x OMP_NUM_THREADS lmp)
      "${timed[@]}" "${prefix[@]}" "${lmp[@]}" -in "$ROOT/bench/lammps/in.sizes" -var n "$cells" -var a "$a" \
        -var warmup "$warmup" -var steps "$steps" -log none -echo none >lammps.out 2>&1 ||
        { echo "sizes.sh: LAMMPS failed:" >&2; tail -5 lammps.out >&2; exit 1; }
      ms="$(awk -v k="$steps" '/^Loop time of/ {t = $4} END {printf "%.6f", t * 1000 / k}' lammps.out)" ;;
    gromacs)
      rm -f gmx.log
      "${timed[@]}" "${prefix[@]}" "$GMX" -quiet mdrun -s "gmx.$atoms.tpr" -nt "$threads" -resetstep "$warmup" \
        -g gmx.log -noconfout -e gmx.edr -cpo gmx.cpt >gromacs.out 2>&1 ||
        { echo "sizes.sh: GROMACS failed:" >&2; tail -20 gromacs.out >&2; exit 1; }
      ms="$(awk -v k="$steps" '$1 == "Time:" && $2 + 0 > 0 {t = $3} END {printf "%.6f", t * 1000 / k}' gmx.log)" ;;
  esac
  ((threads == 1)) && rss="$(sed -n 's/.*Maximum resident set size (kbytes): //p' time.out)"
  echo "$code $atoms $threads $round $ms $rss" >>results
}

codes=(ours)
((HAVE_LMP)) && codes+=(lammps) || echo "LAMMPS (lmp) not found: apt-get install lammps to compare"
((HAVE_GMX)) && codes+=(gromacs) || echo "GROMACS not found at $GMX: bench/gromacs/build.sh builds it"
if ((HAVE_GMX)); then
  for atoms in $SIZES; do gromacs_input "$atoms" "$(steps_for "$atoms")"; done
fi
echo "== $(getconf _NPROCESSORS_ONLN) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the start" >&2
: >results
for ((r = 1; r <= ROUNDS; ++r)); do
  for atoms in $SIZES; do
    for threads in $THREADS; do
      for ((c = 0; c < ${#codes[@]}; ++c)); do
        measure "${codes[(c + r - 1) % ${#codes[@]}]}" "$atoms" "$threads" "$r"
      done
    done
  done
  echo "round $r of $ROUNDS done, load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
done
if [ -n "${FULL_RUN:-}" ]; then
  atoms="$FULL_RUN"
  /usr/bin/time -v -o time.out "${PIN[@]}" "$BUILD/driver/pelzak_md" --atoms "$atoms" --density 1.36245 \
    -p 0 -e 0 -P 1000 --threads 1 -q -o full >/dev/null
  echo "pelzak_md $atoms 1 0 0 $(sed -n 's/.*Maximum resident set size (kbytes): //p' time.out)" >>results
fi

python3 - "$warmup" "$(cut -d' ' -f1-3 /proc/loadavg)" <<'EOF'
import collections, statistics, sys
warmup, load = sys.argv[1], sys.argv[2]
ms = collections.defaultdict(dict)  # (code, atoms, threads) -> {round: ms}
rss = {}
full_run = None
for line in open("results"):
    code, atoms, threads, rnd, t, kb = line.split()
    atoms, threads, rnd, kb = int(atoms), int(threads), int(rnd), int(kb or 0)
    if code != "pelzak_md":
        ms[code, atoms, threads][rnd] = float(t)
    if kb and code == "pelzak_md":
        full_run = (atoms, kb * 1024)
    elif kb:
        rss[code, atoms] = kb * 1024
codes = [c for c in ("ours", "lammps", "gromacs") if any(k[0] == c for k in ms)]
sizes = sorted({k[1] for k in ms})
threads = sorted({k[2] for k in ms})
med = lambda key: statistics.median(ms[key].values()) if key in ms else float("nan")
names = {"ours": "ours", "lammps": "LAMMPS", "gromacs": "GROMACS"}
cols = [(c, t) for c in codes for t in threads]
label = lambda c, t: f"{names[c]} {t}{'r' if c == 'lammps' else 't'}"
print(f"\nms per step (median of rounds), from step {int(warmup) + 1} of a lattice start")
print(f"{'atoms':>8} " + " ".join(f"{label(c, t):>11}" for c, t in cols))
for n in sizes:
    print(f"{n:>8} " + " ".join(f"{med((c, n, t)):11.3f}" for c, t in cols))
print("\nµs per atom-step (median of rounds)")
print(f"{'atoms':>8} " + " ".join(f"{label(c, t):>11}" for c, t in cols))
for n in sizes:
    print(f"{n:>8} " + " ".join(f"{med((c, n, t)) * 1e3 / n:11.4f}" for c, t in cols))

def ratios(num, den):  # per round num / den, for the rounds that have both
    rounds = sorted(set(num) & set(den))
    return [num[r] / den[r] for r in rounds]

def summary(values):
    if not values:
        return "n/a"
    return f"{statistics.median(values):.2f} ({min(values):.2f} to {max(values):.2f})"

peers = [c for c in codes if c != "ours"]
if peers:
    print("\nbest peer / ours, per round then median (range); above 1: ours is faster")
    for n in sizes:
        cells = []
        for t in threads:
            ours = ms.get(("ours", n, t), {})
            best = {}
            for r in ours:
                times = [ms[p, n, t][r] for p in peers if r in ms.get((p, n, t), {})]
                if times:
                    best[r] = min(times)
            cells.append(f"{t} core{'s' if t > 1 else ''}: {summary(ratios(best, ours))}")
        print(f"{n:>8}  " + "   ".join(cells))
if 2 in threads:
    print("\nours, 1 thread / 2 threads (speed-up), per round then median (range)")
    for n in sizes:
        print(f"{n:>8}  {summary(ratios(ms.get(('ours', n, 1), {}), ms.get(('ours', n, 2), {})))}")
if len(sizes) > 1:
    print("\ncost per atom-step, largest size / each smaller one (1 core), median (range) over rounds")
    big = sizes[-1]
    for c in codes:
        for n in sizes[:-1]:
            num = {r: v / big for r, v in ms.get((c, big, 1), {}).items()}
            den = {r: v / n for r, v in ms.get((c, n, 1), {}).items()}
            print(f"  {names[c]:8} {big} / {n}: {summary(ratios(num, den))}")
if rss:
    print(f"\npeak RSS of the one-core runs at {sizes[-1]} atoms")
    for (c, n), b in sorted(rss.items()):
        if n == sizes[-1]:
            print(f"  {names[c]:10} {b / 2**20:9.1f} MiB  {b / n:8.0f} bytes per atom")
if full_run:
    n, b = full_run
    print(f"  a whole pelzak_md run of {n} atoms (1000 production steps, the dynamics' windows included): "
          f"{b / 2**20:.1f} MiB, {b / n:.0f} bytes per atom")
print(f"\nload average at the end: {load}")
EOF

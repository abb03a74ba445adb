#!/bin/bash
# LAMMPS's side of examples/python/isotherm.py: liquid argon at 94.4 K at each density, one LAMMPS
# process at a time (nice -n 10, one thread), then reduce.py writes isotherm_lammps.csv.
# Usage: ./run.sh            (runs/<density>/ each; a run already done is kept)
set -e
cd "$(dirname "$0")"
export OMP_NUM_THREADS=1
temperature=94.4                      # K
densities="1.20 1.25 1.30 1.35 1.40"  # g/cm^3
atoms=864
for rho in $densities; do
  dir=runs/$rho
  [ -f $dir/done ] && continue
  mkdir -p $dir
  # The box edge in Angstrom for 864 atoms of the toolkit's mass (single-precision 6.63352088e-26 kg).
  L=$(/usr/bin/python3 -c "import numpy as np; m = float(np.float32(6.63352088e-26)); print(repr(10 * ($atoms * m * 1e24 / $rho) ** (1 / 3)))")
  seed=$((20260000 + ${rho/./}))
  start=$(date +%s)
  (cd $dir && nice -n 10 lmp -in ../../in.state -log log.lammps -screen none \
    -var tag run -var T $temperature -var L $L -var rc 7.65 -var tail no -var seed $seed \
    -var thermostat nh -var nprod 100000 -var ptevery 100000 -var posevery 0 -var frcevery 0 \
    -var rdfmax 7.65)
  echo "L_A $L seed $seed $(( $(date +%s) - start )) s wall" > $dir/done
done
/usr/bin/python3 reduce.py $atoms $densities > isotherm_lammps.csv

#!/bin/bash
# Runs the state points one LAMMPS process at a time, each followed by its reduction.
# Usage: [ONLY="a a+1"] ./run.sh REPLICA [REPLICA ...]   (each replica: 8 runs, 1 ns of production each;
#        ONLY restricts a replica to the named states)
# Run directory runs/<state>_r<replica>/; seed = 20240000 + 100*replica + state index.
set -e
cd "$(dirname "$0")"
here=$PWD
export OMP_NUM_THREADS=1
#      name  T_K    L_A                  rc_A   tail
states=("a   94.4   34.7786              7.65   no"
        "a+1 95.4   34.7786              7.65   no"
        "b   120.0  34.7786              7.65   no"
        "b+1 121.0  34.7786              7.65   no"
        "c   94.4   36.02173214385562    7.65   no"
        "c+1 95.4   36.02173214385562    7.65   no"
        "d   94.4   34.7786              10.2   yes"
        "d+1 95.4   34.7786              10.2   yes")
for rep in "$@"; do
  for i in "${!states[@]}"; do
    read -r name T L rc tail <<< "${states[$i]}"
    [ -n "$ONLY" ] && [[ " $ONLY " != *" $name "* ]] && continue
    dir=runs/${name}_r${rep}
    [ -f $dir/done ] && continue
    mkdir -p $dir && cd $dir
    seed=$((20240000 + 100*rep + i/2))
    start=$(date +%s)
    nice -n 10 lmp -in ../../in.state -log log.lammps -screen none \
      -var tag run -var T $T -var L $L -var rc $rc -var tail $tail -var seed $seed \
      -var nprod 100000 -var rdfmax $rc
    echo "$(( $(date +%s) - start )) s wall" > done
    cd "$here"
    # Reduce, then drop the position and force dumps (about 330 MB per ns; the same seed remakes them).
    /usr/bin/python3 reduce_run.py $dir $T $L $rc $tail && rm -f $dir/pos_run.txt $dir/frc_run.txt
  done
done

#!/usr/bin/python3
"""Reduces one run of in.state to per-block sums (reduced.npz in the run directory).

Usage: reduce_run.py DIR T_K L_A RC_A TAIL(yes|no) [BLOCK_PS [DT_PS]]

Blocks of BLOCK_PS (default 100 ps) of production; every figure's error later comes from the
scatter of these blocks. Per block it keeps:
  thermo: mean T, U (eV, whole system, tail included if on), P (bar)     (samples every 0.1 ps)
  msd:    sum over time origins (every 1 ps) of <|r(t0+t)-r(t0)|^2> for t = 0..10 ps by 0.1 ps,
          and the number of origins; an origin counts in the block that holds it
  tconf:  mean over frames (every 1 ps) of sum_i |F_i|^2 (LAMMPS's forces), the smooth laplacian
          sum_i nabla_i^2 U, and the pair histogram across rc (for the laplacian's surface term)
  stress: <P_ab(0) P_ab(t)> averaged over xy, xz, yz, t = 0..20 ps by 0.01 ps (bar^2)
It checks on the way that its own pair sums reproduce LAMMPS's forces, energy and pressure.
"""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lj  # noqa: E402


def main():
    run, temp, box, rc, tail = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4]), sys.argv[5]
    block_ps = float(sys.argv[6]) if len(sys.argv) > 6 else 100.0
    lj.dt = float(sys.argv[7]) if len(sys.argv) > 7 else lj.dt      # time step, ps
    out = {}

    th = lj.read_columns(os.path.join(run, "thermo_run.txt"))      # step T pe P, every 10 steps
    nprod = int(th[-1, 0])
    nblocks = int(round(nprod * lj.dt / block_ps))
    per = lambda every: int(round(block_ps / (every * lj.dt)))  # noqa: E731  samples per block
    th_every = int(th[1, 0] - th[0, 0])
    th = th[: nblocks * per(th_every)]
    for k, name in ((1, "T"), (2, "pe"), (3, "P")):
        out["block_" + name] = lj.block_mean(th[:, k], nblocks)
    out["trace_P"] = lj.block_mean(th[:, 3], int(round(nprod * lj.dt)))   # 1-ps means, for spotting cavitation
    out["trace_pe"] = lj.block_mean(th[:, 2], int(round(nprod * lj.dt)))

    # Mean-squared displacement from the unwrapped positions (every 0.1 ps).
    pos = os.path.join(run, "pos_run.txt")
    if os.path.exists(pos):
        steps, _, data = lj.read_dump(pos)
        every = int(steps[1] - steps[0])
        assert np.all(np.diff(steps) == every) and abs(every * lj.dt - 0.1) < 1e-12   # frames 0.1 ps apart
        x = data[:, :, 1:4]
        out["msd_sum"], out["msd_count"] = lj.msd_blocks(x, 10, 100, per(every))
        out["com_drift_A"] = np.abs(x[-1].mean(axis=0) - x[0].mean(axis=0)).max()
        del data, x

    # Configurational temperature, with LAMMPS's forces, energy and pressure checked by our own sums.
    frc = os.path.join(run, "frc_run.txt")
    if os.path.exists(frc):
        steps, edges, data = lj.read_dump(frc)
        assert np.allclose(edges, box, rtol=1e-12, atol=1e-10), (edges, box)
        pairs = lj.PairSums(lj.natoms, box, rc)
        nf = nblocks * per(int(steps[1] - steps[0]))
        f2, lap, hist, own_e, own_w = [], [], [], [], []
        for k in range(nf):
            s = pairs(data[k, :, 1:4], want_forces=(k == 0))
            if k == 0:
                ferr = np.abs(s["forces"] - data[0, :, 4:7]).max() / np.abs(data[0, :, 4:7]).max()
                assert ferr < 1e-7, ferr
                out["force_check_rel"] = ferr
            f2.append((data[k, :, 4:7] ** 2).sum())
            lap.append(s["lap"])
            hist.append(s["hist"])
            own_e.append(s["energy"])
            own_w.append(s["virial"])
        out["block_F2"] = lj.block_mean(f2, nblocks)
        out["block_lap"] = lj.block_mean(lap, nblocks)
        out["block_hist"] = lj.block_mean(np.array(hist, dtype=float), nblocks)
        out["hist_edges"] = pairs.edges
        # the thermo samples at the dumped steps: energy and pressure against our own sums
        thall = lj.read_columns(os.path.join(run, "thermo_run.txt"))
        at = {int(s): row for s, row in zip(thall[:, 0], thall)}
        vol = box ** 3
        etail = lj.tail_energy_per_atom(lj.natoms, box, rc) * lj.natoms if tail == "yes" else 0.0
        ptail = lj.tail_pressure_bar(lj.natoms, box, rc) if tail == "yes" else 0.0
        e_err = max(abs(own_e[k] + etail - at[steps[k]][2]) for k in range(nf)) / abs(own_e[0])
        p_own = [(lj.natoms * lj.kb_lammps * at[steps[k]][1] + own_w[k] / 3.0) / vol * 1.602176634e-19 / 1e-30 / lj.bar
                 + ptail for k in range(nf)]
        p_err = max(abs(p_own[k] - at[steps[k]][3]) for k in range(nf))
        assert e_err < 1e-8 and p_err < 0.01, (e_err, p_err)
        out["energy_check_rel"], out["pressure_check_bar"] = e_err, p_err
        del data

    # Stress autocorrelation for Green-Kubo (every step).
    pt = lj.read_columns(os.path.join(run, "ptens_run.txt"))
    every = int(pt[1, 0] - pt[0, 0])
    pt = pt[: nblocks * per(every), 1:4]
    maxlag = int(round(20.0 / (every * lj.dt)))
    acf = []
    for blk in pt.reshape(nblocks, -1, 3):
        acf.append(np.mean([lj.autocorrelation(blk[:, c], maxlag) for c in range(3)], axis=0))
    out["block_acf"] = np.array(acf)
    out["acf_dt_ps"] = every * lj.dt
    out["params"] = np.array([temp, box, rc, 1.0 if tail == "yes" else 0.0, block_ps, lj.dt])
    np.savez(os.path.join(run, "reduced.npz"), **out)
    print(run, "blocks", nblocks, {k: out[k] for k in ("force_check_rel", "energy_check_rel", "pressure_check_bar")
                                   if k in out})


if __name__ == "__main__":
    main()

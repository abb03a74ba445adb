#!/usr/bin/python3
"""The state-point table: U, P, D, T_conf (and eta) at (a)-(d) and at T + 1 K, pooled over replicas.

Usage: table.py   (reads runs/*/reduced.npz, writes figures.csv and table.md, prints table.md)
"""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import figures  # noqa: E402
import lj  # noqa: E402

here = os.path.dirname(os.path.abspath(__file__))
ETA_UPPER_PS = 3.0


def one(name):
    pool = figures.load(os.path.join(here, "runs", name + "_r*"))
    temp, box, rc, tail, block_ps = pool["params"]
    u = lj.mean_err(pool["block_pe"] / (lj.natoms * lj.eps))
    p = lj.mean_err(pool["block_P"])
    d, d_err, _, _ = figures.diffusion(pool)
    tc = figures.tconf(pool, rc)
    (eta, eta_err), _, _ = figures.viscosity(pool, temp, box, ETA_UPPER_PS)
    return dict(name=name, T=temp, box=box, rc=rc, tail=bool(tail), runs=pool["runs"], blocks=len(pool["block_pe"]),
                block_ps=block_ps, Tmean=pool["block_T"].mean(), U=u, P=p, D=(d, d_err), Tconf=tc["tconf"],
                Tconf_naive=tc["tconf_naive"], surf=tc["surface_fraction"], g_rc=tc["g_rc"], eta=(eta, eta_err))


def fmt(v, nd):
    return f"{v[0]:.{nd}f} ± {v[1]:.{nd}f}"


def main():
    states = [s for s in ("a", "a+1", "b", "b+1", "c", "c+1", "d", "d+1")
              if os.path.exists(os.path.join(here, "runs", s + "_r1", "reduced.npz"))]
    res = {s: one(s) for s in states}
    lines = ["| run | T (K) | T* | ρ (g/cm³) | ρ* | rc/σ, tail | ns | U (ε/atom) | P (bar) | p* | D (1e-5 cm²/s) "
             "| T_conf (K) | T_conf without surface term (K) | η (mPa s, GK to 3 ps) |",
             "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"]
    csv = ["run,T_K,reduced_T,density_g_per_cm3,reduced_density,cutoff_sigma,tail,production_ns,blocks,"
           "U_eps_per_atom,U_error,P_bar,P_error,reduced_P,reduced_P_error,D_1e-5_cm2_per_s,D_error,"
           "Tconf_K,Tconf_error,Tconf_naive_K,Tconf_naive_error,eta_mPa_s,eta_error"]
    for s, r in res.items():
        rho, rhos = lj.density_g_cm3(lj.natoms, r["box"]), lj.reduced_density(lj.natoms, r["box"])
        ps = (r["P"][0] / lj.pressure_unit_bar, r["P"][1] / lj.pressure_unit_bar)
        ns = r["blocks"] * r["block_ps"] / 1000
        lines.append(f"| {s} | {r['T']:.1f} | {r['T'] / lj.eps_over_kb:.5f} | {rho:.5f} | {rhos:.5f} | "
                     f"{r['rc'] / lj.sigma:.2f}, {'tail' if r['tail'] else 'no tail'} | {ns:.0f} | {fmt(r['U'], 4)} | "
                     f"{fmt(r['P'], 1)} | {fmt(ps, 4)} | {fmt(r['D'], 3)} | {fmt(r['Tconf'], 2)} | "
                     f"{fmt(r['Tconf_naive'], 2)} | {fmt(r['eta'], 3)} |")
        csv.append(",".join(str(v) for v in (
            s, r["T"], r["T"] / lj.eps_over_kb, rho, rhos, r["rc"] / lj.sigma, "yes" if r["tail"] else "no", ns,
            r["blocks"], *r["U"], *r["P"], *ps, *r["D"], *r["Tconf"], *r["Tconf_naive"], *r["eta"])))
    lines += ["", "Sensitivities, (value at T + 1 K) − (value at T), errors combined in quadrature:", "",
              "| state | dU/dT (ε/atom per K) | dP/dT (bar/K) | dD/dT (1e-5 cm²/s per K) | dD/dT / D (%/K) "
              "| dT_conf/dT | dη/dT (mPa s/K) |", "|---|---|---|---|---|---|---|"]
    for s in ("a", "b", "c", "d"):
        if s in res and s + "+1" in res:
            lo, hi = res[s], res[s + "+1"]
            dt = hi["T"] - lo["T"]
            dd = lambda k: ((hi[k][0] - lo[k][0]) / dt, np.hypot(hi[k][1], lo[k][1]) / dt)  # noqa: E731
            rel = (100 * dd("D")[0] / lo["D"][0], 100 * dd("D")[1] / lo["D"][0])
            lines.append(f"| {s} | {fmt(dd('U'), 4)} | {fmt(dd('P'), 1)} | {fmt(dd('D'), 3)} | {fmt(rel, 1)} | "
                         f"{fmt(dd('Tconf'), 2)} | {fmt(dd('eta'), 4)} |")
    extra = ["", "Surface term of the laplacian at rc (share of the smooth part) and g(rc) it implies:", ""]
    for s, r in res.items():
        extra.append(f"- {s}: {100 * r['surf']:.2f} %, g(rc) = {r['g_rc']:.4f}; mean kinetic T {r['Tmean']:.4f} K")
    text = "\n".join(lines + extra) + "\n"
    walls = {}
    for s in res:
        w = [float(open(os.path.join(d, "done")).read().split()[0])
             for d in sorted(__import__("glob").glob(os.path.join(here, "runs", s + "_r*"))) if os.path.exists(os.path.join(d, "done"))]
        walls[s] = w
    text += ("\nWall time per 1-ns run (LAMMPS, 250 ps of melting and equilibration included, one core shared "
             "with other jobs): " + "; ".join(f"{s} {min(w):.0f}-{max(w):.0f} s" for s, w in walls.items()) + "\n")
    open(os.path.join(here, "table.md"), "w").write(text)
    open(os.path.join(here, "figures.csv"), "w").write("\n".join(csv) + "\n")
    print(text)


if __name__ == "__main__":
    main()

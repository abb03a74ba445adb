"""Figures with standard errors from the per-block sums of reduce_run.py, pooled over runs."""
import glob
import os

import numpy as np

import lj


def load(pattern):
    """Pools the blocks of all runs matching pattern (runs/a_r*)."""
    runs = sorted(glob.glob(os.path.join(pattern, "reduced.npz")))
    z = [np.load(r) for r in runs]
    pool = {k: np.concatenate([r[k] for r in z]) for k in z[0].files if k.startswith(("block_", "msd_"))}
    pool["runs"] = len(z)
    pool["params"] = z[0]["params"]
    pool["acf_dt_ps"] = float(z[0]["acf_dt_ps"])
    pool["trace_P"] = [r["trace_P"] for r in z]
    pool["hist_edges"] = z[0]["hist_edges"] if "hist_edges" in z[0].files else None
    return pool


def diffusion(pool, fit=(2.0, 10.0)):
    """Einstein D (1e-5 cm^2/s): slope of the MSD over fit / 6, pooled; error from blocks."""
    t = np.arange(pool["msd_sum"].shape[1]) * 0.1
    sel = (t > fit[0] - 1e-9) & (t < fit[1] + 1e-9)
    msd_all = pool["msd_sum"].sum(axis=0) / pool["msd_count"].sum()
    d = lj.slope(t[sel], msd_all[sel]) / 6.0 * lj.d_unit_e5
    d_blocks = lj.slope(t[sel], pool["msd_sum"][:, sel] / pool["msd_count"][:, None]) / 6.0 * lj.d_unit_e5
    return d, lj.mean_err(d_blocks)[1], t, msd_all


def tconf(pool, rc):
    """Configurational temperature (K) with and without the laplacian's surface term at rc."""
    edges = pool["hist_edges"]
    centres = 0.5 * (edges[1:] + edges[:-1])
    width = edges[1] - edges[0]
    s6 = (lj.sigma / rc) ** 6
    du_rc = 4.0 * lj.eps * (-12.0 * s6 * s6 + 6.0 * s6) / rc           # u'(rc), eV/A
    res = {}
    surf_blocks = []
    for h in pool["block_hist"]:
        c = np.polyfit(centres - rc, h / width, 1)
        surf_blocks.append(-2.0 * du_rc * c[1])
    surf_blocks = np.array(surf_blocks)
    full = pool["block_F2"] / (lj.kb_lammps * (pool["block_lap"] + surf_blocks))
    naive = pool["block_F2"] / (lj.kb_lammps * pool["block_lap"])
    res["tconf"] = lj.mean_err(full)
    res["tconf_naive"] = lj.mean_err(naive)
    res["surface_fraction"] = (surf_blocks / pool["block_lap"]).mean()
    # g(rc) from the pair density at rc: n(r) = (N/2) rho g(r) 4 pi r^2
    box = pool["params"][1]
    res["g_rc"] = surf_blocks.mean() / (-2.0 * du_rc) / (0.5 * lj.natoms * lj.natoms / box ** 3 * 4 * np.pi * rc ** 2)
    return res


def viscosity(pool, temp, box, upper_ps):
    """Green-Kubo shear viscosity (mPa s), running integral to upper_ps (trapezoid); block error."""
    acf = pool["block_acf"]                       # bar^2
    h = pool["acf_dt_ps"]
    n = int(round(upper_ps / h))
    pref = (box * 1e-10) ** 3 / (lj.kb_si * temp) * (lj.bar ** 2) * 1e-12 * 1e3   # -> mPa s per bar^2 ps
    integ = lambda c: pref * h * (c[..., :n + 1].sum(axis=-1) - 0.5 * (c[..., 0] + c[..., n]))  # noqa: E731
    blocks = integ(acf)
    running = pref * h * (np.cumsum(acf.mean(axis=0)) - 0.5 * (acf.mean(axis=0)[0] + acf.mean(axis=0)))
    running_blocks = pref * h * (np.cumsum(acf, axis=1) - 0.5 * (acf[:, :1] + acf))
    return lj.mean_err(blocks), running, lj.mean_err(running_blocks)[1]

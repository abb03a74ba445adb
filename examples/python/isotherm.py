#!/usr/bin/env python3
"""Runs the 94.4 K isotherm of the model at five densities and plots it beside LAMMPS's.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/isotherm.py [FOLDER] [--quick]

For each density (1.20 to 1.40 g/cm^3) the atoms start on an fcc lattice, are melted at 300 K and
then run at 94.4 K under csvr, the canonical thermostat, like LAMMPS's Nose-Hoover runs of
isotherm_lammps/ (same model: 864 atoms, sigma 0.34 nm, eps/kB 120 K, cut off at 2.25 sigma
without shift or tail). Each density runs in FOLDER/<density> (default FOLDER: isotherm). Prints a
table of the mean pressure P and potential energy U with their standard errors beside LAMMPS's,
and draws P(rho) and U(rho) with error bars in FOLDER/isotherm.png.

The full runs (50 ps of equilibration and 500 ps of production per density) take about a minute
in all. --quick runs a few steps of each (no melt, no error bars), to see that it all works.
"""
import argparse
import csv
import os

import matplotlib

matplotlib.use("Agg")  # files only, no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import pelzak  # noqa: E402

TEMPERATURE = 94.4  # K
MELT_TEMPERATURE = 300.0  # K: well above melting, so that no trace of the lattice is left
LAMMPS_CSV = os.path.join(os.path.dirname(os.path.abspath(__file__)), "isotherm_lammps", "isotherm_lammps.csv")

# Steps (0.01 ps each). Blocks of 20 ps give the errors, so production needs at least 4800 steps
# for one; 500 ps gives errors of about 0.001 eps per atom and 5 bar.
MELT = dict(push_off=0, equilibration=1000, production=1000)
FULL = dict(push_off=0, equilibration=5000, production=50000)
QUICK = dict(push_off=0, equilibration=100, production=1000)


def read_lammps():
    with open(LAMMPS_CSV, newline="") as f:
        return {row["density_g_per_cm3"]: row for row in csv.DictReader(f)}


def run_density(folder, density, quick):
    """The figures of one density: melted at 300 K from a lattice, then at 94.4 K under csvr."""
    state = dict(density=float(density), thermo_every=100)
    if quick:
        return pelzak.run(folder, **state, temperature=TEMPERATURE, thermostat="csvr", **QUICK).figures
    melt = os.path.join(folder, "melt")
    pelzak.run(melt, **state, temperature=MELT_TEMPERATURE, **MELT)
    start = os.path.join(melt, "final_argon.dat")
    return pelzak.run(folder, **state, temperature=TEMPERATURE, thermostat="csvr", start=start, **FULL).figures


def table_line(density, f, lammps):
    def pair(value, error, decimals):
        # A run too short for two blocks of 20 ps has no error (NaN).
        shown = f"+- {error:.{decimals}f}" if np.isfinite(error) else "(no error)"
        return f"{value:9.{decimals}f} {shown:<{decimals + 5}}"

    u = pair(f.mean_potential_energy_eps_per_atom, f.mean_potential_energy_eps_per_atom_error, 4)
    p = pair(f.mean_pressure_bar, f.mean_pressure_bar_error, 1)
    u_lmp = pair(float(lammps["potential_eps_per_atom"]), float(lammps["potential_eps_per_atom_error"]), 4)
    p_lmp = pair(float(lammps["pressure_bar"]), float(lammps["pressure_bar_error"]), 1)
    return f"{density:>7}  {f.mean_on_step_temperature_K:6.2f}  {u}  {u_lmp}  {p}  {p_lmp}"


def plot(path, densities, figures, lammps):
    """Top: P(rho) and U(rho) of both. Bottom: pelzak's less LAMMPS's, with the two errors combined,
    where differences of a few bar or 0.001 eps per atom, far below the top row's scale, show."""
    rho = np.array([float(d) for d in densities])
    fig, axes = plt.subplots(2, 2, figsize=(11, 7.5), sharex=True, height_ratios=(2, 1), constrained_layout=True)
    panels = (
        ("mean_pressure_bar", "pressure_bar", "pressure (bar)", "bar", "Pressure"),
        ("mean_potential_energy_eps_per_atom", "potential_eps_per_atom", "potential energy (ε per atom)", "ε per atom", "Potential energy"),
    )
    for (top, bottom), (ours, theirs, label, unit, title) in zip(axes.T, panels):
        value = np.array([f[ours] for f in figures])
        # NaN errors (a run too short for two blocks) count as none.
        error = np.nan_to_num([f[ours + "_error"] for f in figures], nan=0.0)
        reference = np.array([float(lammps[d][theirs]) for d in densities])
        reference_error = np.array([float(lammps[d][theirs + "_error"]) for d in densities])
        top.errorbar(rho - 0.002, value, yerr=error, fmt="o", ms=5, capsize=3, color="tab:blue", label="pelzak (csvr)")
        top.errorbar(
            rho + 0.002, reference, yerr=reference_error,
            fmt="s", ms=5, capsize=3, mfc="none", color="tab:red", label="LAMMPS (Nose-Hoover)",
        )
        top.set(ylabel=label, title=f"{title} at {TEMPERATURE} K, 864 atoms")
        top.legend()
        bottom.errorbar(rho, value - reference, yerr=np.hypot(error, reference_error), fmt="o", ms=5, capsize=3, color="black")
        bottom.axhline(0.0, color="grey", lw=0.8, ls="--")
        bottom.set(xlabel="density (g/cm³)", ylabel=f"pelzak − LAMMPS ({unit})")
    fig.savefig(path, dpi=120)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", default="isotherm")
    parser.add_argument("--quick", action="store_true", help="a few steps per density, to see that it works")
    args = parser.parse_args()

    lammps = read_lammps()
    densities = list(lammps)
    figures = []
    print(f"{'density':>7}  {'T (K)':>6}  {'U pelzak (eps/atom)':<19}  {'U LAMMPS (eps/atom)':<19}  {'P pelzak (bar)':<16}  {'P LAMMPS (bar)':<16}".rstrip())
    for density in densities:
        f = run_density(os.path.join(args.folder, density), density, args.quick)
        figures.append(f)
        print(table_line(density, f, lammps[density]), flush=True)
    picture = os.path.join(args.folder, "isotherm.png")
    plot(picture, densities, figures, lammps)
    print(f"wrote {picture}")


if __name__ == "__main__":
    main()

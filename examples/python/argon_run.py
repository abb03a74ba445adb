#!/usr/bin/env python3
"""Runs the liquid-argon job from Python and plots what it measured.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/argon_run.py [FOLDER] [options]

Writes the generator's start into FOLDER (default: argon-run), runs pelzak_md's job there with
pelzak.run, and draws "argon.png" in the same folder. Top row: g(r) of the liquid, the mean-square
displacement with the straight line whose slope gives D (Einstein), the velocity autocorrelation
function. Bottom row: its spectrum (the density of vibrational states), and the temperature and the
potential energy per atom of every step after the push-off, each phase in its own colour.

Options: --push-off N, --equilibration N, --production N (as for pelzak_md, with its defaults; the
default production of 20000 steps takes a few seconds, --production 1000 is enough for a glance).
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")  # files only, no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import pelzak  # noqa: E402

PHASE_COLOURS = {"push-off": "tab:red", "equilibration": "tab:orange", "production": "tab:blue"}


def plot_g(ax, result, m):
    f = result.figures
    ax.plot(result.r_sigma, result.g, color="tab:blue", lw=1.5)
    ax.axhline(1.0, color="grey", lw=0.8, ls="--")
    ax.annotate(
        f"first peak {f.rdf_first_peak:.3f}\nat r/σ = {f.rdf_first_peak_r_sigma:.3f}",
        (f.rdf_first_peak_r_sigma, f.rdf_first_peak),
        xytext=(25, -10),
        textcoords="offset points",
        va="top",
    )
    ax.set(xlabel="r / σ", ylabel="g(r)", title=f"Radial distribution, {m.target_temperature} K", xlim=(0, None))


def with_error(value, error):
    # A run shorter than two blocks of 20 ps has no uncertainty (NaN).
    return f"{value:.2f} ± {error:.2f}" if np.isfinite(error) else f"{value:.2f} (too short for an error)"


def plot_msd(ax, result):
    f = result.figures
    t, msd = result.msd["t_ps"], result.msd["msd_nm2"]
    ax.plot(t, msd, color="tab:blue", lw=1.5, label="MSD")
    # The fitted line over the whole run, solid over the window it was fitted in.
    line = np.array([0.0, t[-1]])
    ax.plot(line, f.msd_fit_slope_nm2_per_ps * line + f.msd_fit_intercept_nm2, color="tab:red", lw=0.8, ls="--")
    window = np.array([f.msd_fit_start_ps, f.msd_fit_end_ps])
    ax.plot(window, f.msd_fit_slope_nm2_per_ps * window + f.msd_fit_intercept_nm2, color="tab:red", lw=2.0, label="6 D t + c, fitted")
    ax.axvspan(*window, color="tab:red", alpha=0.08, lw=0)
    ax.text(
        0.04,
        0.96,
        f"D = {with_error(f['diffusion_einstein_1e-5_cm2_per_s'], f.diffusion_einstein_error)} (Einstein)\n"
        f"D = {with_error(f['diffusion_green_kubo_1e-5_cm2_per_s'], f.diffusion_green_kubo_error)} (Green–Kubo)\n"
        "in 10⁻⁵ cm²/s",
        transform=ax.transAxes,
        va="top",
    )
    ax.set(xlabel="time (ps)", ylabel="mean-square displacement (nm²)", title="Mean-square displacement", xlim=(0, None), ylim=(0, None))
    ax.legend(loc="lower right")


def plot_vacf(ax, result):
    f = result.figures
    ax.plot(result.vacf["t_ps"], result.vacf["vacf"], color="tab:blue", lw=1.5)
    ax.axhline(0.0, color="grey", lw=0.8, ls="--")
    ax.plot([f.vacf_first_zero_ps], [0.0], "o", color="tab:red", ms=4)
    ax.plot([f.vacf_minimum_ps], [f.vacf_minimum], "o", color="tab:red", ms=4)
    ax.annotate(f"zero at {f.vacf_first_zero_ps:.3f} ps", (f.vacf_first_zero_ps, 0.0), xytext=(8, 8), textcoords="offset points")
    ax.annotate(
        f"minimum {f.vacf_minimum:.3f} at {f.vacf_minimum_ps:.3f} ps",
        (f.vacf_minimum_ps, f.vacf_minimum),
        xytext=(6, -8),
        textcoords="offset points",
        va="top",
    )
    ax.set(xlabel="time (ps)", ylabel="⟨v(0)·v(t)⟩ / ⟨v²⟩", title="Velocity autocorrelation", xlim=(0, 2.5), ylim=(-0.2, 1.05))


def plot_spectrum(ax, result):
    f = result.figures
    nu, dos = result.spectrum["nu_THz"], result.spectrum["dos_per_THz"]
    ax.plot(nu, dos, color="tab:blue", lw=1.5)
    ax.plot([f.spectrum_peak_THz], [f.spectrum_peak_density_per_THz], "o", color="tab:red", ms=4)
    ax.annotate(
        f"main peak at {f.spectrum_peak_THz:.2f} THz",
        (f.spectrum_peak_THz, f.spectrum_peak_density_per_THz),
        xytext=(12, 4),
        textcoords="offset points",
    )
    ax.set(xlabel="frequency (THz)", ylabel="density of states (1/THz)", title="Spectrum of the VACF", xlim=(0, 4), ylim=(0, None))


def plot_log(ax_t, ax_u, result, m):
    log = result.thermo
    # The push-off eases the overlapping start apart from energies of ~1e14 eps per atom; what
    # follows it is the liquid.
    for phase, colour in PHASE_COLOURS.items():
        rows = log[log["phase"] == phase]
        if phase == "push-off" or len(rows) == 0:
            continue
        ax_t.plot(rows["time_ps"], rows["temperature_K"], color=colour, lw=0.6, label=phase)
        ax_u.plot(rows["time_ps"], rows["potential_J"] / (m.atoms * m.epsilon), color=colour, lw=0.6, label=phase)
    ax_t.axhline(m.target_temperature, color="grey", lw=0.8, ls="--")
    ax_t.set(xlabel="time (ps)", ylabel="temperature (K)", title="Temperature before each rescaling")
    ax_u.set(xlabel="time (ps)", ylabel="potential energy (ε per atom)", title="Potential energy")
    ax_t.legend(loc="upper right")
    ax_u.legend(loc="upper right")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", default="argon-run")
    for name in ("push_off", "equilibration", "production"):
        # Defaults are pelzak.run's, which are pelzak_md's.
        parser.add_argument("--" + name.replace("_", "-"), dest=name, type=int)
    args = parser.parse_args()
    run_options = {name: value for name, value in vars(args).items() if name != "folder" and value is not None}

    pelzak.initial(args.folder)
    result = pelzak.run(args.folder, **run_options)
    print(result.summary, end="")

    m = pelzak.model
    fig, axes = plt.subplots(2, 3, figsize=(16, 9), constrained_layout=True)
    plot_g(axes[0, 0], result, m)
    plot_msd(axes[0, 1], result)
    plot_vacf(axes[0, 2], result)
    plot_spectrum(axes[1, 0], result)
    plot_log(axes[1, 1], axes[1, 2], result, m)
    production = result.thermo["phase"] == "production"
    steps = int(result.thermo["step"][production][-1]) if production.any() else 0
    fig.suptitle(f"Liquid argon, 864 atoms: pelzak.run with {steps} production steps of {m.dt:.2g} ps")

    picture = os.path.join(args.folder, "argon.png")
    fig.savefig(picture, dpi=100)
    print("wrote", picture)


if __name__ == "__main__":
    main()

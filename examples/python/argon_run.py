#!/usr/bin/env python3
"""Runs the liquid-argon job from Python and plots what it measured.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/argon_run.py [FOLDER] [options]

Writes the generator's start into FOLDER (default: argon-run), runs pelzak_md's job there with
pelzak.run, and draws "argon.png" in the same folder: g(r) of the liquid, and the temperature and the
potential energy per atom of every step after the push-off, each phase in its own colour. Options: --push-off N,
--equilibration N (as for pelzak_md).
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")  # files only, no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import pelzak  # noqa: E402

PHASE_COLOURS = {"push-off": "tab:red", "equilibration": "tab:orange", "production": "tab:blue"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", default="argon-run")
    parser.add_argument("--push-off", type=int, default=500)
    parser.add_argument("--equilibration", type=int, default=1500)
    args = parser.parse_args()

    os.makedirs(args.folder, exist_ok=True)
    pelzak.initial(args.folder)
    result = pelzak.run(args.folder, push_off=args.push_off, equilibration=args.equilibration)
    print(result.summary, end="")

    m = pelzak.model
    log = result.thermo
    fig, (ax_g, ax_t, ax_u) = plt.subplots(1, 3, figsize=(15, 4.5), constrained_layout=True)

    ax_g.plot(result.r_sigma, result.g, color="tab:blue", lw=1.5)
    ax_g.axhline(1.0, color="grey", lw=0.8, ls="--")
    peak = np.argmax(result.g)
    ax_g.annotate(
        f"first peak {result.g[peak]:.3f}\nat r/σ = {result.r_sigma[peak]:.3f}",
        (result.r_sigma[peak], result.g[peak]),
        xytext=(25, -10),
        textcoords="offset points",
        va="top",
    )
    ax_g.set(xlabel="r / σ", ylabel="g(r)", title=f"Radial distribution, {m.target_temperature} K", xlim=(0, None))

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

    picture = os.path.join(args.folder, "argon.png")
    fig.savefig(picture, dpi=110)
    print("wrote", picture)


if __name__ == "__main__":
    main()

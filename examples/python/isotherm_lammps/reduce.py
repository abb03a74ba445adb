#!/usr/bin/python3
"""Reduces the isotherm's LAMMPS runs to one CSV line per density (on standard output).

Usage: reduce.py ATOMS DENSITY [DENSITY ...]    (reads runs/<density>/thermo_run.txt)

thermo_run.txt holds a row every 10 steps (0.1 ps) of production: step, T (K), potential energy
(eV, whole system), pressure (bar). Each figure is the mean over the production and its standard
error from the scatter of 10 block means (100 ps each of a 1 ns production): blocks that long
are far apart compared with the liquid's correlation times (a few ps), so they are independent.
"""
import os
import sys

import numpy as np

EPSILON_EV = 0.010342180435061079  # eps of the model (4 eps = 6.628e-21 J), eV
BLOCKS = 10


def mean_and_error(values):
    blocks = values[: len(values) // BLOCKS * BLOCKS].reshape(BLOCKS, -1).mean(axis=1)
    return blocks.mean(), blocks.std(ddof=1) / np.sqrt(BLOCKS)


def main():
    atoms = int(sys.argv[1])
    print("density_g_per_cm3,temperature_K,potential_eps_per_atom,potential_eps_per_atom_error,"
          "pressure_bar,pressure_bar_error")
    for density in sys.argv[2:]:
        rows = np.loadtxt(os.path.join("runs", density, "thermo_run.txt"), comments="#")
        rows = rows[1:]  # the row at step 0 ends equilibration
        temperature, _ = mean_and_error(rows[:, 1])
        potential, potential_error = mean_and_error(rows[:, 2] / (atoms * EPSILON_EV))
        pressure, pressure_error = mean_and_error(rows[:, 3])
        print(f"{density},{temperature:.3f},{potential:.6f},{potential_error:.6f},"
              f"{pressure:.2f},{pressure_error:.2f}")


if __name__ == "__main__":
    main()

"""pelzak: molecular dynamics of liquid argon from Python.

864 Lennard-Jones argon atoms in a periodic box of side 3.47786 nm, held at 94.4 K.

The library's four routines over numpy arrays of shape (864, 3), one row per atom (nm, nm/ps, N):

    positions, velocities = pelzak.read_file("ar_simulation.dat")
    forces, energy = pelzak.force_atoms(positions)
    kinetic, temperature = pelzak.leapfrog(positions, velocities, driving)    # updates in place
    pelzak.radial_dist(step, positions, histogram)                           # histogram: (200,)

The whole job of pelzak_md at any state point, returning g(r), the thermodynamic log, the MSD,
the VACF and its spectrum as numpy arrays, and the figures of "summary_argon.json" as numbers:

    pelzak.initial("run")                                    # the generator's start, run/ar_simulation.dat
    result = pelzak.run("run")                               # pelzak_md's job in run/
    result.figures.mean_pressure_bar                         # P in bar
    result.figures["diffusion_einstein_1e-5_cm2_per_s"]      # D in 1e-5 cm^2/s
    pelzak.run("hot", density=1.3, thermostat="csvr")        # another state point, from a lattice

The model's numbers: pelzak.model (pelzak.model.box, pelzak.model.dt, ...).
See python/README.md.
"""
from . import model
from ._run import RunError, RunFigures, RunResult, initial, run
from .routines import force_atoms, leapfrog, radial_dist, read_file

__all__ = [
    "RunError",
    "RunFigures",
    "RunResult",
    "force_atoms",
    "initial",
    "leapfrog",
    "model",
    "radial_dist",
    "read_file",
    "run",
]

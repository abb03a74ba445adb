"""The library's four routines over numpy arrays (pelzak._routines), with their scalar arguments
checked here by name, so that a wrong one gets a message saying which and what it takes.

Arrays are checked by the extension itself (type, dtype, byte order, shape, writability, shared
memory), each with its own message.
"""
import os

from . import _routines
from ._arguments import real_number, shown, whole_number

_STEP_RANGE = (-(2**63), 2**63 - 1)  # the library's step is a 64-bit integer


def read_file(path="ar_simulation.dat"):
    """read_file(path="ar_simulation.dat") -> (positions, velocities)

    Reads a start file (fixed columns, as pelzak_initial writes it) with the library's reader.
    Returns two new float64 arrays of shape (864, 3): positions in nm, velocities in nm/ps.
    Raises OSError when the file cannot be opened or read (a missing file is not created) and
    ValueError with the reader's diagnostic when it is short or malformed.
    """
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f"read_file: path takes a file name (str, bytes or os.PathLike), not {shown(path)}")
    return _routines.read_file(path)


def force_atoms(positions, energy=0.0):
    """force_atoms(positions, energy=0.0) -> (forces, energy)

    Lennard-Jones forces on every atom (N, a new (864, 3) array) and 4 eps times (energy + the
    pair sum) (J): pass 0 for the potential energy of the positions alone. positions: float64
    (864, 3), nm.
    """
    return _routines.force_atoms(positions, real_number("force_atoms", "energy", energy, "a real number (J)"))


def leapfrog(positions, velocities, driving):
    """leapfrog(positions, velocities, driving) -> (kinetic, temperature)

    One step of 0.01 ps, updating positions (nm) and velocities (nm/ps) in place: positions gain
    dt*v + dt^2*driving, velocities become the mid-step ones rescaled to 94.4 K. Returns the
    kinetic energy (J) and temperature (K) before the rescaling. driving is used as it is: pass an
    acceleration in nm/ps^2, such as forces * pelzak.model.accel_per_newton. All three are float64
    (864, 3); positions and velocities must be writable and must not share memory with each other
    or with driving.
    """
    return _routines.leapfrog(positions, velocities, driving)


def radial_dist(step, positions, histogram):
    """radial_dist(step, positions, histogram) -> None

    The g(r) sampler: step 1 opens "rdf_argon.dat" in the current folder and clears the histogram,
    steps 1, 21, 41, ... add the pair distances of positions to it, step 1000 writes the normalised
    g(r) (200 lines). step: a whole number (64 bits). histogram: writable float64 (200,), kept
    between calls. Raises OSError when "rdf_argon.dat" cannot be opened or written, instead of
    ending the process.
    """
    takes = "a whole number (the step, counted from 1)"
    number = whole_number("radial_dist", "step", step, takes)
    if not _STEP_RANGE[0] <= number <= _STEP_RANGE[1]:
        raise ValueError(f"radial_dist: step takes a whole number from {_STEP_RANGE[0]} to {_STEP_RANGE[1]}, not {number}")
    _routines.radial_dist(number, positions, histogram)

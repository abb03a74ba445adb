"""Shared helpers of the Python tests: the C library through ctypes, starts, bit comparisons.

CTest passes in where things are: PYTHONPATH holds the build tree's package, PELZAK_AUX_CTYPES
the library built as a plain shared object (the C routines with nothing of the binding), and
PELZAK_MD / PELZAK_INITIAL the two programs.
"""
import ctypes
import os
import subprocess
import sys

import numpy as np
import pytest

import pelzak

ATOMS = pelzak.model.atoms
BINS = pelzak.model.bins
ROUTINES = ("read_file", "force_atoms", "leapfrog", "radial_dist")


def same_bits(a, b):
    """Equal to the bit: NaN payloads, signed zeros and all."""
    a = np.ascontiguousarray(a, dtype=np.float64)
    b = np.ascontiguousarray(b, dtype=np.float64)
    return a.shape == b.shape and np.array_equal(a.view(np.uint64), b.view(np.uint64))


def float_bits(x):
    return np.float64(x).view(np.uint64)


class CLibrary:
    """The routines of libpelzak_aux called through their link names, on column-major buffers."""

    def __init__(self, path):
        lib = ctypes.CDLL(path)
        ptr = ctypes.POINTER(ctypes.c_double)
        # getattr: a name with two leading underscores would be mangled inside a class body.
        self.routine = {name: getattr(lib, "__auxiliary_MOD_" + name) for name in ROUTINES}
        self.routine["read_file"].argtypes = [ptr, ptr]
        self.routine["force_atoms"].argtypes = [ptr, ptr, ptr]
        self.routine["leapfrog"].argtypes = [ptr, ptr, ptr, ptr, ptr]
        self.routine["radial_dist"].argtypes = [ctypes.POINTER(ctypes.c_int64), ptr, ptr]

    @staticmethod
    def _p(a):
        return a.ctypes.data_as(ctypes.POINTER(ctypes.c_double))

    @staticmethod
    def _columns(a):
        # Fortran order of a (864, 3) array is the library's layout: all x, then all y, then all z.
        return np.array(a, dtype=np.float64, order="F", copy=True)

    def read_file(self):
        r = np.zeros((ATOMS, 3), order="F")
        v = np.zeros((ATOMS, 3), order="F")
        self.routine["read_file"](self._p(r), self._p(v))
        return r, v

    def force_atoms(self, positions, energy=0.0):
        r = self._columns(positions)
        f = np.zeros((ATOMS, 3), order="F")
        e = ctypes.c_double(energy)
        self.routine["force_atoms"](self._p(r), self._p(f), ctypes.byref(e))
        return f, e.value

    def leapfrog(self, positions, velocities, driving):
        """Returns new positions and velocities and (kinetic, temperature)."""
        r, v, a = self._columns(positions), self._columns(velocities), self._columns(driving)
        kinetic, temperature = ctypes.c_double(), ctypes.c_double()
        self.routine["leapfrog"](
            self._p(r), self._p(v), self._p(a), ctypes.byref(kinetic), ctypes.byref(temperature)
        )
        return r, v, (kinetic.value, temperature.value)

    def radial_dist(self, step, positions, histogram):
        """Updates histogram (a contiguous float64 array of 200) in place."""
        r = self._columns(positions)
        self.routine["radial_dist"](ctypes.byref(ctypes.c_int64(step)), self._p(r), self._p(histogram))


@pytest.fixture(scope="session")
def c_library():
    return CLibrary(os.environ["PELZAK_AUX_CTYPES"])


def lattice_start(seed, jitter=0.01, speed=0.15):
    """An fcc crystal of 6 x 6 x 6 cells filling the box, shaken a little, with random velocities:
    no two atoms close, so a few hundred steps run without a push-off."""
    rng = np.random.default_rng(seed)
    cell = pelzak.model.box / 6
    basis = np.array([[0, 0, 0], [0.5, 0.5, 0], [0.5, 0, 0.5], [0, 0.5, 0.5]])
    corners = np.array([[i, j, k] for i in range(6) for j in range(6) for k in range(6)], dtype=float)
    r = ((corners[:, None, :] + basis[None, :, :]).reshape(-1, 3) + 0.25) * cell
    r += rng.normal(0.0, jitter, r.shape)
    v = rng.normal(0.0, speed, r.shape)
    return r, v


def write_start(path, positions, velocities):
    """Writes a configuration in the reader's fixed columns (3 decimals for positions, 4 for
    velocities), as the generator does."""
    lines = [" Test", "                  864 Argon"]
    for i, (r, v) in enumerate(zip(positions, velocities), start=1):
        lines.append(
            f"{i:5d}{'Ar':>5}{'Ar':>5}{i:5d}{r[0]:8.3f}{r[1]:8.3f}{r[2]:8.3f}{v[0]:8.4f}{v[1]:8.4f}{v[2]:8.4f}"
        )
    with open(path, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")


def child_processes():
    """Process ids whose parent is this process."""
    children = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as f:
                if int(f.read().rsplit(")", 1)[1].split()[1]) == os.getpid():
                    children.append(int(pid))
        except (OSError, IndexError, ValueError):
            pass  # gone meanwhile
    return children


def run_python(code, cwd, **kwargs):
    """Runs code in a fresh interpreter (the library's one open file belongs to a process, and some
    tests need a process where it was never opened). Returns the CompletedProcess."""
    return subprocess.run(
        [sys.executable, "-c", code], cwd=cwd, capture_output=True, text=True, timeout=300, **kwargs
    )

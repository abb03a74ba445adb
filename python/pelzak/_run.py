"""pelzak.run and pelzak.initial: the programs' jobs from Python, results as numpy arrays.

The job runs in a forked child of this process (see pelzak._job): the library and the driver end
their process when a file cannot be read or written, and that must not be the interpreter. The
child works in the run folder, as the programs work in theirs; afterwards the result files are read
from there into numpy arrays.
"""
import errno
import operator
import os
import signal
from dataclasses import dataclass

import numpy as np

from . import _job

# The driver's own defaults and limits, so that both front ends agree.
_DEFAULTS = _job.defaults
_FILES = _job.files


class RunError(RuntimeError):
    """pelzak_md or pelzak_initial failed; the Python process goes on.

    message: what the driver, the library or the generator wrote on stderr (one line each).
    status:  its exit status: 1 a file could not be read or written (missing start, no permission,
             full disk); 2 the library stopped the run (malformed start file, g(r) not writable);
             3 the run blew up (energy or temperature no longer finite); 70 internal error;
             128 + N: stopped by signal N between two steps; negative: ended by that signal.
    folder:  the run folder.
    """

    def __init__(self, message, status, folder=None):
        super().__init__(message, status, folder)
        self.message = message
        self.status = status
        self.folder = folder

    def __str__(self):
        return self.message


@dataclass(frozen=True)
class RunFigures:
    """The figures pelzak_md's summary prints, as the run computed them (the summary rounds them).

    NaN where the run has no such figure: an uncertainty needs at least two blocks of 20 ps
    (a production of at least 4800 steps), a VACF that never crosses zero has no zero.

    mean_temperature             K, mean over the production steps
    mean_potential_per_atom      epsilon per atom, mean over the production steps
    rdf_peak_g                   height of g(r)'s first peak (its highest bin)
    rdf_peak_r_sigma             where it is, r / sigma
    diffusion_einstein           self-diffusion coefficient D from the MSD's slope, 1e-5 cm^2/s
    diffusion_einstein_error     its standard error from the blocks, 1e-5 cm^2/s
    diffusion_green_kubo         D from the integral of the VACF, 1e-5 cm^2/s
    diffusion_green_kubo_error   its standard error from the blocks, 1e-5 cm^2/s
    msd_fit_slope                nm^2/ps: the straight line msd = slope * t + intercept fitted to
    msd_fit_intercept            nm^2     the MSD from msd_fit_start to msd_fit_end (ps); slope = 6 D
    msd_fit_start, msd_fit_end   ps       (D in nm^2/ps = D in 1e-5 cm^2/s / 1000)
    vacf_zero                    ps, the normalised VACF's first zero
    vacf_minimum                 the normalised VACF's first minimum
    vacf_minimum_time            ps, where it is
    alpha2_peak                  the peak of the non-Gaussian parameter alpha2
    alpha2_peak_time             ps, where it is
    spectrum_peak_frequency      THz, the spectrum's main peak
    spectrum_peak_density        1/THz, its height
    """

    mean_temperature: float
    mean_potential_per_atom: float
    rdf_peak_g: float
    rdf_peak_r_sigma: float
    diffusion_einstein: float
    diffusion_einstein_error: float
    diffusion_green_kubo: float
    diffusion_green_kubo_error: float
    msd_fit_slope: float
    msd_fit_intercept: float
    msd_fit_start: float
    msd_fit_end: float
    vacf_zero: float
    vacf_minimum: float
    vacf_minimum_time: float
    alpha2_peak: float
    alpha2_peak_time: float
    spectrum_peak_frequency: float
    spectrum_peak_density: float


@dataclass(frozen=True, eq=False)
class RunResult:
    """What a run leaves, as numpy arrays and numbers.

    r_sigma:  (200,) float64, the g(r) bins' distance labels in units of sigma
              (multiply by pelzak.model.sigma for nm), as in "rdf_argon.dat".
    g:        (200,) float64, g(r) of the first 1000 production steps, as in "rdf_argon.dat".
    thermo:   structured array, one record per row of "thermo_argon.csv", one field per column:
              phase (str), step (int64), time_ps, potential_J, kinetic_J, total_J, temperature_K,
              and the energies per atom in epsilon (float64).
              Select a phase with thermo[thermo["phase"] == "production"].
    msd:      structured array of "msd_argon.csv", one record per lag every 0.1 ps up to half the
              production (at most 500 ps): t_ps, msd_nm2 (mean-square displacement, nm^2) and
              alpha2 (non-Gaussian parameter), float64.
    vacf:     structured array of "vacf_argon.csv", one record per lag every 0.04 ps up to 5.08 ps:
              t_ps and vacf (the velocity autocorrelation divided by its value at 0), float64.
    spectrum: structured array of "spectrum_argon.csv", one record every 0.01 THz from 0 to 8 THz:
              nu_THz and dos_per_THz (the VACF's spectrum, a density of states of unit area), float64.
    figures:  RunFigures, the summary's numbers unrounded (D both ways with their errors, the MSD's
              fitted line, VACF zero and minimum, alpha2 peak, spectrum peak, mean temperature,
              potential energy, g(r)'s first peak).
    summary:  the summary text pelzak_md prints, those figures rounded.
    folder:   the run folder, which also holds the files themselves ("rdf_argon.svg",
              "dynamics_argon.svg", and "traj_argon.xyz" with xyz_every > 0).
    """

    r_sigma: np.ndarray
    g: np.ndarray
    thermo: np.ndarray
    msd: np.ndarray
    vacf: np.ndarray
    spectrum: np.ndarray
    figures: RunFigures
    summary: str
    folder: str


def _count(name, value, minimum):
    if isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name} must be a whole number, not {type(value).__name__}")
    try:
        number = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be a whole number, not {type(value).__name__}") from None
    if not minimum <= number <= _job.max_steps:
        raise ValueError(f"{name} must be from {minimum} to {_job.max_steps}, not {number}")
    return number


def _folder(folder):
    path = os.fspath(folder)
    if not os.path.exists(path):
        raise FileNotFoundError(errno.ENOENT, "no such folder", path)
    if not os.path.isdir(path):
        raise NotADirectoryError(errno.ENOTDIR, "not a folder", path)
    return path


def _failure(outcome, folder, program):
    status, _, err = outcome
    # Progress lines (quiet=False) are not part of the reason; diagnostics name their program.
    lines = [line for line in err.splitlines() if line.startswith("pelzak")]
    message = "\n".join(lines) if lines else err.strip()
    if not message:
        if status < 0:
            message = f"{program} was ended by {signal.Signals(-status).name}"
        else:
            message = f"{program} ended with status {status}"
    return RunError(message, status, folder)


def _read_rdf(path):
    table = np.loadtxt(path, dtype=np.float64, ndmin=2)
    if table.shape != (_job.bins, 2):
        raise RunError(f'"{path}" holds {table.shape[0]} lines, not {_job.bins}', 1, os.path.dirname(path))
    return table[:, 0].copy(), table[:, 1].copy()


def _read_table(path):
    """A CSV file with a header line as a structured array: the log's phase as text, its step as
    an integer, every other column float64 (the files hold shortest round-trip text, so the numbers
    are the program's doubles)."""
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    names = lines[0].split(",")
    types = {"phase": "U16", "step": np.int64}
    dtype = np.dtype([(name, types.get(name, np.float64)) for name in names])
    if len(lines) == 1:
        return np.empty(0, dtype)
    return np.loadtxt(lines[1:], delimiter=",", dtype=dtype, ndmin=1)


def run(
    folder=".",
    *,
    push_off=_DEFAULTS["push_off"],
    equilibration=_DEFAULTS["equilibration"],
    production=_DEFAULTS["production"],
    thermo_every=_DEFAULTS["thermo_every"],
    xyz_every=_DEFAULTS["xyz_every"],
    quiet=True,
):
    """Runs pelzak_md's job in `folder` and returns its results as a RunResult.

    The folder must hold the start "ar_simulation.dat" (pelzak.initial writes one); the job writes
    "rdf_argon.dat", "thermo_argon.csv", "msd_argon.csv", "vacf_argon.csv", "spectrum_argon.csv",
    "rdf_argon.svg", "dynamics_argon.svg", "final_argon.dat" (and "traj_argon.xyz") there, exactly as
    pelzak_md run in that folder would. The options are pelzak_md's, with its defaults (but quiet):

        push_off       push-off steps (--push-off)
        equilibration  equilibration steps before production (--equilibration)
        production     production steps, at least 1000 (--production): g(r) from the first 1000,
                       the dynamics files (msd_argon.csv, ...) from all
        thermo_every   a log row every this many steps of each phase, at least 1 (--thermo-every)
        xyz_every      a trajectory frame every this many steps, 0 for none (--xyz-every)
        quiet          False shows pelzak_md's progress lines on sys.stderr; pelzak_md shows
                       them unless --quiet, run only when asked

    The job runs in a forked child process while this one waits with the GIL released (other
    threads go on; Ctrl-C stops the job and raises KeyboardInterrupt). Any failure, from a missing
    start to a full disk, raises RunError with the program's own message and leaves an earlier
    run's results in the folder as they were; the interpreter never ends. A wrong option type raises TypeError, a value out of range ValueError.
    """
    path = _folder(folder)
    counts = dict(
        push_off=_count("push_off", push_off, 0),
        equilibration=_count("equilibration", equilibration, 0),
        production=_count("production", production, 1000),
        thermo_every=_count("thermo_every", thermo_every, 1),
        xyz_every=_count("xyz_every", xyz_every, 0),
    )
    if not isinstance(quiet, (bool, np.bool_)):
        raise TypeError(f"quiet must be True or False, not {type(quiet).__name__}")
    status, out, err, figures = _job.run_job(os.fsencode(path), quiet=bool(quiet), **counts)
    if status != 0:
        raise _failure((status, out, err), path, "pelzak_md")
    r_sigma, g = _read_rdf(os.path.join(path, _FILES["rdf"]))
    tables = {name: _read_table(os.path.join(path, _FILES[name])) for name in ("thermo", "msd", "vacf", "spectrum")}
    return RunResult(r_sigma=r_sigma, g=g, **tables, figures=RunFigures(**figures), summary=out, folder=path)


def initial(folder="."):
    """Writes the generator's start "ar_simulation.dat" into `folder`, as pelzak_initial would.

    Returns the file's path. The start is the same on every call (the generator draws from a
    fixed seed). A failure raises RunError with pelzak_initial's message.
    """
    path = _folder(folder)
    outcome = _job.write_start(os.fsencode(path))
    if outcome[0] != 0:
        raise _failure(outcome, path, "pelzak_initial")
    return os.path.join(path, _FILES["start"])

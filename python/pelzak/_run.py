"""pelzak.run and pelzak.initial: the programs' jobs from Python, results as numpy arrays.

The job runs in this process with the GIL released (see pelzak._job), working in the run folder as
pelzak_md works in its working directory; every failure comes back as a RunError. Afterwards the
result files are read from the folder into numpy arrays. The generator's start is written by a
forked child in the folder, as pelzak_initial would write it.
"""
import decimal
import errno
import json
import math
import os
import re
import signal
from collections.abc import Mapping
from dataclasses import dataclass

import numpy as np

from . import _job
from ._arguments import flag, real_number, shown, whole_number

# The driver's own defaults and limits, so that both front ends agree.
_DEFAULTS = _job.defaults
_FILES = _job.files


class RunError(RuntimeError):
    """pelzak_md or pelzak_initial failed; the Python process goes on.

    message: what the driver, the library or the generator wrote on stderr (one line each).
    status:  its exit status: 1 a file could not be read or written (missing start, no permission,
             full disk); 2 the library stopped the run (malformed start file, g(r) not writable);
             3 the run blew up (energy or temperature no longer finite); 70 internal error;
             negative: pelzak_initial's child was ended by that signal.
    folder:  the run folder.
    """

    def __init__(self, message, status, folder=None):
        super().__init__(message, status, folder)
        self.message = message
        self.status = status
        self.folder = folder

    def __str__(self):
        return self.message


class RunFigures(Mapping):
    """The run's figures, unrounded, under the names "summary_argon.json" gives them, in its order.

    A read-only mapping: figures["diffusion_einstein_1e-5_cm2_per_s"]; a name that is a Python
    identifier is an attribute too (figures.mean_pressure_bar). The values are the file's: the
    state point (atoms, temperature_K, density_g_per_cm3, box_nm, cutoff_sigma, tail_correction,
    thermostat, tau_ps with csvr, time_step_ps, production_steps, ...), the production's means with
    their standard errors (mean_temperature_K, mean_potential_energy_eps_per_atom, mean_pressure_bar,
    ...), D both ways, g(r)'s first peak, the VACF's and alpha2's features, the spectrum's peak.
    The file holds each number as the shortest text of its double, so these are the run's doubles.
    NaN where the run has no such figure (the file's null): an uncertainty needs at least two
    blocks of 20 ps (a production of at least 4800 steps), a VACF that never crosses zero has no zero.

    After the file's figures come five it leaves out: the straight line fitted to the MSD,
    msd = msd_fit_slope_nm2_per_ps * t + msd_fit_intercept_nm2 from msd_fit_start_ps to
    msd_fit_end_ps (slope = 6 D), and spectrum_peak_density_per_THz, the spectrum's peak height.
    """

    __slots__ = ("_values",)

    def __init__(self, values):
        object.__setattr__(self, "_values", dict(values))

    def __getitem__(self, name):
        return self._values[name]

    def __iter__(self):
        return iter(self._values)

    def __len__(self):
        return len(self._values)

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        try:
            return self._values[name]
        except KeyError:
            raise AttributeError(f"RunFigures has no figure {name!r}; it has {', '.join(self._values)}") from None

    def __setattr__(self, name, value):
        raise AttributeError("RunFigures is read-only")

    def __reduce__(self):  # copy and pickle (multiprocessing) make it again from its values
        return (RunFigures, (self._values,))

    def __dir__(self):
        return sorted(set(super().__dir__()) | {name for name in self._values if name.isidentifier()})

    def __repr__(self):
        return f"RunFigures({self._values!r})"


@dataclass(frozen=True, eq=False, repr=False)
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
    vanhove:  structured array of "vanhove_argon.csv": t_ps, r_nm, four_pi_r2_Gs_per_nm (the van Hove
              self function, the probability density of a displacement of length r after t) and
              gaussian_per_nm (the same for Gaussian displacements of the same MSD), one record per
              bin of 0.005 nm to 1.5 nm at each of 0.5, 1, 2, 3 and 10 ps, float64.
    fsk:      structured array of "fsk_argon.csv": t_ps and F_s(k, t) at three wave numbers, one
              column each, named Fs_k<k>_per_nm, every 0.1 ps to 10 ps, float64.
    sk:       structured array of "sk_argon.csv": k_per_nm, S_direct (S(k) from the box's wave
              vectors; NaN on rows of the g(r) route's grid) and S_from_gr (the transform of g(r)).
    figures:  RunFigures, the figures of "summary_argon.json" by its names, unrounded (the state
              point, the means of temperature, energy and pressure with their errors, D both
              ways, ...), and the MSD's fitted line.
    summary:  the summary text pelzak_md prints, those figures rounded.
    folder:   the run folder, which also holds the files themselves ("rdf_argon.svg",
              "dynamics_argon.svg", "summary_argon.json", and "traj_argon.xyz" with xyz_every > 0).

    repr() gives a few lines: the folder, the state point, the steps and the main figures.
    """

    r_sigma: np.ndarray
    g: np.ndarray
    thermo: np.ndarray
    msd: np.ndarray
    vacf: np.ndarray
    spectrum: np.ndarray
    vanhove: np.ndarray
    fsk: np.ndarray
    sk: np.ndarray
    figures: RunFigures
    summary: str
    folder: str

    def __repr__(self):
        f = self.figures
        tail = " with the tail correction" if f["tail_correction"] else ""
        return (
            f"<RunResult in {self.folder!r}: {f['atoms']} atoms at {f['temperature_K']:g} K and "
            f"{f['density_g_per_cm3']:.5f} g/cm^3, cut-off {f['cutoff_sigma']:g} sigma{tail}, "
            f"thermostat {f['thermostat']}\n"
            f"  {f['production_steps']} production steps of {f['time_step_ps']:g} ps: "
            f"T = {f['mean_temperature_K']:.2f} K (on-step {f['mean_on_step_temperature_K']:.2f} K), "
            f"U = {_with_error(f, 'mean_potential_energy_eps_per_atom', 4)} eps per atom, "
            f"P = {_with_error(f, 'mean_pressure_bar', 1)} bar\n"
            f"  D = {_with_error(f, 'diffusion_einstein_1e-5_cm2_per_s', 3, 'diffusion_einstein_error')} e-5 cm^2/s "
            f"(Einstein), g(r) first peak {f['rdf_first_peak']:.3f} at r/sigma = {f['rdf_first_peak_r_sigma']:.3f}\n"
            f"  .figures ({len(f)} figures), .thermo ({len(self.thermo)} rows), .g, .msd, .vacf, .spectrum, .vanhove, .fsk, .sk, .summary>"
        )


def _with_error(figures, name, decimals, error_name=None):
    error = figures[error_name or name + "_error"]
    value = f"{figures[name]:.{decimals}f}"
    return value if math.isnan(error) else f"{value} +- {error:.{decimals}f}"


# pelzak_md's options by run's keyword. Whole numbers, real numbers and flags are checked for their
# type here; their values go to pelzak_md's own command-line rules as the text it would be given,
# so that the ranges and the messages are the program's.
_COUNTS = {
    "push_off": "--push-off",
    "equilibration": "--equilibration",
    "production": "--production",
    "thermo_every": "--thermo-every",
    "xyz_every": "--xyz-every",
    "atoms": "--atoms",
    "seed": "--seed",
    "threads": "--threads",
}
_REALS = {
    "temperature": ("--temperature", "a temperature in K"),
    "density": ("--density", "a density in g/cm^3"),
    "cutoff": ("--cutoff", "a cut-off in sigma"),
    "tau": ("--tau", "a relaxation time in ps"),
}
_FLAGS = {"tail": "--tail", "continue_run": "--continue", "quiet": "--quiet"}
_THERMOSTATS = ("rescale", "csvr", "none")
_KEYWORDS = {
    **_COUNTS,
    **{name: option for name, (option, _) in _REALS.items()},
    **_FLAGS,
    "time_step": "--time-step",
    "thermostat": "--thermostat",
    "start": "--start",
}
_OPTION_KEYWORDS = {option: name for name, option in _KEYWORDS.items()}


def _keyword_message(message):
    """pelzak_md's message about its options, told in run's keywords."""
    message = message.removeprefix("pelzak_md: ")
    message = message.replace("--thermostat csvr", 'thermostat="csvr"')
    return "run: " + re.sub(r"--[a-z-]+", lambda m: _OPTION_KEYWORDS.get(m.group(0), m.group(0)), message)


def _decimal(value):
    """A time step as the decimal it reads as (0.005, not 5e-03): pelzak_md takes the step as
    written, and its log's times are exact decimals of it."""
    return format(decimal.Decimal(repr(value)), "f")


def _arguments(values):
    """pelzak_md's command line for run's keywords; None means the program's default."""
    args = []
    for name, option in _COUNTS.items():
        value = values[name]
        if value is not None:
            number = whole_number("run", name, value)
            if number != _DEFAULTS.get(name):  # the run-control defaults are the program's
                args += [option, str(number)]
    for name, (option, what) in _REALS.items():
        if values[name] is not None:
            args += [option, repr(real_number("run", name, values[name], what))]
    if values["time_step"] is not None:
        args += ["--time-step", _decimal(real_number("run", "time_step", values["time_step"], "a time step in ps"))]
    thermostat = values["thermostat"]
    if thermostat is not None:
        if thermostat not in _THERMOSTATS:
            raise (TypeError if not isinstance(thermostat, str) else ValueError)(
                f"run: thermostat takes one of {', '.join(map(repr, _THERMOSTATS))}, not {shown(thermostat)}"
            )
        args += ["--thermostat", thermostat]
    start = values["start"]
    if start is not None:
        if not isinstance(start, (str, bytes, os.PathLike)):
            raise TypeError(f"run: start takes a file name (str, bytes or os.PathLike), not {shown(start)}")
        # Relative to this process's working folder, not to the run folder the job works in.
        args += ["--start", os.path.abspath(os.fsdecode(start))]
    for name, option in _FLAGS.items():
        if flag("run", name, values[name]):
            args.append(option)
    return args


def _folder(folder, call):
    """The folder, made with its parents if missing."""
    if not isinstance(folder, (str, bytes, os.PathLike)):
        raise TypeError(f"{call}: folder takes a folder name (str, bytes or os.PathLike), not {shown(folder)}")
    path = os.fspath(folder)
    if os.path.exists(path) and not os.path.isdir(path):
        raise NotADirectoryError(errno.ENOTDIR, "not a folder", path)
    os.makedirs(path, exist_ok=True)
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
    if any(",," in line or line.endswith(",") for line in lines[1:]):
        # An empty cell (a route of S(k) without a value on that row) reads as NaN.
        lines = [",".join(cell or "nan" for cell in line.split(",")) for line in lines]
    return np.loadtxt(lines[1:], delimiter=",", dtype=dtype, ndmin=1)


def _read_figures(path, fit):
    """The figures of "summary_argon.json" (null, for NaN, as NaN), then those it leaves out."""
    with open(path, encoding="ascii") as f:
        figures = json.load(f)
    figures = {name: math.nan if value is None else value for name, value in figures.items()}
    return RunFigures({**figures, **fit})


def run(
    folder=".",
    *,
    push_off=_DEFAULTS["push_off"],
    equilibration=_DEFAULTS["equilibration"],
    production=_DEFAULTS["production"],
    thermo_every=_DEFAULTS["thermo_every"],
    xyz_every=_DEFAULTS["xyz_every"],
    temperature=None,
    density=None,
    atoms=None,
    cutoff=None,
    tail=False,
    time_step=None,
    thermostat=None,
    tau=None,
    seed=None,
    start=None,
    threads=None,
    continue_run=False,
    quiet=True,
):
    """Runs pelzak_md's job in `folder` and returns its results as a RunResult.

    The folder (made with its parents if missing) is the job's working folder: the library's liquid
    (864 atoms in its box, at any temperature) starts from its "ar_simulation.dat" (pelzak.initial
    writes one), any other density or atom count from an fcc lattice, any state point from `start`. The job writes "rdf_argon.dat", "thermo_argon.csv", "summary_argon.json", the
    dynamics' CSV files, the plots, "checkpoint_argon.bin" and "final_argon.dat" there, exactly as
    pelzak_md run in that folder would. Every keyword is the pelzak_md option of that name
    (continue_run is --continue), with the program's limits and messages; None is its default.

    Run control:
        push_off       push-off steps (--push-off)
        equilibration  equilibration steps before production (--equilibration)
        production     production steps, at least 1000 (--production)
        thermo_every   a log row every this many steps of each phase, at least 1 (--thermo-every)
        xyz_every      a trajectory frame every this many steps, 0 for none (--xyz-every)
        threads        threads for the forces, 1 to 64 (None: 1); the results are the same bits for
                       any number
        continue_run   True: go on from the folder's "checkpoint_argon.bin" for `production` more
                       steps (the state point comes from the checkpoint: give none)
        quiet          False shows pelzak_md's progress lines on sys.stderr; pelzak_md shows
                       them unless --quiet, run only when asked
    The state point (None: the library's liquid):
        temperature    K (94.4)
        density        g/cm^3 (1.36245, the library's box)
        atoms          2 or more (864, or the count of `start`)
        cutoff         the cut-off radius in sigma, at most half the box (2.25)
        tail           True: the long-range corrections to energy and pressure
        time_step      ps, at most 0.1 (0.01), taken as the decimal it reads as
        thermostat     "rescale" (the library's), "csvr" (canonical, to compare with LAMMPS or
                       GROMACS) or "none" (constant energy in production)
        tau            ps, csvr's relaxation time (0.1)
        seed           csvr's random numbers and a lattice start's velocities (1)
        start          a start file of any atom count (a path relative to this process's folder)

    A keyword of the wrong type (a string for a number, a float for a count) raises TypeError, a
    value pelzak_md refuses ValueError with its reason and the accepted range. The job runs in this
    process with the GIL released (other threads go on). Python's signal handlers stay in place: a
    handler that raises while the job runs (Ctrl-C's KeyboardInterrupt, in the main thread) stops
    it between two steps, and the exception is raised here. Any failure, from a missing start to a
    full disk, raises RunError with the program's own message and leaves an earlier run's results
    in the folder as they were; the interpreter never ends.
    """
    values = dict(locals())
    args = _arguments(values)
    problem = _job.check_arguments(args)  # before anything is touched
    if problem:
        raise ValueError(_keyword_message(problem))
    path = _folder(folder, "run")
    status, out, err, fit = _job.run_job(os.fsencode(path), args)
    if status == _job.exit_usage:
        raise ValueError(_keyword_message(_failure((status, out, err), path, "pelzak_md").message))
    if status != 0:
        raise _failure((status, out, err), path, "pelzak_md")
    r_sigma, g = _read_rdf(os.path.join(path, _FILES["rdf"]))
    tables = {name: _read_table(os.path.join(path, _FILES[name])) for name in ("thermo", "msd", "vacf", "spectrum", "vanhove", "fsk", "sk")}
    figures = _read_figures(os.path.join(path, _FILES["summary"]), fit)
    return RunResult(r_sigma=r_sigma, g=g, **tables, figures=figures, summary=out, folder=path)


def initial(folder=".", seed=None):
    """Writes the generator's start "ar_simulation.dat" into `folder` (made with its parents if
    missing), as pelzak_initial would, and returns the file's path.

    seed: the random sequence's seed, a whole number from 0 to 4294967295, for independent
    replicas; None draws the sequence of pelzak_initial without --seed (5489). The same seed gives
    the same start on every call. A failure raises RunError with pelzak_initial's message.
    """
    seed_range = (0, 2**32 - 1)
    takes = f"a whole number from {seed_range[0]} to {seed_range[1]}"
    number = _job.default_seed if seed is None else whole_number("initial", "seed", seed, takes)
    if not seed_range[0] <= number <= seed_range[1]:
        raise ValueError(f"initial: seed takes {takes}, not {number}")
    path = _folder(folder, "initial")
    outcome = _job.write_start(os.fsencode(path), number)
    if outcome[0] != 0:
        raise _failure(outcome, path, "pelzak_initial")
    return os.path.join(path, _FILES["start"])


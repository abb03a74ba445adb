"""pelzak.run is pelzak_md's job: the same files to the byte, arrays that hold exactly what the
files say, and figures that are the summary's numbers unrounded. pelzak.initial is pelzak_initial."""
import csv
import functools
import inspect
import json
import operator
import os
import pickle
import re
import subprocess
import threading

import numpy as np
import pytest

import pelzak
from conftest import child_processes, run_python, same_bits

# 4800 production steps (48 ps) are the fewest that give both D an uncertainty: two complete
# blocks of 20 ps each way. A run of 1000 has none (NaN), which the short runs below cover.
OPTIONS = dict(push_off=300, equilibration=200, production=4800, thermo_every=7, xyz_every=400)
SHORT = dict(push_off=500, equilibration=0, production=1000, thermo_every=1, xyz_every=0)
# The figures pelzak.run adds to those of "summary_argon.json".
FIT = dict.fromkeys(["msd_fit_slope_nm2_per_ps", "msd_fit_intercept_nm2", "msd_fit_start_ps", "msd_fit_end_ps", "spectrum_peak_density_per_THz"])
FILES = [
    "rdf_argon.dat",
    "thermo_argon.csv",
    "thermo_argon.svg",
    "checkpoint_argon.bin",
    "summary_argon.json",
    "rdf_production_argon.csv",
    "rdf_argon.svg",
    "traj_argon.xyz",
    "msd_argon.csv",
    "vacf_argon.csv",
    "spectrum_argon.csv",
    "dynamics_argon.svg",
    "final_argon.dat",
    "vanhove_argon.csv",
    "fsk_argon.csv",
    "sk_argon.csv",
    "scattering_argon.svg",
]


def command_line(options):
    args = []
    for name, value in options.items():
        args += ["--" + name.replace("_", "-"), str(value)]
    return args + ["--quiet"]


def run_both(folders, options):
    """The same job run twice: by pelzak.run and by the program pelzak_md."""
    binding = folders.mktemp("binding")
    program = folders.mktemp("program")
    pelzak.initial(binding)
    subprocess.run([os.environ["PELZAK_INITIAL"]], cwd=program, check=True)
    result = pelzak.run(binding, **options)
    cli = subprocess.run(
        [os.environ["PELZAK_MD"], *command_line(options)], cwd=program, capture_output=True, text=True, check=True
    )
    return result, binding, program, cli.stdout


@pytest.fixture(scope="module")
def runs(tmp_path_factory):
    return run_both(tmp_path_factory, OPTIONS)


@pytest.fixture(scope="module")
def short_runs(tmp_path_factory):
    return run_both(tmp_path_factory, SHORT)


def csv_columns(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], [[float(row[c]) for row in rows[1:]] for c in range(len(rows[0]))]


def test_initial_writes_the_generators_start(runs):
    _, binding, program, _ = runs
    assert (binding / "ar_simulation.dat").read_bytes() == (program / "ar_simulation.dat").read_bytes()


def test_initial_makes_its_folder_and_takes_a_seed(tmp_path):
    path = pelzak.initial(tmp_path / "a" / "b", seed=7)
    assert path == str(tmp_path / "a" / "b" / "ar_simulation.dat")
    subprocess.run([os.environ["PELZAK_INITIAL"], "--seed", "7"], cwd=tmp_path, capture_output=True, check=True)
    assert (tmp_path / "ar_simulation.dat").read_bytes() == open(path, "rb").read()
    with pytest.raises(ValueError, match="initial: seed takes a whole number from 0 to 4294967295, not -1"):
        pelzak.initial(tmp_path, seed=-1)
    with pytest.raises(TypeError, match="initial: seed takes a whole number from 0 to 4294967295, not float 7.0"):
        pelzak.initial(tmp_path, seed=7.0)


@pytest.mark.parametrize("which", ["runs", "short_runs"])
def test_run_writes_the_files_pelzak_md_writes(which, request):
    result, binding, program, stdout = request.getfixturevalue(which)
    written = [name for name in FILES if name != "traj_argon.xyz" or which == "runs"]
    assert sorted(os.listdir(program)) == sorted(written + ["ar_simulation.dat"])
    assert sorted(os.listdir(binding)) == sorted(os.listdir(program))
    for name in written:
        assert (binding / name).read_bytes() == (program / name).read_bytes(), name
    assert result.summary == stdout
    assert result.folder == str(binding)


def test_g_r_holds_the_files_numbers(runs):
    result, binding, _, _ = runs
    rows = [line.split() for line in (binding / "rdf_argon.dat").read_text().splitlines()]
    assert same_bits(result.r_sigma, [float(row[0]) for row in rows])
    assert same_bits(result.g, [float(row[1]) for row in rows])
    assert result.r_sigma.shape == result.g.shape == (pelzak.model.bins,)
    assert result.r_sigma[0] == pelzak.model.bin_width / 2 / pelzak.model.sigma
    peak = np.argmax(result.g)
    assert 2.4 < result.g[peak] < 3.1 and 1.0 < result.r_sigma[peak] < 1.2  # a liquid's first shell


def test_the_log_holds_the_files_rows(runs):
    result, binding, _, _ = runs
    with open(binding / "thermo_argon.csv", newline="") as f:
        rows = list(csv.DictReader(f))
    thermo = result.thermo
    assert thermo.dtype.names == tuple(rows[0])
    assert thermo.dtype.names[:7] == ("phase", "step", "time_ps", "potential_J", "kinetic_J", "total_J", "temperature_K")
    assert len(thermo) == len(rows) == 44 + 30 + 687  # every 7th step of 300, 200 and 4800, each phase's first and last
    assert list(thermo["phase"]) == [row["phase"] for row in rows]
    assert list(thermo["step"]) == [int(row["step"]) for row in rows]
    for name in thermo.dtype.names[2:]:
        assert same_bits(thermo[name], [float(row[name]) for row in rows]), name
    production = thermo[thermo["phase"] == "production"]
    assert production["step"][0] == 1 and production["step"][1] == 7
    assert abs(production["temperature_K"].mean() - 94.4) < 1.0


@pytest.mark.parametrize("which", ["runs", "short_runs"])
def test_the_dynamics_hold_the_files_numbers(which, request):
    result, binding, _, _ = request.getfixturevalue(which)
    production = OPTIONS["production"] if which == "runs" else SHORT["production"]
    lags = {
        "msd": production // 2 // 10 + 1,  # every 0.1 ps up to half the production
        "vacf": 128,  # every 0.04 ps up to 5.08 ps
        "spectrum": 801,  # every 0.01 THz up to 8 THz
        "vanhove": 5 * 300,  # 300 bins at each of 0.5, 1, 2, 3 and 10 ps
        "fsk": 101,  # every 0.1 ps up to 10 ps
    }
    for name, rows in lags.items():
        names, columns = csv_columns(binding / f"{name}_argon.csv")
        table = getattr(result, name)
        assert table.shape == (rows,) and table.dtype.names == tuple(names), name
        for field, column in zip(names, columns):
            assert table.dtype[field] == np.float64
            assert same_bits(table[field], column), (name, field)
    assert result.msd.dtype.names == ("t_ps", "msd_nm2", "alpha2")
    assert result.vacf.dtype.names == ("t_ps", "vacf")
    assert result.spectrum.dtype.names == ("nu_THz", "dos_per_THz")
    assert result.sk.dtype.names == ("k_per_nm", "S_direct", "S_from_gr")
    # S(k): the g(r) route's grid rows have no direct value; the peak figure sits on the direct shells.
    assert np.isnan(result.sk["S_direct"][0]) and abs(np.nanmax(result.sk["S_direct"]) - result.figures.sk_peak_height) < 0.3
    assert result.msd["t_ps"][-1] == production / 200 and result.vacf["vacf"][0] == 1.0


def printed_figures(summary):
    """The numbers of pelzak_md's summary, as text, by the name of the figure they round."""
    number = r"(-?[0-9.]+|nan)"
    patterns = {
        ("mean_temperature_K", "mean_potential_energy_eps_per_atom"): rf"mean temperature {number} K \(on-step velocities [0-9.]+ K\), mean potential energy {number}",
        ("rdf_first_peak", "rdf_first_peak_r_sigma"): rf"g\(r\) over the whole production \([0-9]+ samples\): first peak {number} at r/sigma = {number}",
        ("diffusion_einstein_1e-5_cm2_per_s", "diffusion_einstein_error"): rf"D = {number}(?: \+- {number})? e-5 cm\^2/s \(Einstein[;)]",
        ("diffusion_green_kubo_1e-5_cm2_per_s", "diffusion_green_kubo_error"): rf"D = {number}(?: \+- {number})? e-5 cm\^2/s \(Green-Kubo[;)]",
        ("vacf_first_zero_ps", "vacf_minimum", "vacf_minimum_ps"): rf"VACF: first zero at {number} ps, minimum {number} at {number} ps",
        ("alpha2_peak", "alpha2_peak_ps"): rf"alpha2: peak {number} at {number} ps",
        ("spectrum_peak_THz",): rf"spectrum: main peak at {number} THz",
    }
    printed = {}
    for names, pattern in patterns.items():
        match = re.search(pattern, summary)
        assert match, pattern
        printed.update((name, text) for name, text in zip(names, match.groups()) if text is not None)
    return printed


@pytest.mark.parametrize("which", ["runs", "short_runs"])
def test_the_figures_are_what_pelzak_md_prints(which, request):
    result, _, _, stdout = request.getfixturevalue(which)
    figures = result.figures
    printed = printed_figures(stdout)
    assert len(printed) == (14 if which == "runs" else 12)
    for name, text in printed.items():
        decimals = len(text.split(".")[1]) if "." in text else 0
        assert f"{figures[name]:.{decimals}f}" == text, name
    errors = [figures.diffusion_einstein_error, figures.diffusion_green_kubo_error]
    if which == "runs":
        assert all(0.0 < e < 0.2 for e in errors)
    else:
        # Too short for two blocks: no error, and the line says what would give one.
        assert all(np.isnan(e) for e in errors) and "(Einstein; too short for an error, which needs" in stdout


def test_the_figures_follow_from_the_curves(runs):
    """Each figure is the number the analysis derived from the curves the files hold."""
    result, binding, _, _ = runs
    f = result.figures
    assert isinstance(f, pelzak.RunFigures) and f.keys() == {**json.loads((binding / "summary_argon.json").read_text()), **FIT}.keys()
    assert all(type(f[name]) is float for name in FIT)
    # g(r): the highest bin of the whole production's curve, close to that of "rdf_argon.dat" (its
    # first 1000 steps), in the same bin or the next.
    peak = int(np.argmax(result.g))
    assert abs(f.rdf_first_peak - result.g[peak]) < 0.1 and abs(f.rdf_first_peak_r_sigma - result.r_sigma[peak]) < 0.03
    # Einstein: D is a sixth of the slope of the line fitted to the MSD over its window.
    assert f["diffusion_einstein_1e-5_cm2_per_s"] == f.msd_fit_slope_nm2_per_ps / 6 * 1000
    assert (f.msd_fit_start_ps, f.msd_fit_end_ps) == pytest.approx((2.0, 10.0), abs=1e-6)
    t, msd = result.msd["t_ps"], result.msd["msd_nm2"]
    window = (t > f.msd_fit_start_ps - 0.01) & (t < f.msd_fit_end_ps + 0.01)
    assert window.sum() == 81
    # The file's times are rounded to 7 digits; the fit used the frame times themselves.
    slope, intercept = np.polyfit(np.linspace(f.msd_fit_start_ps, f.msd_fit_end_ps, 81), msd[window], 1)
    assert slope == pytest.approx(f.msd_fit_slope_nm2_per_ps, rel=1e-9) and intercept == pytest.approx(f.msd_fit_intercept_nm2, abs=1e-9)
    # Green-Kubo: a third of the VACF's integral, which needs <v^2> (not in the file) to check;
    # the two ways agree within their errors, as they must for one motion.
    assert abs(f["diffusion_einstein_1e-5_cm2_per_s"] - f["diffusion_green_kubo_1e-5_cm2_per_s"]) < 3 * (f["diffusion_einstein_error"] + f["diffusion_green_kubo_error"])
    # VACF: the zero lies between the samples around the sign change, the minimum at its lowest sample.
    tv, c = result.vacf["t_ps"], result.vacf["vacf"]
    cross = int(np.argmax(c < 0))
    assert tv[cross - 1] < f.vacf_first_zero_ps < tv[cross]
    lowest = int(np.argmin(c[: 2 * cross]))
    assert abs(f.vacf_minimum_ps - tv[lowest]) < 0.04 and c[lowest] - 0.01 < f.vacf_minimum <= c[lowest]
    # alpha2 and the spectrum: the peaks' vertices lie near the highest samples.
    top = int(np.argmax(result.msd["alpha2"]))
    assert abs(f.alpha2_peak_ps - t[top]) < 1.0 and abs(f.alpha2_peak - result.msd["alpha2"][top]) < 0.01
    nu, dos = result.spectrum["nu_THz"], result.spectrum["dos_per_THz"]
    top = int(np.argmax(dos[1:])) + 1
    assert abs(f.spectrum_peak_THz - nu[top]) < 0.01 and dos[top] <= f.spectrum_peak_density_per_THz < dos[top] + 0.01


def test_the_means_are_the_logs_means_to_the_bit(short_runs):
    """With a log row every step, the means are the production rows summed in order and divided
    by the step count, exactly: the figures are the job's own doubles, not the summary's text."""
    result, _, _, _ = short_runs
    rows = result.thermo[result.thermo["phase"] == "production"]
    assert len(rows) == SHORT["production"]
    in_order = functools.partial(functools.reduce, operator.add)
    steps = float(SHORT["production"])
    m = pelzak.model
    assert result.figures.mean_temperature_K == in_order(rows["temperature_K"].tolist()) / steps
    assert result.figures.mean_potential_energy_eps_per_atom == in_order(rows["potential_J"].tolist()) / steps / (m.atoms * m.epsilon)


def test_every_option_of_pelzak_md_is_a_keyword_with_its_default():
    """Read from pelzak_md --help and from the options its command line registers: each option a
    keyword of run and in run's table of pelzak_md's options; the run-control counts with the
    program's default, the state point's None (the program's default). quiet aside: run is quiet
    unless asked, as a library call should be."""
    help_text = subprocess.run([os.environ["PELZAK_MD"], "--help"], capture_output=True, text=True, check=True).stdout
    options = re.findall(r"^  (?:-\w, |    )--([a-z-]+)", help_text, re.M)
    parameters = inspect.signature(pelzak.run).parameters
    renamed = {"continue": "continue_run"}
    seen = [renamed.get(name, name.replace("-", "_")) for name in options if name not in ("help", "version", "output-dir")]
    assert len(seen) == 18 and sorted(seen) == sorted(p for p in parameters if p != "folder")
    assert all(parameters[name].kind == inspect.Parameter.KEYWORD_ONLY for name in seen)
    registered = set(pelzak._job.option_names) - {"--help", "--version", "--output-dir"}
    assert set(pelzak._run._KEYWORDS.values()) == registered and sorted(pelzak._run._KEYWORDS) == sorted(seen)
    defaults = dict(re.findall(r"^  -\w, --([a-z-]+) N\s+.*?\(default (\d+)", help_text, re.M))
    assert len(defaults) == 5
    for name, value in defaults.items():
        assert parameters[name.replace("-", "_")].default == int(value), name
    assert parameters["quiet"].default is True and parameters["tail"].default is False
    assert parameters["temperature"].default is None and parameters["threads"].default is None


def test_a_log_without_rows_and_no_trajectory(tmp_path):
    pelzak.initial(tmp_path)
    result = pelzak.run(tmp_path, push_off=500, equilibration=0, production=1000, thermo_every=10**9)
    # Only each phase's first and last step.
    assert result.thermo.shape == (4,) and result.thermo.dtype.names[0] == "phase"
    assert not (tmp_path / "traj_argon.xyz").exists()


def test_progress_goes_to_sys_stderr_when_not_quiet(tmp_path, capsys):
    pelzak.initial(tmp_path)
    result = pelzak.run(tmp_path, push_off=500, equilibration=0, production=1000, quiet=False)
    err = capsys.readouterr().err
    assert "push-off step 250/500: T = " in err and "production step 1000/1000" in err
    assert result.summary.startswith("state: 864 atoms at 94.4 K") and "production: mean temperature 94." in result.summary


def test_the_job_runs_in_this_process_with_the_gil_released(tmp_path):
    """Another Python thread runs while the job works: it sees the job's staging folder, which
    exists only during the run, and no child process."""
    pelzak.initial(tmp_path)
    seen, children = [], []
    done = threading.Event()

    def watch():
        while not done.is_set() and not seen:
            if (tmp_path / ".pelzak_md-staging").exists():
                seen.append(True)
                children.extend(child_processes())

    watcher = threading.Thread(target=watch)
    watcher.start()
    try:
        pelzak.run(tmp_path, equilibration=5000, production=1000, thermo_every=1000)
    finally:
        done.set()
        watcher.join()
    assert seen and children == []


def test_runs_in_threads_give_the_same_results(tmp_path, runs):
    _, alone, _, _ = runs
    folders = [tmp_path / name for name in ("a", "b")]
    results = {}

    def job(folder):
        pelzak.initial(folder)
        results[folder] = pelzak.run(folder, **OPTIONS)

    for folder in folders:
        folder.mkdir()
    threads = [threading.Thread(target=job, args=(folder,)) for folder in folders]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for folder in folders:
        for name in FILES:
            assert (folder / name).read_bytes() == (alone / name).read_bytes(), (folder, name)


STATE = dict(temperature=120, density=1.3, atoms=500, cutoff=2.5, tail=True, time_step=0.005, thermostat="csvr", tau=0.2, seed=7, threads=1)


def test_the_state_point_keywords_reach_the_job(tmp_path):
    """The same files as pelzak_md given the same options (from a lattice: no start file)."""
    options = dict(STATE, push_off=0, equilibration=100, production=1000, thermo_every=50)
    result = pelzak.run(tmp_path / "binding", **options)
    program = tmp_path / "program"
    program.mkdir()
    args = ["--tail"] + command_line({k: v for k, v in options.items() if k != "tail"})
    subprocess.run([os.environ["PELZAK_MD"], *args], cwd=program, capture_output=True, check=True)
    for name in FILES[:7]:
        assert (tmp_path / "binding" / name).read_bytes() == (program / name).read_bytes(), name
    f = result.figures
    assert (f.temperature_K, f.atoms, f.cutoff_sigma, f.tail_correction, f.thermostat, f.tau_ps) == (120.0, 500, 2.5, True, "csvr", 0.2)
    assert f.time_step_ps == 0.005 and f.density_g_per_cm3 == pytest.approx(1.3, rel=1e-15)
    assert result.summary.startswith("state: 500 atoms at 120 K")
    # Goes on from the checkpoint, the state point with it.
    more = pelzak.run(tmp_path / "binding", continue_run=True, production=1000)
    assert more.figures.production_steps_before == 1000 and more.figures.temperature_K == 120.0


def test_repr_is_a_short_summary(short_runs):
    text = repr(short_runs[0])
    assert len(text) < 600 and len(text.splitlines()) == 4, text
    assert "864 atoms at 94.4 K" in text and "1000 production steps of 0.01 ps" in text and "P = " in text
    # A result crosses processes (multiprocessing pickles it), its read-only figures with it.
    copied = pickle.loads(pickle.dumps(short_runs[0]))
    assert list(copied.figures.items())[:3] == list(short_runs[0].figures.items())[:3]


@pytest.mark.parametrize(
    "options,error,message",
    [
        (dict(push_off=1.5), TypeError, "run: push_off takes a whole number, not float 1.5"),
        (dict(push_off="100"), TypeError, "run: push_off takes a whole number, not str '100'"),
        (dict(equilibration=True), TypeError, "equilibration takes a whole number, not bool"),
        (dict(quiet=1), TypeError, "run: quiet takes True or False, not int 1"),
        (dict(temperature="94.4"), TypeError, "run: temperature takes a temperature in K, not str '94.4'"),
        (dict(thermostat="nose"), ValueError, "run: thermostat takes one of 'rescale', 'csvr', 'none', not str 'nose'"),
        (dict(push_off=-1), ValueError, "run: value '-1' of push_off is negative; accepted: a whole number from 0 to 1000000000"),
        (dict(thermo_every=0), ValueError, "thermo_every is too small"),
        (dict(xyz_every=10**9 + 1), ValueError, "xyz_every is too large"),
        (dict(production=999), ValueError, "production is too small; accepted: a whole number from 1000"),
        (dict(temperature=-3), ValueError, "run: value '-3.0' of temperature is out of range; accepted: a temperature in K above 0 and at most 10000"),
        (dict(density=float("nan")), ValueError, "of density is out of range"),
        (dict(time_step=0.2), ValueError, "run: value '0.2' of time_step is out of range; accepted: a time step in ps"),
        (dict(threads=65), ValueError, "threads is too large; accepted: a whole number from 1 to 64"),
        (dict(cutoff=6), ValueError, "run: value '6' of cutoff is beyond half the box; accepted: at most 5.1145 sigma"),
        (dict(tau=0.5), ValueError, 'run: tau is csvr\'s relaxation time: give it with thermostat="csvr"'),
        (dict(continue_run=True, temperature=100), ValueError, "run: temperature cannot be given with continue_run"),
        (dict(steps=5), TypeError, "unexpected keyword argument 'steps'"),
    ],
)
def test_option_errors(tmp_path, options, error, message):
    with pytest.raises(error) as caught:
        pelzak.run(tmp_path, **options)
    assert message in str(caught.value)
    assert os.listdir(tmp_path) == []


def test_numpy_integers_are_counts(tmp_path):
    pelzak.initial(tmp_path)
    result = pelzak.run(
        tmp_path, push_off=np.int64(500), equilibration=np.uint16(0), production=np.int16(1000), thermo_every=np.int32(100)
    )
    assert len(result.thermo) == 6 + 11  # every 100th step and each phase's first


def test_a_program_without_standard_input_and_output(tmp_path):
    # The pipes to the generator's child then get descriptors 0 and 1 first; it must still sort them out.
    code = "import os, sys, pelzak\nos.close(0)\nos.close(1)\npelzak.initial()\nsys.stderr.write(pelzak.run(push_off=500, equilibration=0, production=1000).summary)\n"
    p = run_python(code, tmp_path)
    assert p.returncode == 0 and p.stderr.startswith("state: 864 atoms"), p.stderr

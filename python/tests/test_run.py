"""pelzak.run is pelzak_md's job: the same files to the byte, arrays that hold exactly what the
files say, and figures that are the summary's numbers unrounded. pelzak.initial is pelzak_initial."""
import csv
import dataclasses
import functools
import inspect
import operator
import os
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
    assert result.msd["t_ps"][-1] == production / 200 and result.vacf["vacf"][0] == 1.0


def printed_figures(summary):
    """The numbers of pelzak_md's summary, as text, by the name of the figure they round."""
    number = r"(-?[0-9.]+|nan)"
    patterns = {
        ("mean_temperature", "mean_potential_per_atom"): rf"mean temperature {number} K \(on-step velocities [0-9.]+ K\), mean potential energy {number}",
        ("rdf_peak_g", "rdf_peak_r_sigma"): rf"g\(r\) over the whole production \([0-9]+ samples\): first peak {number} at r/sigma = {number}",
        ("diffusion_einstein", "diffusion_einstein_error"): rf"D = {number}(?: \+- {number})? e-5 cm\^2/s \(Einstein[;)]",
        ("diffusion_green_kubo", "diffusion_green_kubo_error"): rf"D = {number}(?: \+- {number})? e-5 cm\^2/s \(Green-Kubo[;)]",
        ("vacf_zero", "vacf_minimum", "vacf_minimum_time"): rf"VACF: first zero at {number} ps, minimum {number} at {number} ps",
        ("alpha2_peak", "alpha2_peak_time"): rf"alpha2: peak {number} at {number} ps",
        ("spectrum_peak_frequency",): rf"spectrum: main peak at {number} THz",
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
        assert f"{getattr(figures, name):.{decimals}f}" == text, name
    errors = [figures.diffusion_einstein_error, figures.diffusion_green_kubo_error]
    if which == "runs":
        assert all(0.0 < e < 0.2 for e in errors)
    else:
        # Too short for two blocks: no error, and the line says what would give one.
        assert all(np.isnan(e) for e in errors) and "(Einstein; too short for an error, which needs" in stdout


def test_the_figures_follow_from_the_curves(runs):
    """Each figure is the number the analysis derived from the curves the files hold."""
    result, _, _, _ = runs
    f = result.figures
    assert isinstance(f, pelzak.RunFigures) and all(type(v) is float for v in dataclasses.astuple(f))
    # g(r): the highest bin of the whole production's curve, close to that of "rdf_argon.dat" (its
    # first 1000 steps), in the same bin or the next.
    peak = int(np.argmax(result.g))
    assert abs(f.rdf_peak_g - result.g[peak]) < 0.1 and abs(f.rdf_peak_r_sigma - result.r_sigma[peak]) < 0.03
    # Einstein: D is a sixth of the slope of the line fitted to the MSD over its window.
    assert f.diffusion_einstein == f.msd_fit_slope / 6 * 1000
    assert (f.msd_fit_start, f.msd_fit_end) == pytest.approx((2.0, 10.0), abs=1e-6)
    t, msd = result.msd["t_ps"], result.msd["msd_nm2"]
    window = (t > f.msd_fit_start - 0.01) & (t < f.msd_fit_end + 0.01)
    assert window.sum() == 81
    # The file's times are rounded to 7 digits; the fit used the frame times themselves.
    slope, intercept = np.polyfit(np.linspace(f.msd_fit_start, f.msd_fit_end, 81), msd[window], 1)
    assert slope == pytest.approx(f.msd_fit_slope, rel=1e-9) and intercept == pytest.approx(f.msd_fit_intercept, abs=1e-9)
    # Green-Kubo: a third of the VACF's integral, which needs <v^2> (not in the file) to check;
    # the two ways agree within their errors, as they must for one motion.
    assert abs(f.diffusion_einstein - f.diffusion_green_kubo) < 3 * (f.diffusion_einstein_error + f.diffusion_green_kubo_error)
    # VACF: the zero lies between the samples around the sign change, the minimum at its lowest sample.
    tv, c = result.vacf["t_ps"], result.vacf["vacf"]
    cross = int(np.argmax(c < 0))
    assert tv[cross - 1] < f.vacf_zero < tv[cross]
    lowest = int(np.argmin(c[: 2 * cross]))
    assert abs(f.vacf_minimum_time - tv[lowest]) < 0.04 and c[lowest] - 0.01 < f.vacf_minimum <= c[lowest]
    # alpha2 and the spectrum: the peaks' vertices lie near the highest samples.
    top = int(np.argmax(result.msd["alpha2"]))
    assert abs(f.alpha2_peak_time - t[top]) < 1.0 and abs(f.alpha2_peak - result.msd["alpha2"][top]) < 0.01
    nu, dos = result.spectrum["nu_THz"], result.spectrum["dos_per_THz"]
    top = int(np.argmax(dos[1:])) + 1
    assert abs(f.spectrum_peak_frequency - nu[top]) < 0.01 and dos[top] <= f.spectrum_peak_density < dos[top] + 0.01


def test_the_means_are_the_logs_means_to_the_bit(short_runs):
    """With a log row every step, the means are the production rows summed in order and divided
    by the step count, exactly: the figures are the job's own doubles, not the summary's text."""
    result, _, _, _ = short_runs
    rows = result.thermo[result.thermo["phase"] == "production"]
    assert len(rows) == SHORT["production"]
    in_order = functools.partial(functools.reduce, operator.add)
    steps = float(SHORT["production"])
    m = pelzak.model
    assert result.figures.mean_temperature == in_order(rows["temperature_K"].tolist()) / steps
    assert result.figures.mean_potential_per_atom == in_order(rows["potential_J"].tolist()) / steps / (m.atoms * m.epsilon)


def test_every_option_of_pelzak_md_is_a_keyword_with_its_default():
    """Read from pelzak_md --help: each option a keyword of run, with the program's default (quiet
    aside: run is quiet unless asked, as a library call should be)."""
    help_text = subprocess.run([os.environ["PELZAK_MD"], "--help"], capture_output=True, text=True, check=True).stdout
    options = re.findall(r"^  -\w, --([a-z-]+)( N)?\s+.*?(?:\(default (\d+))?", help_text, re.M)
    parameters = inspect.signature(pelzak.run).parameters
    seen = []
    for name, takes_number, _ in options:
        if name in ("help", "version", "output-dir"):  # pelzak.run's folder is the output folder
            continue
        keyword = name.replace("-", "_")
        seen.append(keyword)
        assert keyword in parameters, name
        assert parameters[keyword].kind == inspect.Parameter.KEYWORD_ONLY
    defaults = {name: value for name, value in re.findall(r"--([a-z-]+) N\s+.*?\(default (\d+)", help_text)
                if name.replace("-", "_") in seen}
    assert len(defaults) == 5
    for name, value in defaults.items():
        assert parameters[name.replace("-", "_")].default == int(value), name
    assert sorted(seen) == sorted(p for p in parameters if p != "folder")
    assert parameters["quiet"].default is True


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


def test_the_gil_is_released_while_the_job_runs(tmp_path):
    """Another Python thread runs while the job's child process exists. A run that held the GIL
    from the fork to the end of the child would never let it see the child."""
    pelzak.initial(tmp_path)
    seen = []
    done = threading.Event()

    def watch():
        while not done.is_set() and not seen:
            seen.extend(child_processes())

    watcher = threading.Thread(target=watch)
    watcher.start()
    try:
        pelzak.run(tmp_path, equilibration=5000, production=1000, thermo_every=1000)
    finally:
        done.set()
        watcher.join()
    assert seen


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


@pytest.mark.parametrize(
    "options,error",
    [
        (dict(push_off=1.5), TypeError),
        (dict(push_off="100"), TypeError),
        (dict(equilibration=True), TypeError),
        (dict(quiet=1), TypeError),
        (dict(push_off=-1), ValueError),
        (dict(thermo_every=0), ValueError),
        (dict(xyz_every=10**9 + 1), ValueError),
        (dict(steps=5), TypeError),
        (dict(production=999), ValueError),
    ],
)
def test_option_errors(tmp_path, options, error):
    with pytest.raises(error):
        pelzak.run(tmp_path, **options)
    assert os.listdir(tmp_path) == []


def test_numpy_integers_are_counts(tmp_path):
    pelzak.initial(tmp_path)
    result = pelzak.run(
        tmp_path, push_off=np.int64(500), equilibration=np.uint16(0), production=np.int16(1000), thermo_every=np.int32(100)
    )
    assert len(result.thermo) == 6 + 11  # every 100th step and each phase's first


def test_a_program_without_standard_input_and_output(tmp_path):
    # The pipes to the child then get descriptors 0 and 1 first; the child must still sort them out.
    code = "import os, sys, pelzak\nos.close(0)\nos.close(1)\npelzak.initial()\nsys.stderr.write(pelzak.run(push_off=500, equilibration=0, production=1000).summary)\n"
    p = run_python(code, tmp_path)
    assert p.returncode == 0 and p.stderr.startswith("state: 864 atoms"), p.stderr

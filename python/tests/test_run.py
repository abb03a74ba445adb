"""pelzak.run is pelzak_md's job: the same files to the byte, and arrays that hold exactly what
the files say. pelzak.initial is pelzak_initial."""
import csv
import os
import subprocess
import threading

import numpy as np
import pytest

import pelzak
from conftest import child_processes, run_python, same_bits

OPTIONS = dict(push_off=300, equilibration=200, production=1000, thermo_every=7, xyz_every=400)
CLI = ["--push-off", "300", "--equilibration", "200", "--production", "1000", "--thermo-every", "7", "--xyz-every", "400", "--quiet"]
FILES = ["rdf_argon.dat", "thermo_argon.csv", "rdf_argon.svg", "traj_argon.xyz"]


@pytest.fixture(scope="module")
def runs(tmp_path_factory):
    """The same job run twice: by pelzak.run and by the program pelzak_md."""
    binding = tmp_path_factory.mktemp("binding")
    program = tmp_path_factory.mktemp("program")
    pelzak.initial(binding)
    subprocess.run([os.environ["PELZAK_INITIAL"]], cwd=program, check=True)
    result = pelzak.run(binding, **OPTIONS)
    cli = subprocess.run([os.environ["PELZAK_MD"], *CLI], cwd=program, capture_output=True, text=True, check=True)
    return result, binding, program, cli.stdout


def test_initial_writes_the_generators_start(runs):
    _, binding, program, _ = runs
    assert (binding / "ar_simulation.dat").read_bytes() == (program / "ar_simulation.dat").read_bytes()


def test_run_writes_the_files_pelzak_md_writes(runs):
    result, binding, program, stdout = runs
    for name in FILES:
        assert (binding / name).read_bytes() == (program / name).read_bytes(), name
    assert sorted(os.listdir(binding)) == sorted(os.listdir(program))
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
    assert len(thermo) == len(rows) == 42 + 28 + 142  # every 7th step of 300, 200 and 1000
    assert list(thermo["phase"]) == [row["phase"] for row in rows]
    assert list(thermo["step"]) == [int(row["step"]) for row in rows]
    for name in thermo.dtype.names[2:]:
        assert same_bits(thermo[name], [float(row[name]) for row in rows]), name
    production = thermo[thermo["phase"] == "production"]
    assert production["step"][0] == 7 and abs(production["temperature_K"].mean() - 94.4) < 1.0


def test_a_log_without_rows_and_no_trajectory(tmp_path):
    pelzak.initial(tmp_path)
    result = pelzak.run(tmp_path, push_off=500, equilibration=0, thermo_every=10**9)
    assert result.thermo.shape == (0,) and result.thermo.dtype.names[0] == "phase"
    assert not (tmp_path / "traj_argon.xyz").exists()


def test_progress_goes_to_sys_stderr_when_not_quiet(tmp_path, capsys):
    pelzak.initial(tmp_path)
    result = pelzak.run(tmp_path, push_off=500, equilibration=0, production=1000, quiet=False)
    err = capsys.readouterr().err
    assert "push-off step 250/500: T = " in err and "production step 1000/1000" in err
    assert result.summary.startswith("production: mean temperature 94.")


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
        pelzak.run(tmp_path, equilibration=20000, thermo_every=1000)
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
    assert len(result.thermo) == 5 + 10


def test_a_program_without_standard_input_and_output(tmp_path):
    # The pipes to the child then get descriptors 0 and 1 first; the child must still sort them out.
    code = "import os, sys, pelzak\nos.close(0)\nos.close(1)\npelzak.initial()\nsys.stderr.write(pelzak.run(push_off=500, equilibration=0).summary)\n"
    p = run_python(code, tmp_path)
    assert p.returncode == 0 and p.stderr.startswith("production: mean temperature"), p.stderr

"""Failures become Python exceptions carrying the library's, the driver's or the generator's own
message; the interpreter never ends. The library ends its process on a file it cannot read or
write, so every case here is one that would otherwise have taken Python down."""
import os
import resource
import signal
import subprocess
import sys
import tempfile
import threading

import numpy as np
import pytest

import pelzak
from conftest import child_processes, lattice_start, run_python, write_start

TESTS_DIR = os.path.dirname(os.path.abspath(__file__))
NOBODY = 65534


def can_drop_to_nobody():
    if os.geteuid() != 0:
        return True
    try:
        return subprocess.run([sys.executable, "-c", "pass"], user=NOBODY, group=NOBODY, extra_groups=[]).returncode == 0
    except (OSError, subprocess.SubprocessError):
        return False


def unprivileged():
    """Arguments for subprocess.run that make permissions apply even to root."""
    return dict(user=NOBODY, group=NOBODY, extra_groups=[]) if os.geteuid() == 0 else {}


@pytest.fixture
def protected_folder():
    """A folder the test can read but not write (0555, and root's children run as nobody)."""
    folder = tempfile.mkdtemp(prefix="pelzak-protected-")
    os.chmod(folder, 0o755)
    yield folder
    os.chmod(folder, 0o755)
    for name in os.listdir(folder):
        os.unlink(os.path.join(folder, name))
    os.rmdir(folder)


def limited_file_size(limit):
    """Files of this process and its children may grow only to `limit` bytes: the write that
    crosses it fails with EFBIG (Python ignores SIGXFSZ), as a disk filling up would."""
    soft, hard = resource.getrlimit(resource.RLIMIT_FSIZE)

    class Limit:
        def __enter__(self):
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, hard))

        def __exit__(self, *exc):
            resource.setrlimit(resource.RLIMIT_FSIZE, (soft, hard))

    return Limit()


# ---- read_file -------------------------------------------------------------------------------


def corrupt(path, line, columns, text):
    lines = path.read_text().splitlines(keepends=True)
    first, last = columns
    lines[line - 1] = lines[line - 1][: first - 1] + text.rjust(last - first + 1) + lines[line - 1][last:]
    path.write_text("".join(lines))


def test_read_file_raises_for_a_missing_file_and_creates_none(tmp_path):
    missing = tmp_path / "start.dat"
    with pytest.raises(FileNotFoundError) as e:
        pelzak.read_file(missing)
    assert str(e.value) == f'[Errno 2] "{missing}": cannot open: No such file or directory'
    assert not missing.exists()


def test_read_file_raises_value_error_with_the_readers_diagnostic(tmp_path):
    start = tmp_path / "start.dat"
    start.write_text("")
    with pytest.raises(ValueError) as e:
        pelzak.read_file(str(start))
    assert str(e.value) == (
        f'"{start}", line 1: end of file: the file has 0 lines, a configuration needs 866 '
        "(2 header lines and 864 atom records); run pelzak_initial to write one"
    )
    write_start(start, *lattice_start(0))
    corrupt(start, 7, (29, 36), "12a.4")
    with pytest.raises(ValueError, match=r'", line 7: bad value "12a.4" in the y position field \(columns 29-36\)$'):
        pelzak.read_file(start)
    write_start(start, *lattice_start(0))
    corrupt(start, 9, (61, 68), "1.0E9999")
    with pytest.raises(ValueError, match=r'line 9: value out of range "1.0E9999" in the z velocity field'):
        pelzak.read_file(os.fsencode(start))
    write_start(start, *lattice_start(0))
    start.write_bytes(start.read_bytes()[:5000])
    with pytest.raises(ValueError, match=r"line 75: end of file: the file has 74 lines"):
        pelzak.read_file(start)


def test_read_file_raises_os_errors_for_what_cannot_be_read(tmp_path):
    with pytest.raises(IsADirectoryError, match=r'", line 1: cannot read: Is a directory'):
        pelzak.read_file(tmp_path)
    with pytest.raises(ValueError, match="null byte"):
        pelzak.read_file("ar_simulation\0.dat")


@pytest.mark.skipif(not can_drop_to_nobody(), reason="cannot drop root privileges here")
def test_read_file_raises_permission_error_for_an_unreadable_file(protected_folder):
    start = os.path.join(protected_folder, "ar_simulation.dat")
    write_start(start, *lattice_start(0))
    os.chmod(start, 0o200)
    code = "import pelzak\ntry:\n    pelzak.read_file()\nexcept PermissionError as e:\n    print(e)\n"
    p = run_python(code, protected_folder, **unprivileged())
    assert p.returncode == 0, p.stderr
    assert p.stdout == '[Errno 13] "ar_simulation.dat": cannot open: Permission denied\n'


# ---- radial_dist: in fresh interpreters, as the library's g(r) file belongs to the process ------

PRELUDE = """
import os, resource, sys
import numpy as np
import pelzak
r = np.random.default_rng(1).uniform(0.0, 3.4, (864, 3))
h = np.arange(200.0)
def attempt(step):
    try:
        pelzak.radial_dist(step, r, h)
        print(step, "ok")
    except (OSError, ValueError) as e:
        print(step, type(e).__name__ + ":", e)
"""


def test_radial_dist_raises_when_rdf_argon_dat_cannot_be_opened(tmp_path):
    (tmp_path / "rdf_argon.dat").mkdir()
    p = run_python(PRELUDE + "attempt(1)\nattempt(1000)\nassert (h == np.arange(200.0)).all()\n", tmp_path)
    assert p.returncode == 0, p.stderr
    error = 'IsADirectoryError: [Errno 21] "rdf_argon.dat": cannot open for writing: Is a directory'
    assert p.stdout.splitlines() == ["1 " + error, "1000 " + error]


@pytest.mark.skipif(not can_drop_to_nobody(), reason="cannot drop root privileges here")
def test_radial_dist_raises_in_a_write_protected_folder(protected_folder):
    p = run_python(PRELUDE + "attempt(1)\n", protected_folder, **unprivileged())
    assert p.returncode == 0, p.stderr
    assert p.stdout == '1 PermissionError: [Errno 13] "rdf_argon.dat": cannot open for writing: Permission denied\n'
    assert os.listdir(protected_folder) == []


def test_radial_dist_raises_when_g_r_cannot_be_written(tmp_path):
    os.symlink("/dev/full", tmp_path / "rdf_argon.dat")
    p = run_python(PRELUDE + "for step in (1, 1000, 1000, 1, 21, 1000):\n    attempt(step)\n", tmp_path)
    assert p.returncode == 0, p.stderr
    full = 'OSError: "rdf_argon.dat": cannot write g(r): No space left on device'
    assert p.stdout.splitlines() == ["1 ok", "1000 " + full, "1000 " + full, "1 ok", "21 ok", "1000 " + full]


def test_a_table_cut_short_is_removed_and_the_file_stays_usable(tmp_path):
    code = PRELUDE + """
attempt(1); attempt(1000)
first = open("rdf_argon.dat", "rb").read()
soft, hard = resource.getrlimit(resource.RLIMIT_FSIZE)
resource.setrlimit(resource.RLIMIT_FSIZE, (len(first) + 100, hard))
attempt(1000)  # the second table would cross the limit
print(open("rdf_argon.dat", "rb").read() == first)
resource.setrlimit(resource.RLIMIT_FSIZE, (soft, hard))
attempt(1000)  # the same table again, now whole, right after the first
print(open("rdf_argon.dat", "rb").read() == first + first)
attempt(1)
print(os.path.getsize("rdf_argon.dat"))
"""
    p = run_python(code, tmp_path)
    assert p.returncode == 0, p.stderr
    assert p.stdout.splitlines() == [
        "1 ok",
        "1000 ok",
        '1000 OSError: "rdf_argon.dat": cannot write g(r): File too large',
        "True",
        "1000 ok",
        "True",
        "1 ok",
        "0",
    ]


def test_step_1000_without_step_1_writes_the_histogram_as_given_like_the_c_library(tmp_path):
    (tmp_path / "binding").mkdir()
    (tmp_path / "c").mkdir()
    code = PRELUDE + f"""
sys.path.insert(0, {TESTS_DIR!r})
from conftest import CLibrary
c = CLibrary(os.environ["PELZAK_AUX_CTYPES"])
os.chdir("binding")
attempt(1000)
attempt(1000)  # a second table is appended
os.chdir("../c")
hc = np.arange(200.0)
c.radial_dist(1000, r, hc)
c.radial_dist(1000, r, hc)
print((h == np.arange(200.0)).all(), (hc == h).all())
"""
    p = run_python(code, tmp_path)
    assert p.returncode == 0, p.stderr
    assert p.stdout.splitlines() == ["1000 ok", "1000 ok", "True True"]
    written = (tmp_path / "binding" / "rdf_argon.dat").read_bytes()
    assert written == (tmp_path / "c" / "rdf_argon.dat").read_bytes()
    assert len(written.splitlines()) == 400


# ---- run and initial -------------------------------------------------------------------------


def run_error(folder, **options):
    with pytest.raises(pelzak.RunError) as e:
        pelzak.run(folder, **options)
    return e.value


def test_run_without_a_start_raises_the_drivers_message(tmp_path):
    e = run_error(tmp_path)
    assert e.status == 1 and e.folder == str(tmp_path)
    assert str(e) == ('pelzak_md: no "ar_simulation.dat" in the working directory: run pelzak_initial first, '
                      'or give a start with --start FILE')
    assert os.listdir(tmp_path) == []


def test_run_on_a_corrupt_start_raises_the_librarys_message(tmp_path):
    start = pelzak.initial(tmp_path)
    pelzak.run(tmp_path, push_off=500, equilibration=0, production=1000)
    results = {name: (tmp_path / name).read_bytes() for name in os.listdir(tmp_path)}
    corrupt(tmp_path / "ar_simulation.dat", 7, (29, 36), "12a.4")
    e = run_error(tmp_path)
    assert e.status == 2
    assert str(e) == 'pelzak_aux: "ar_simulation.dat", line 7: bad value "12a.4" in the y position field (columns 29-36)'
    with open(start, "w"):
        pass
    e = run_error(tmp_path, quiet=False)
    assert e.status == 2 and str(e).startswith('pelzak_aux: "ar_simulation.dat", line 1: end of file')
    # The earlier run's results are as they were.
    del results["ar_simulation.dat"]
    assert {name: (tmp_path / name).read_bytes() for name in results} == results
    assert sorted(os.listdir(tmp_path)) == sorted([*results, "ar_simulation.dat"])


def test_run_raises_when_results_cannot_be_written(tmp_path):
    pelzak.initial(tmp_path)
    (tmp_path / "thermo_argon.csv").mkdir()
    e = run_error(tmp_path)
    assert e.status == 1
    assert str(e) == 'pelzak_md: "thermo_argon.csv" is a directory: move it away so the result can be written'
    (tmp_path / "thermo_argon.csv").rmdir()
    with limited_file_size(100_000):  # the log of 3000 steps is about 0.5 MB
        e = run_error(tmp_path)
    assert e.status == 1 and "thermo_argon.csv" in str(e) and "File too large" in str(e)
    assert sorted(os.listdir(tmp_path)) == ["ar_simulation.dat"]


def test_run_raises_when_the_results_do_not_fit_the_disk(tmp_path):
    pelzak.initial(tmp_path)
    with limited_file_size(5000):
        e = run_error(tmp_path, thermo_every=10**9)
    assert e.status == 1
    assert str(e).startswith('pelzak_md: cannot write "') and str(e).endswith('": File too large')
    assert sorted(os.listdir(tmp_path)) == ["ar_simulation.dat"]


@pytest.mark.skipif(not can_drop_to_nobody(), reason="cannot drop root privileges here")
def test_run_in_a_write_protected_folder(protected_folder):
    pelzak.initial(protected_folder)
    code = "import pelzak\ntry:\n    pelzak.run()\nexcept pelzak.RunError as e:\n    print(e.status, e)\n"
    p = run_python(code, protected_folder, **unprivileged())
    assert p.returncode == 0, p.stderr
    assert p.stdout == "1 pelzak_md: cannot create files in the working directory: Permission denied\n"


def test_a_run_that_blows_up_raises_with_status_3(tmp_path):
    r, v = lattice_start(0)
    r[1] = r[0]
    write_start(tmp_path / "ar_simulation.dat", r, v)
    e = run_error(tmp_path, push_off=0)
    assert e.status == 3 and "the run blew up in equilibration step 1" in str(e)


def test_bad_folders(tmp_path):
    # A missing folder is made, as pelzak_md --output-dir makes one; the library's liquid then
    # lacks its start.
    with pytest.raises(pelzak.RunError, match='no "ar_simulation.dat"'):
        pelzak.run(tmp_path / "missing")
    assert os.listdir(tmp_path / "missing") == []
    (tmp_path / "file").write_text("")
    with pytest.raises(NotADirectoryError):
        pelzak.run(tmp_path / "file")
    with pytest.raises(NotADirectoryError):
        pelzak.initial(tmp_path / "file")
    with pytest.raises(TypeError):
        pelzak.run(3.5)


def test_initial_raises_the_generators_message(tmp_path):
    (tmp_path / "ar_simulation.dat").mkdir()
    with pytest.raises(pelzak.RunError) as e:
        pelzak.initial(tmp_path)
    assert e.value.status == 1 and str(e.value).startswith('pelzak_initial: cannot ')
    assert "ar_simulation.dat" in str(e.value)


def test_ctrl_c_stops_the_job_and_raises_keyboard_interrupt(tmp_path):
    pelzak.initial(tmp_path)
    # Python's own Ctrl-C handler, set here: a process started in the background by a
    # non-interactive shell inherits SIGINT ignored, and Python then leaves it ignored.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
        timer.start()
        with pytest.raises(KeyboardInterrupt):
            pelzak.run(tmp_path, equilibration=200000, thermo_every=1000)  # a minute, if nothing stopped it
        timer.join()
        # The interpreter goes on as before, with its own handler.
        assert signal.getsignal(signal.SIGINT) is signal.default_int_handler
    finally:
        signal.signal(signal.SIGINT, previous)
    assert child_processes() == []
    # No file of the folder changed.
    assert sorted(os.listdir(tmp_path)) == ["ar_simulation.dat"]
    assert pelzak.initial(tmp_path).endswith("ar_simulation.dat")


class Stop(Exception):
    pass


def test_the_programs_own_signal_handler_stops_the_job_and_stays(tmp_path):
    """As a notebook's kernel handles its interrupts: the handler in place runs during the job, its
    exception stops the job, and it is still the handler afterwards."""
    pelzak.initial(tmp_path)

    def handler(number, frame):
        raise Stop(number)

    previous = signal.signal(signal.SIGUSR1, handler)
    try:
        timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGUSR1))
        timer.start()
        with pytest.raises(Stop):
            pelzak.run(tmp_path, equilibration=200000, thermo_every=1000, quiet=False)
        timer.join()
        assert signal.getsignal(signal.SIGUSR1) is handler
    finally:
        signal.signal(signal.SIGUSR1, previous)
    assert sorted(os.listdir(tmp_path)) == ["ar_simulation.dat"]

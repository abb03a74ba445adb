"""The example script runs the job and draws its figure."""
import os
import subprocess
import sys

EXAMPLE = os.path.join(os.environ["PELZAK_SOURCE_DIR"], "examples", "python", "argon_run.py")


def test_the_example_draws_its_figure(tmp_path):
    folder = tmp_path / "argon"
    p = subprocess.run(
        [sys.executable, EXAMPLE, str(folder), "--push-off", "500", "--equilibration", "100", "--production", "1000"],
        capture_output=True,
        text=True,
        timeout=300,
    )
    assert p.returncode == 0, p.stderr
    assert p.stdout.startswith("state: 864 atoms") and p.stdout.endswith(f"wrote {folder}/argon.png\n")
    picture = (folder / "argon.png").read_bytes()
    assert picture.startswith(b"\x89PNG\r\n\x1a\n") and len(picture) > 20000
    for name in ("ar_simulation.dat", "rdf_argon.dat", "msd_argon.csv", "vacf_argon.csv", "spectrum_argon.csv"):
        assert (folder / name).exists(), name
    assert "D = " in p.stdout and "(Green-Kubo" in p.stdout

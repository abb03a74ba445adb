"""The example scripts run the job and draw their figures."""
import json
import os
import subprocess
import sys

import pytest

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


def test_the_isotherm_example_runs_quickly(tmp_path):
    example = os.path.join(os.path.dirname(EXAMPLE), "isotherm.py")
    p = subprocess.run([sys.executable, example, str(tmp_path), "--quick"], capture_output=True, text=True, timeout=300)
    assert p.returncode == 0, p.stderr
    lines = p.stdout.splitlines()
    assert [line.split()[0] for line in lines[1:6]] == ["1.20", "1.25", "1.30", "1.35", "1.40"]
    assert lines[-1] == f"wrote {tmp_path}/isotherm.png" and (tmp_path / "isotherm.png").read_bytes().startswith(b"\x89PNG")
    for density in ("1.20", "1.40"):
        figures = json.loads((tmp_path / density / "summary_argon.json").read_text())
        assert (figures["thermostat"], figures["temperature_K"]) == ("csvr", 94.4)
        assert figures["density_g_per_cm3"] == pytest.approx(float(density), rel=1e-12)

"""Every result of the binding is the C library's, bit for bit: the same routines called through
ctypes on column-major buffers, with none of the binding's conversions in between."""
import numpy as np
import pytest

import pelzak
from conftest import ATOMS, BINS, float_bits, lattice_start, same_bits, write_start


def configurations():
    """Positions that exercise every path of the pair loops: a crystal, a dense random box,
    the generator's overlapping start, coordinates far outside the box, huge ones, infinities and
    NaN (which take the exact fallback loops), and two atoms at one place."""
    rng = np.random.default_rng(14)
    crystal, _ = lattice_start(1)
    yield "crystal", crystal
    yield "random", rng.uniform(0.0, pelzak.model.box, (ATOMS, 3))
    yield "drifted", rng.uniform(-1e3, 1e3, (ATOMS, 3))
    huge = rng.uniform(0.0, pelzak.model.box, (ATOMS, 3))
    huge[5] = [3e7, -2e9, 1e300]
    yield "huge", huge
    special = crystal.copy()
    special[7, 0] = np.inf
    special[8, 1] = np.nan
    special[9] = special[10]
    yield "special", special


@pytest.fixture
def generated_start(tmp_path, monkeypatch):
    pelzak.initial(tmp_path)
    monkeypatch.chdir(tmp_path)
    return tmp_path


def test_read_file_gives_the_c_readers_arrays(generated_start, c_library):
    r, v = pelzak.read_file()
    cr, cv = c_library.read_file()
    assert same_bits(r, cr) and same_bits(v, cv)
    assert r.shape == (ATOMS, 3) and r[0, 0] == 1.162 and v[0, 2] == 0.1138


def test_read_file_reads_every_field_form_like_the_c_reader(tmp_path, monkeypatch, c_library):
    r, v = lattice_start(3)
    write_start(tmp_path / "ar_simulation.dat", r, v)
    lines = (tmp_path / "ar_simulation.dat").read_text().splitlines()
    # Implied decimals, exponents with E and D, a minus zero, blanks inside a field, CR LF.
    fields = ["    1234", "  1.5E-1", "  0.0001", " -0.0000", "  -.5d+1", " 2 . 5 0"]
    lines[2] = "    1   Ar   Ar    1" + "".join(fields) + " ignored\r"
    lines[3] = lines[3][:44]  # cut after the z position: zero velocities
    (tmp_path / "ar_simulation.dat").write_text("\n".join(lines) + "\nextra line\n")
    monkeypatch.chdir(tmp_path)
    r, v = pelzak.read_file()
    cr, cv = c_library.read_file()
    assert same_bits(r, cr) and same_bits(v, cv)
    assert list(r[0]) == [1.234, 0.15, 0.0001] and list(v[0]) == [0.0, -5.0, 2.5]
    assert float_bits(v[0, 0]) == float_bits(-0.0)
    assert not v[1].any()


@pytest.mark.parametrize("energy", [0.0, 1.5, -0.0, -7e-3, np.nan])
def test_force_atoms_gives_the_c_forces_and_energy(c_library, energy):
    for name, positions in configurations():
        forces, e = pelzak.force_atoms(positions, energy)
        c_forces, c_e = c_library.force_atoms(positions, energy)
        assert same_bits(forces, c_forces), name
        assert float_bits(e) == float_bits(c_e), name


def test_force_atoms_on_the_generated_start(generated_start, c_library):
    positions, _ = pelzak.read_file()
    forces, e = pelzak.force_atoms(positions)
    c_forces, c_e = c_library.force_atoms(positions)
    assert same_bits(forces, c_forces) and float_bits(e) == float_bits(c_e)
    assert e == 0.0004644727253671468  # the first potential energy of pelzak_md's log


def test_leapfrog_gives_the_c_step(c_library):
    rng = np.random.default_rng(5)
    cases = [
        ("random", rng.uniform(0, 3.5, (ATOMS, 3)), rng.normal(0, 0.2, (ATOMS, 3)), rng.normal(0, 50, (ATOMS, 3))),
        ("no motion", rng.uniform(0, 3.5, (ATOMS, 3)), np.zeros((ATOMS, 3)), np.zeros((ATOMS, 3))),
        ("infinite drive", np.zeros((ATOMS, 3)), np.ones((ATOMS, 3)), np.full((ATOMS, 3), np.inf)),
    ]
    for name, r0, v0, a in cases:
        r, v = r0.copy(), v0.copy()
        kinetic, temperature = pelzak.leapfrog(r, v, a)
        cr, cv, (c_kinetic, c_temperature) = c_library.leapfrog(r0, v0, a)
        assert same_bits(r, cr) and same_bits(v, cv), name
        assert float_bits(kinetic) == float_bits(c_kinetic), name
        assert float_bits(temperature) == float_bits(c_temperature), name


def test_a_thousand_steps_and_g_r_match_the_c_library(tmp_path, monkeypatch, c_library):
    """A small driver, once over the binding and once over the C library: forces, steps,
    histograms at every sample and the bytes of "rdf_argon.dat". The only test in this process
    that opens the g(r) file, which each library keeps open until the process ends."""
    (tmp_path / "binding").mkdir()
    (tmp_path / "c").mkdir()
    r, v = lattice_start(2)
    cr, cv = np.asfortranarray(r), np.asfortranarray(v)
    hist = np.zeros(BINS)
    c_hist = np.zeros(BINS)
    for step in range(1, 1001):
        forces, energy = pelzak.force_atoms(r)
        c_forces, c_energy = c_library.force_atoms(cr)
        assert same_bits(forces, c_forces) and float_bits(energy) == float_bits(c_energy), step
        if step in (1, 2, 21, 500, 981, 1000) or (step - 1) % 20 == 0:
            monkeypatch.chdir(tmp_path / "binding")
            pelzak.radial_dist(step, r, hist)
            monkeypatch.chdir(tmp_path / "c")
            c_library.radial_dist(step, cr, c_hist)
            assert same_bits(hist, c_hist), step
        kinetic, temperature = pelzak.leapfrog(r, v, forces * pelzak.model.accel_per_newton)
        cr, cv, (c_kinetic, c_temperature) = c_library.leapfrog(cr, cv, c_forces * pelzak.model.accel_per_newton)
        assert same_bits(r, cr) and same_bits(v, cv), step
        assert float_bits(temperature) == float_bits(c_temperature), step
    assert 80.0 < temperature < 110.0  # a warm crystal, not a blow-up
    written = (tmp_path / "binding" / "rdf_argon.dat").read_bytes()
    assert written == (tmp_path / "c" / "rdf_argon.dat").read_bytes()
    assert len(written.splitlines()) == BINS

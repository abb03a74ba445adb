"""Arrays in any memory order give the same bits; in-place results reach the caller's own array
whatever its layout; anything else is refused with TypeError or ValueError before the library runs."""
import numpy as np
import pytest

import pelzak
from conftest import ATOMS, BINS, float_bits, lattice_start, same_bits


def layouts(a):
    """The same logical (rows, cols) array in different memory: C order, Fortran order, every other
    row and column of a bigger array, reversed strides, and misaligned doubles in a byte buffer."""
    c = np.array(a, order="C", copy=True)
    f = np.array(a, order="F", copy=True)
    big = np.full((2 * a.shape[0], 2 * a.shape[1] if a.ndim == 2 else 1), -9.0)
    strided = big[::2, ::2] if a.ndim == 2 else big[::2, 0]
    strided[...] = a
    reversed_ = np.empty_like(c)[(slice(None, None, -1),) * a.ndim]
    reversed_[...] = a
    raw = bytearray(a.size * 8 + 1)
    misaligned = np.frombuffer(raw, dtype=np.float64, offset=1).reshape(a.shape)
    misaligned[...] = a
    return {"C": c, "F": f, "strided": strided, "reversed": reversed_, "misaligned": misaligned}


def test_every_layout_gives_the_same_forces():
    r, _ = lattice_start(4, jitter=0.05)
    expected, energy = pelzak.force_atoms(r)
    for name, positions in layouts(r).items():
        forces, e = pelzak.force_atoms(positions)
        assert same_bits(forces, expected), name
        assert float_bits(e) == float_bits(energy), name


def test_leapfrog_updates_the_callers_arrays_in_every_layout():
    r0, v0 = lattice_start(5)
    a = np.random.default_rng(5).normal(0, 40, (ATOMS, 3))
    r_expected, v_expected = r0.copy(), v0.copy()
    expected = pelzak.leapfrog(r_expected, v_expected, a)
    for name in layouts(r0):
        for v_name in layouts(v0):
            r, v = layouts(r0)[name], layouts(v0)[v_name]
            base = r.base if name == "strided" else None
            before = base.copy() if base is not None else None
            result = pelzak.leapfrog(r, v, layouts(a)[v_name])
            assert result == expected, (name, v_name)
            assert same_bits(r, r_expected) and same_bits(v, v_expected), (name, v_name)
            if base is not None:
                # Only the view's elements changed: the rest of the bigger array is as it was.
                untouched = np.ones(base.shape, dtype=bool)
                untouched[::2, ::2] = False
                assert same_bits(base[untouched], before[untouched])


def test_radial_dist_reads_and_updates_a_histogram_in_any_layout():
    # Step 21 samples into the histogram without touching "rdf_argon.dat".
    r, _ = lattice_start(6)
    h0 = np.arange(BINS, dtype=np.float64)
    expected = h0.copy()
    pelzak.radial_dist(21, r, expected)
    added = expected - h0
    assert added.sum() > 0 and not (added % 2).any()  # each pair counts 2.0
    for name, h in layouts(h0).items():
        for r_name, positions in layouts(r).items():
            h[...] = h0
            pelzak.radial_dist(21, positions, h)
            assert same_bits(h, expected), (name, r_name)
    # Steps that neither sample nor open or write anything leave the histogram alone.
    h = h0.copy()
    for step in (2, 20, 999, 1002, -5):
        pelzak.radial_dist(step, r, h)
    assert same_bits(h, h0)


def test_results_are_fresh_c_ordered_arrays():
    r, _ = lattice_start(7)
    forces, energy = pelzak.force_atoms(r)
    assert forces.shape == (ATOMS, 3) and forces.dtype == np.float64
    assert forces.flags.c_contiguous and forces.flags.writeable and forces.flags.owndata
    assert type(energy) is float
    assert not np.shares_memory(forces, r)


def test_views_of_one_array_that_do_not_overlap_are_separate_arguments():
    r, v = lattice_start(8)
    both = np.hstack([r, v])  # one (864, 6) array: positions left, velocities right
    rr, vv = r.copy(), v.copy()
    a = np.zeros((ATOMS, 3))
    expected = pelzak.leapfrog(rr, vv, a)
    assert pelzak.leapfrog(both[:, :3], both[:, 3:], a) == expected
    assert same_bits(both[:, :3], rr) and same_bits(both[:, 3:], vv)


def test_read_only_arrays_are_read_but_never_written():
    r, v = lattice_start(9)
    frozen = r.copy()
    frozen.flags.writeable = False
    assert same_bits(pelzak.force_atoms(frozen)[0], pelzak.force_atoms(r)[0])
    a = np.zeros((ATOMS, 3))
    a.flags.writeable = False
    pelzak.leapfrog(r.copy(), v.copy(), a)
    pelzak.radial_dist(2, frozen, np.zeros(BINS))
    with pytest.raises(ValueError, match="positions is read-only"):
        pelzak.leapfrog(frozen, v.copy(), np.zeros((ATOMS, 3)))
    with pytest.raises(ValueError, match="velocities is read-only"):
        pelzak.leapfrog(r.copy(), np.broadcast_to(0.0, (ATOMS, 3)), np.zeros((ATOMS, 3)))
    histogram = np.zeros(BINS)
    histogram.flags.writeable = False
    with pytest.raises(ValueError, match="histogram is read-only"):
        pelzak.radial_dist(21, r, histogram)


BAD_ARRAYS = [
    ("a list", lambda a: a.tolist(), TypeError, "must be a numpy.ndarray"),
    ("None", lambda a: None, TypeError, "not NoneType"),
    ("float32", lambda a: a.astype(np.float32), TypeError, "float64"),
    ("int64", lambda a: a.astype(np.int64), TypeError, "float64"),
    ("complex", lambda a: a.astype(np.complex128), TypeError, "float64"),
    ("object", lambda a: a.astype(object), TypeError, "float64"),
    ("big-endian", lambda a: a.astype(">f8"), TypeError, "byte order"),
    ("too short", lambda a: a[:-1], ValueError, "shape"),
    ("transposed", lambda a: a.T, ValueError, "shape"),
    ("flat", lambda a: a.ravel(), ValueError, "shape"),
    ("3-d", lambda a: a[..., None], ValueError, "shape"),
    ("0-d", lambda a: np.array(1.0), ValueError, "shape"),
    ("empty", lambda a: np.zeros((0, 3)), ValueError, "shape"),
]


@pytest.mark.parametrize("label,make,error,text", BAD_ARRAYS, ids=[b[0] for b in BAD_ARRAYS])
def test_bad_arrays_are_refused_and_nothing_is_written(label, make, error, text):
    r, v = lattice_start(10)
    a = np.zeros((ATOMS, 3))
    bad = make(r.copy())
    with pytest.raises(error, match=text):
        pelzak.force_atoms(bad)
    for position in range(3):
        args = [r.copy(), v.copy(), a.copy()]
        before = [x.copy() for x in args]
        args[position] = make(args[position])
        with pytest.raises(error, match=text):
            pelzak.leapfrog(*args)
        for k in range(3):
            if k != position:
                assert same_bits(args[k], before[k]), (label, position)
    h = np.arange(BINS, dtype=np.float64)
    with pytest.raises(error, match=text):
        pelzak.radial_dist(21, bad, h)
    assert same_bits(h, np.arange(BINS, dtype=np.float64))
    if error is TypeError:
        with pytest.raises(TypeError, match=text.replace("numpy.ndarray", "numpy.ndarray of float64")):
            pelzak.radial_dist(21, r, make(h))


def test_histogram_shapes():
    r, _ = lattice_start(11)
    for shape in [(BINS - 1,), (BINS + 1,), (BINS, 1), (1, BINS), ()]:
        with pytest.raises(ValueError, match=r"shape \(200,\)"):
            pelzak.radial_dist(21, r, np.zeros(shape))


def test_arrays_written_must_not_share_memory_with_another_argument():
    r, v = lattice_start(12)
    a = np.zeros((ATOMS, 3))
    with pytest.raises(ValueError, match="positions and velocities share memory"):
        pelzak.leapfrog(r, r, a)
    with pytest.raises(ValueError, match="share memory"):
        pelzak.leapfrog(r, v, r[:, :])
    with pytest.raises(ValueError, match="share memory"):
        pelzak.leapfrog(r, v, v.T.T)
    storage = np.zeros(3 * ATOMS + BINS)
    positions = storage[: 3 * ATOMS].reshape(ATOMS, 3)
    positions[...] = r
    with pytest.raises(ValueError, match="histogram and positions share memory"):
        pelzak.radial_dist(21, positions, storage[3 * ATOMS - 1 : 3 * ATOMS - 1 + BINS])
    assert same_bits(positions, r)


def test_scalar_arguments():
    r, _ = lattice_start(13)
    forces, e = pelzak.force_atoms(r, 2)
    assert float_bits(e) == float_bits(pelzak.force_atoms(r, 2.0)[1])
    assert float_bits(pelzak.force_atoms(r, np.float64(2.0))[1]) == float_bits(e)
    assert pelzak.force_atoms(positions=r, energy=0.0)[1] == pelzak.force_atoms(r)[1]
    h = np.zeros(BINS)
    # Short messages naming the argument and what it takes, never the arrays of the call.
    refused = [
        (lambda: pelzak.force_atoms(r, "0"), TypeError, "force_atoms: energy takes a real number (J), not str '0'"),
        (lambda: pelzak.force_atoms(r, energgy=0.0), TypeError, "unexpected keyword argument 'energgy'"),
        (lambda: pelzak.radial_dist(21.0, r, h), TypeError, "radial_dist: step takes a whole number (the step, counted from 1), not float 21.0"),
        (lambda: pelzak.radial_dist("21", r, h), TypeError, "not str '21'"),
        (lambda: pelzak.radial_dist(2**63, r, h), ValueError, "radial_dist: step takes a whole number from -9223372036854775808 to"),
        (lambda: pelzak.read_file(42), TypeError, "read_file: path takes a file name (str, bytes or os.PathLike), not int 42"),
    ]
    for call, error, message in refused:
        with pytest.raises(error) as caught:
            call()
        assert message in str(caught.value) and len(str(caught.value)) < 150
    pelzak.radial_dist(np.int64(21), r, h)
    pelzak.radial_dist(-(2**63), r, h)  # the lowest step: (step - 1) never formed, nothing sampled


def test_model_numbers_are_the_librarys_doubles():
    m = pelzak.model
    assert (m.atoms, m.bins, m.output_step, m.sample_every) == (864, 200, 1000, 20)
    assert m.box == 3.47786 and m.sigma == 0.34 and m.cutoff_sq == 0.585225
    assert m.dt == float(np.float32(0.01)) and m.dt_sq == m.dt * m.dt and m.two_dt == 2 * m.dt
    assert m.four_eps == float(np.float32(6.628e-21)) and m.epsilon == m.four_eps / 4
    assert m.force_factor == 6.0 * m.four_eps * 1e9
    assert m.mass == float(np.float32(6.63352088e-26)) and m.accel_per_newton == 1e-15 / m.mass
    assert m.kinetic_factor == 0.5 * m.mass * 1e6
    assert m.temperature_divisor == 1.5 * m.atoms * m.boltzmann
    assert m.density == m.atoms / (m.box * m.box * m.box) and m.bin_width == m.box / 400
    assert m.target_temperature == 94.4 and m.samples == 50.0
    assert "box" in m.__all__ and all(not name.startswith("_") for name in m.__all__)

"""The model's constants, unit conversions and the numpy estimators shared by the reductions.

Everything here is written from the physics of the Lennard-Jones liquid, with no other MD code:
readers for LAMMPS's text output, block averages, the mean-squared displacement, the pair sums
behind the configurational temperature, and the stress autocorrelation for Green-Kubo.
"""
import numpy as np

# --- model (LAMMPS metal units: A, eV, ps, g/mol, K, bar) ----------------------------------------
sigma = 3.4                        # A
eps = 0.010342180435061079         # eV; 4 eps = 6.6279999350667254e-21 J
mass = 39.947996443314686          # g/mol
dt = 0.01                          # ps
natoms = 864

# --- physical constants ------------------------------------------------------------------------
avogadro = 6.02214076e23           # 1/mol (exact, SI 2019)
kb_si = 1.380649e-23               # J/K (exact, SI 2019)
kb_lammps = 8.617343e-5            # eV/K: LAMMPS's metal-units Boltzmann constant, used by its thermometer
eps_joule = 6.6279999350667254e-21 / 4.0   # J
eps_over_kb = eps_joule / kb_si    # K: 120.016 K, not exactly 120
bar = 1.0e5                        # Pa
angstrom = 1.0e-10                 # m
ps = 1.0e-12                       # s
mass_kg = mass * 1.0e-3 / avogadro
pressure_unit_bar = eps_joule / (sigma * angstrom) ** 3 / bar     # eps/sigma^3 in bar: 421.6
viscosity_unit_mpa_s = np.sqrt(mass_kg * eps_joule) / (sigma * angstrom) ** 2 * 1.0e3  # 0.0907
d_unit_e5 = 10.0                   # 1 A^2/ps = 1e-4 cm^2/s = 10 x 1e-5 cm^2/s


def density_g_cm3(n, box):
    return n * mass / avogadro / (box * 1.0e-8) ** 3


def reduced_density(n, box):
    return n * sigma ** 3 / box ** 3


def tail_energy_per_atom(n, box, rc):
    """Long-range energy correction per atom (eV), g(r) = 1 beyond rc."""
    rho, s3 = n / box ** 3, (sigma / rc) ** 3
    return 8.0 / 3.0 * np.pi * rho * eps * sigma ** 3 * (s3 ** 3 / 3.0 - s3)


def tail_pressure_bar(n, box, rc):
    rho, s3 = n / box ** 3, (sigma / rc) ** 3
    p = 16.0 / 3.0 * np.pi * rho ** 2 * eps * sigma ** 3 * (2.0 / 3.0 * s3 ** 3 - s3)  # eV/A^3
    return p * 1.602176634e-19 / angstrom ** 3 / bar


# --- readers -----------------------------------------------------------------------------------
def read_columns(path):
    """A whitespace table with '#' comments (fix print output)."""
    return np.loadtxt(path, comments="#", ndmin=2)


def read_dump(path):
    """A LAMMPS custom dump sorted by id with a fixed atom count.

    Returns steps (nframes,), box edges (3,) of the first frame and the columns as an array
    (nframes, natoms, ncolumns) including the id column.
    """
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    n = int(lines[3])
    per = n + 9
    nframes = len(lines) // per
    steps = np.array([int(lines[k * per + 1]) for k in range(nframes)])
    box = np.array([float(lines[5 + d].split()[1]) - float(lines[5 + d].split()[0]) for d in range(3)])
    body = b" ".join(b" ".join(lines[k * per + 9:(k + 1) * per]) for k in range(nframes))
    data = np.fromstring(body, sep=" ")
    data = data.reshape(nframes, n, -1)
    assert np.all(data[:, :, 0] == np.arange(1, n + 1)), "dump not sorted by id"
    return steps, box, data


# --- statistics --------------------------------------------------------------------------------
def block_mean(x, nblocks):
    """Means of nblocks equal consecutive blocks of x (leading axis); a remainder is dropped."""
    x = np.asarray(x)
    m = len(x) // nblocks
    return x[: m * nblocks].reshape(nblocks, m, *x.shape[1:]).mean(axis=1)


def mean_err(blocks):
    """Mean of independent block values and its standard error."""
    b = np.asarray(blocks, dtype=float)
    return b.mean(axis=0), b.std(axis=0, ddof=1) / np.sqrt(len(b))


def slope(t, y):
    """Least-squares slope of y(t) (last axis of y)."""
    tm = t - t.mean()
    return (y - y.mean(axis=-1, keepdims=True)) @ tm / (tm @ tm)


# --- dynamics ----------------------------------------------------------------------------------
def msd_blocks(x, origin_every, maxlag, frames_per_block):
    """Sums of the squared displacement per block of time origins.

    x: unwrapped positions (nframes, natoms, 3). Origins every origin_every frames; an origin
    belongs to the block that contains it and is used only if origin + maxlag is in the run.
    Returns (sums[nblocks, maxlag+1] of <dr^2> summed over origins, counts[nblocks]).
    """
    nframes = len(x)
    nblocks = nframes // frames_per_block
    sums = np.zeros((nblocks, maxlag + 1))
    counts = np.zeros(nblocks)
    for o in range(0, nblocks * frames_per_block, origin_every):
        if o + maxlag >= nframes:
            break
        b = o // frames_per_block
        d = x[o:o + maxlag + 1] - x[o]
        sums[b] += (d * d).sum(axis=2).mean(axis=1)
        counts[b] += 1
    return sums, counts


def autocorrelation(a, maxlag):
    """<a(0) a(t)> for t = 0..maxlag (samples), all time origins, via zero-padded FFT."""
    n = len(a)
    f = np.fft.rfft(a, 2 * n)
    c = np.fft.irfft(f * np.conj(f))[: maxlag + 1]
    return c / (n - np.arange(maxlag + 1))


# --- pair sums for the configurational temperature ---------------------------------------------
class PairSums:
    """Sums over all pairs i < j within rc of one configuration (minimum image, cubic box).

    u(r) = 4 eps [(s/r)^12 - (s/r)^6];  lap = sum_i nabla_i^2 U = sum_pairs 2 (u'' + 2 u'/r)
    with u'' + 2u'/r = 4 eps [132 s^12/r^14 - 30 s^6/r^8] (the smooth part: the step of the force
    at rc adds a surface term, estimated from the pair density at rc, see surface_term).
    """

    def __init__(self, n, box, rc, shell=0.5, shell_bin=0.05):
        self.i, self.j = np.triu_indices(n, 1)
        self.n, self.box, self.rc = n, box, rc
        self.edges = np.arange(rc - shell, rc + shell + 0.5 * shell_bin, shell_bin)

    def __call__(self, x, want_forces=False):
        d = x[self.j] - x[self.i]
        d -= self.box * np.round(d / self.box)
        r2 = (d * d).sum(axis=1)
        hist = np.histogram(np.sqrt(r2[(r2 > self.edges[0] ** 2) & (r2 < self.edges[-1] ** 2)]), self.edges)[0]
        inside = r2 < self.rc ** 2
        d, r2 = d[inside], r2[inside]
        s6 = (sigma * sigma / r2) ** 3
        energy = (4.0 * eps * (s6 * s6 - s6)).sum()
        rdu = 4.0 * eps * (-12.0 * s6 * s6 + 6.0 * s6)          # r u'(r)
        virial = -rdu.sum()                                      # sum r . f_ij
        lap = 2.0 * (4.0 * eps * (132.0 * s6 * s6 - 30.0 * s6) / r2).sum()
        out = dict(energy=energy, virial=virial, lap=lap, hist=hist)
        if want_forces:
            fpair = -rdu / r2                                    # f_ij on j along d = x_j - x_i
            f = np.zeros((self.n, 3))
            for k in range(3):
                f[:, k] = (np.bincount(self.j[inside], fpair * d[:, k], self.n)
                           - np.bincount(self.i[inside], fpair * d[:, k], self.n))
            out["forces"] = f
        return out

    def surface_term(self, hist_per_frame):
        """The laplacian's delta at rc: -2 u'(rc) n(rc), n(r) = pairs per unit r (straight-line fit
        of the pair histogram across rc, where the pair density is continuous)."""
        centres = 0.5 * (self.edges[1:] + self.edges[:-1])
        width = self.edges[1] - self.edges[0]
        coef = np.polyfit(centres - self.rc, hist_per_frame / width, 1)
        s6 = (sigma / self.rc) ** 6
        du = 4.0 * eps * (-12.0 * s6 * s6 + 6.0 * s6) / self.rc
        return -2.0 * du * coef[1]

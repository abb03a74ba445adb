// The unit conversions of the whole project, one table. The model computes in nm, ps, nm/ps, J, N,
// K and kg (pelzak_model.h); the files and messages speak Angstrom, ns, bar, eV and g/mol where
// their readers do. Each factor is how many of the first unit make one of the second, derived below
// from the SI's definitions, and is the double nearest that exact decimal (tests/model checks each
// against its derivation). Multiply by a factor to convert; where a value must come back unchanged,
// divide by the same factor.
#pragma once

namespace pelzak::units {

// Lengths: 1 nm = 1e-9 m and 1 Angstrom = 1e-10 m, so 1 nm = 10 Angstrom. Velocities in nm/ps take
// the same factor to Angstrom/ps.
inline constexpr double angstrom_per_nm = 10.0;

// Wave numbers: 1 nm^-1 = 1e9 m^-1 and 1 Angstrom^-1 = 1e10 m^-1, so 1 nm^-1 = 0.1 Angstrom^-1.
inline constexpr double inverse_angstrom_per_inverse_nm = 0.1;

// Times: 1 ps = 1e-12 s and 1 ns = 1e-9 s, so 1 ps = 1e-3 ns.
inline constexpr double ns_per_ps = 1e-3;

// Speeds: 1 m/s = 1e9 nm / 1e12 ps = 1e-3 nm/ps.
inline constexpr double nm_per_ps_per_m_per_s = 1e-3;

// Work: a force in N times a length in nm, 1 N nm = 1 N * 1e-9 m = 1e-9 J (the virial's unit).
inline constexpr double joule_per_nm_newton = 1e-9;

// Energies: 1 eV = e * 1 V with the elementary charge e = 1.602176634e-19 C, exact since the 2019 SI.
inline constexpr double joule_per_electronvolt = 1.602176634e-19;

// Pressures: 1 bar = 1e5 Pa, by the bar's definition.
inline constexpr double pascal_per_bar = 1e5;

// Amounts: the Avogadro constant N_A = 6.02214076e23 per mol, exact since the 2019 SI; the mass of one
// atom in kg times N_A is the molar mass in kg/mol.
inline constexpr double avogadro = 6.02214076e23;

// Masses: 1 kg = 1e3 g.
inline constexpr double gram_per_kilogram = 1000.0;

}  // namespace pelzak::units

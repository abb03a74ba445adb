// The model's numbers in LAMMPS "metal" units: lengths in Å, time in ps, energies in eV, masses in
// g/mol, velocities in Å/ps, temperatures in K. Each is the model's value times an exact conversion
// factor, rounded once.
#pragma once

#include "pelzak_model.h"

namespace pelzak::lammps {

// 1 nm = 10 Å; velocities in nm/ps take the same factor.
inline constexpr double angstrom_per_nm = 10.0;
// 1 eV = 1.602176634e-19 J and N_A = 6.02214076e23 per mol, both exact since the 2019 SI.
inline constexpr double joule_per_electronvolt = 1.602176634e-19;
inline constexpr double avogadro = 6.02214076e23;
inline constexpr double gram_per_kilogram = 1000.0;

inline constexpr double epsilon_ev = model::epsilon / joule_per_electronvolt;  // 0.010342180435061079
inline constexpr double sigma_angstrom = model::sigma * angstrom_per_nm;       // 3.4000000000000004
inline constexpr double cutoff_angstrom = model::cutoff * angstrom_per_nm;     // 7.6500000000000004
inline constexpr double mass_gram_per_mol = model::mass * avogadro * gram_per_kilogram;  // 39.947996443314686
inline constexpr double box_angstrom = model::box * angstrom_per_nm;

}  // namespace pelzak::lammps

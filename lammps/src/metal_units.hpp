// The model's numbers in LAMMPS "metal" units: lengths in Å, time in ps, energies in eV, masses in
// g/mol, velocities in Å/ps, temperatures in K. Each is the model's value times an exact conversion
// factor of the unit table, rounded once.
#pragma once

#include "pelzak/model/units.hpp"
#include "pelzak_model.h"

namespace pelzak::lammps {

// nm to Å, and nm/ps to Å/ps: what the export, the dump and the trajectory convert with.
using units::angstrom_per_nm;

inline constexpr double epsilon_ev = model::epsilon / units::joule_per_electronvolt;  // 0.010342180435061079
inline constexpr double sigma_angstrom = model::sigma * angstrom_per_nm;              // 3.4000000000000004
inline constexpr double cutoff_angstrom = model::cutoff * angstrom_per_nm;            // 7.6500000000000004
inline constexpr double mass_gram_per_mol =
    model::mass * units::avogadro * units::gram_per_kilogram;  // 39.947996443314686
inline constexpr double box_angstrom = model::box * angstrom_per_nm;

}  // namespace pelzak::lammps

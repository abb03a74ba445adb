// The model's numbers in LAMMPS "metal" units: lengths in Å, time in ps, energies in eV, masses in
// g/mol, velocities in Å/ps, temperatures in K. Each is the model's value times an exact conversion
// factor, rounded once.
#pragma once

#include "pelzak_model.h"

namespace pelzak::lammps {

// 1 nm = 10 Å; velocities in nm/ps take the same factor.
inline constexpr double kAngstromPerNm = 10.0;
// 1 eV = 1.602176634e-19 J and N_A = 6.02214076e23 per mol, both exact since the 2019 SI.
inline constexpr double kJoulePerElectronvolt = 1.602176634e-19;
inline constexpr double kAvogadro = 6.02214076e23;
inline constexpr double kGramPerKilogram = 1000.0;

inline constexpr double kEpsilonEv = model::epsilon / kJoulePerElectronvolt;           // 0.010342180435061079
inline constexpr double kSigmaAngstrom = model::sigma * kAngstromPerNm;                // 3.4000000000000004
inline constexpr double kCutoffAngstrom = model::cutoff * kAngstromPerNm;              // 7.6500000000000004
inline constexpr double kMassGramPerMol = model::mass * kAvogadro * kGramPerKilogram;  // 39.947996443314686
inline constexpr double kBoxAngstrom = model::box * kAngstromPerNm;

}  // namespace pelzak::lammps

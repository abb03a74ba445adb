// Physical and numerical constants of the generator, each with the derivation of its exact double.
//
// Several constants are single-precision literals widened to double; the static_asserts below
// restate each of those derivations so that a retyped digit cannot slip through.
#pragma once

namespace pelzak::initial {

// Number of argon atoms: a 6 x 6 x 6 fcc lattice holds 4 * 216 = 864 atoms.
inline constexpr int kAtomCount = 864;

// Temperature of the starting velocities, K (double 94.4: the liquid-argon state of Rahman, 1964).
inline constexpr double kTemperature = 94.4;

// Boltzmann constant, J/K: the single-precision literal 1.38065e-23f widened to double.
inline constexpr double kBoltzmann = 1.3806499990493398e-23;
static_assert(kBoltzmann == static_cast<double>(1.38065e-23f));

// Mass of one argon atom, kg: 39.948 u = 6.6335209e-26 kg as a single-precision literal, widened.
inline constexpr double kArgonMass = 6.633520874944591e-26;
static_assert(kArgonMass == static_cast<double>(6.6335209e-26f));

// m/s to nm/ps: 1 m/s = 1e9 nm / 1e12 ps = 0.001 nm/ps, as the single-precision literal 0.001f widened.
inline constexpr double kSpeedUnit = 0.0010000000474974513;
static_assert(kSpeedUnit == static_cast<double>(0.001f));

// Upper end of the position range, nm: half the simulation box side 3.47786 nm (halving is exact).
inline constexpr double kPositionRange = 1.73893;
static_assert(kPositionRange == 3.47786 / 2);

// pi rounded to double, for the Maxwell-Boltzmann normalisation.
inline constexpr double kPi = 3.141592653589793;

}  // namespace pelzak::initial

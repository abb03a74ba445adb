// The state point of a run and how it moves: what pelzak_md's physical options choose. The
// defaults are the library's liquid (864 atoms in its box at 94.4 K, cut off at 2.25 sigma, steps
// of 0.01 ps, velocities rescaled every step), and every number derived from them is formed as the
// library forms it, so that the default state point gives the library's doubles.
#pragma once

#include <cstdint>

#include "pelzak_model.h"

namespace pelzak::engine {

enum class Thermostat {
  rescale,  // the library's: velocities rescaled to the target temperature after every step
  csvr,     // canonical sampling through velocity rescaling (Bussi, Donadio, Parrinello 2007)
  none,     // constant energy
};

// The defaults of the state point the options do not take from the model.
inline constexpr double default_cutoff_sigma = 2.25;  // the library's cut-off, in sigma
inline constexpr double default_tau = 0.1;            // ps, csvr's relaxation time
inline constexpr std::uint64_t default_seed = 1;      // csvr's draws and a lattice start's velocities

struct StatePoint {
  long atoms = model::atoms;
  double box = model::box;                         // side of the cubic box, nm
  double temperature = model::target_temperature;  // K
  double cutoff_sigma = default_cutoff_sigma;      // cut-off radius in units of sigma
  bool tail = false;                               // long-range corrections to energy and pressure
  double time_step = model::dt;                    // ps, a single-precision value widened
  Thermostat thermostat = Thermostat::rescale;
  double tau = default_tau;           // ps: csvr's relaxation time
  std::uint64_t seed = default_seed;  // csvr's random numbers (and a lattice start's velocities)
};

// 1 kg = 1e3 g and 1 nm^3 = 1e-21 cm^3: N m / L^3 in g/cm^3 is N m 1e24 / L^3 with m in kg, L in nm.
inline constexpr double g_per_cm3 = 1e24;

// Density of `atoms` argon atoms in a cubic box of side `box` nm, g/cm^3: N m / L^3 with m in g
// and L in cm (1 nm^3 = 1e-21 cm^3, 1 kg = 1e3 g). The library's box holds 1.3624530820565848. The
// box a density gives: state_options.hpp's state_box.
double density_g_per_cm3(long atoms, double box);

// A time step as the model takes it: rounded to single precision and widened, as the library's
// 0.01 ps is (0.01 gives exactly model::dt).
double model_time_step(double ps);

// The numbers the engine works with, derived from a state point.
struct Derived {
  double cutoff = 0.0;                         // nm: cutoff_sigma * sigma
  double cutoff_sq = 0.0;                      // nm^2
  double dt = 0.0, dt_sq = 0.0, two_dt = 0.0;  // ps, ps^2, ps
  double temperature_divisor = 0.0;            // 1.5 N kB, J/K
  double volume = 0.0;                         // nm^3
  double number_density = 0.0;                 // nm^-3
  double push_off_max_drive = 0.0;  // nm/ps^2: the push-off's cap on |d|, push_off_max_shift / dt^2
  double tail_energy = 0.0;         // J, for the whole box (0 without --tail)
  double tail_pressure = 0.0;       // Pa (0 without --tail)
};

// Largest displacement the push-off lets the driving term cause in one step, nm (the term enters the
// position as dt^2 * d). 0.005 nm is 1.5 % of sigma: small enough that two overlapping atoms are
// eased apart over tens of steps instead of being thrown across the box in one.
inline constexpr double push_off_max_shift = 0.005;

Derived derive(const StatePoint& s);

// The largest cut-off, in sigma, that a box of side `box` nm allows: half the side, so that no
// pair interacts with two images of one atom.
double largest_cutoff_sigma(double box);

// Most atoms a system may have: candidates are held as 32-bit offsets of four doubles per atom.
inline constexpr long max_atoms = 1L << 28;

// Reduced units of the Lennard-Jones model: T* = kB T / eps, rho* = N sigma^3 / V,
// p* = P sigma^3 / eps, U* = U / eps.
double reduced_temperature(double kelvin);
double reduced_density(const StatePoint& s);
double reduced_pressure(double pascal);

}  // namespace pelzak::engine

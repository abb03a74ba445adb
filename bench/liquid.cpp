// The benchmarks' liquid: deterministic (own generator and transforms, no library distribution
// whose output could differ between standard libraries).
#include "liquid.hpp"

#include <cmath>
#include <cstdint>

#include "pelzak_aux.h"

namespace pelzak::bench {
namespace {

// Thermal speed per axis at 94.4 K: sqrt(kB T / m), in nm/ps (1 m/s = 1e-3 nm/ps).
const double speed = std::sqrt(model::boltzmann * model::target_temperature / model::mass) * 1e-3;

// splitmix64: a fixed, well-mixed 64-bit sequence.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double uniform() { return static_cast<double>(next() >> 11) * 0x1p-53; }  // [0, 1)
  double gaussian() {                                                       // Box-Muller
    const double u = 1.0 - uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * model::pi * uniform());
  }
};

}  // namespace

double driver_step(Config& positions, Config& velocities, Config& forces, Config& accel) {
  double energy = 0.0, kinetic = 0.0, temperature = 0.0;
  auxiliary_force_atoms(positions.data(), forces.data(), &energy);
  for (int n = 0; n < model::config_size; ++n) accel[n] = forces[n] * model::accel_per_newton;
  auxiliary_leapfrog(positions.data(), velocities.data(), accel.data(), &kinetic, &temperature);
  return energy;
}

Liquid make_liquid(int steps) {
  Random random{20260101};
  Liquid liquid;
  const double cell = model::box / 6.0;
  const double basis[4][3] = {{0, 0, 0}, {0.5, 0.5, 0}, {0.5, 0, 0.5}, {0, 0.5, 0.5}};
  int i = 0;
  for (int a = 0; a < 6; ++a)
    for (int b = 0; b < 6; ++b)
      for (int c = 0; c < 6; ++c)
        for (const auto& site : basis) {
          const int cells[3] = {a, b, c};
          for (int k = 0; k < 3; ++k)
            liquid.positions[k * model::atoms + i] =
                (cells[k] + site[k]) * cell + 0.02 * (2.0 * random.uniform() - 1.0);
          ++i;
        }
  for (int k = 0; k < 3; ++k) {
    double mean = 0.0;
    for (int n = 0; n < model::atoms; ++n)
      mean += (liquid.velocities[k * model::atoms + n] = speed * random.gaussian());
    for (int n = 0; n < model::atoms; ++n) liquid.velocities[k * model::atoms + n] -= mean / model::atoms;
  }
  Config forces, accel;
  for (int s = 0; s < steps; ++s) driver_step(liquid.positions, liquid.velocities, forces, accel);
  return liquid;
}

}  // namespace pelzak::bench

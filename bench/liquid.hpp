// A liquid-argon configuration for the benchmarks, the same on every machine and every run.
#pragma once

#include <array>

#include "pelzak_model.h"

namespace pelzak::bench {

using Config = std::array<double, model::config_size>;

// Newtons to nm/ps^2 for one argon atom: a = F / m in m/s^2, and 1 m/s^2 = 1e-15 nm/ps^2.

struct Liquid {
  Config positions;   // nm, never wrapped
  Config velocities;  // nm/ps
};

// An fcc lattice filling the box (6 x 6 x 6 cells), each coordinate moved by up to 0.02 nm,
// Maxwell velocities at 94.4 K from a fixed seed, then melted by `steps` steps of the library
// in a driver's pattern (force, acceleration, leapfrog).
Liquid make_liquid(int steps);

// One driver step: forces, a = F/m, the Verlet step with rescaling. Returns the potential energy (J).
double driver_step(Config& positions, Config& velocities, Config& forces, Config& accel);

}  // namespace pelzak::bench

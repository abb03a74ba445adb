// The four routines of module "auxiliary" as plain C++ functions; exports.cpp gives them
// their link names. Array layouts and units are described in include/pelzak_aux.h.
#pragma once

#include <cstdint>

namespace pelzak::aux {

void read_file(double* positions, double* velocities);
void force_atoms(const double* positions, double* forces, double* energy);
void leapfrog(double* positions, double* velocities, const double* driving, double* kinetic,
              double* temperature);
void radial_dist(const std::int64_t* step, const double* positions, double* histogram);

}  // namespace pelzak::aux

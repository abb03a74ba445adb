// The link names of module "auxiliary". The public header binds each friendly name to its
// link name with an asm label, so defining the friendly name here defines the link name.
#include "pelzak_aux.h"
#include "routines/routines.hpp"

void auxiliary_read_file(double* positions, double* velocities) {
  pelzak::aux::read_file(positions, velocities);
}

void auxiliary_force_atoms(const double* positions, double* forces, double* energy) {
  pelzak::aux::force_atoms(positions, forces, energy);
}

void auxiliary_leapfrog(double* positions, double* velocities, const double* driving, double* kinetic,
                        double* temperature) {
  pelzak::aux::leapfrog(positions, velocities, driving, kinetic, temperature);
}

void auxiliary_radial_dist(const int64_t* step, const double* positions, double* histogram) {
  pelzak::aux::radial_dist(step, positions, histogram);
}

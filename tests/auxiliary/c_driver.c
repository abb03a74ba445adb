/* A plain C simulation driver: reads "ar_simulation.dat", runs 1000 steps of Lennard-Jones
 * dynamics at 94.4 K and leaves g(r) in "rdf_argon.dat". Links with -lpelzak_aux -lm only. */
#include <stdint.h>
#include <stdio.h>

#include "pelzak_aux.h"

#define N3 (3 * PELZAK_ATOMS)

static double positions[N3], velocities[N3], forces[N3], accel[N3], histogram[PELZAK_BINS];

int main(void) {
  double energy = 0.0, kinetic = 0.0, temperature = 0.0;

  auxiliary_read_file(positions, velocities);
  for (int64_t step = 1; step <= 1000; ++step) {
    energy = 0.0;
    auxiliary_force_atoms(positions, forces, &energy);
    for (int n = 0; n < N3; ++n) accel[n] = forces[n] * PELZAK_ACCEL_PER_NEWTON; /* N to nm/ps^2 */
    auxiliary_leapfrog(positions, velocities, accel, &kinetic, &temperature);
    auxiliary_radial_dist(&step, positions, histogram);
  }
  printf("potential energy %.6e J, kinetic energy %.6e J, temperature %.3f K\n", energy, kinetic,
         temperature);
  return 0;
}

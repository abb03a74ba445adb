/*
 * pelzak_aux: simulation routines for 864 Lennard-Jones argon atoms in a periodic box.
 *
 * The four routines of module "auxiliary", callable from C and C++. Every argument is
 * passed by address; arrays are owned by the caller and never share storage within a call.
 *
 * Configuration arrays (positions in nm, velocities in nm/ps, forces in N) hold
 * 864 x 3 doubles stored axis by axis: element (atom i, axis k), i = 1..864, k = 1..3 (x, y, z),
 * sits at zero-based index (k - 1) * 864 + (i - 1). The histogram holds 200 doubles.
 *
 * Link with: -lpelzak_aux -lm (no C++ runtime needed).
 *
 * No failure is returned: a missing, short or malformed "ar_simulation.dat", or an
 * "rdf_argon.dat" that cannot be opened or written, ends the process with a one-line
 * diagnostic on stderr and exit status 2. See auxiliary/README.md.
 */
#ifndef PELZAK_AUX_H
#define PELZAK_AUX_H

#include <stdint.h>

#include "pelzak_model.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__) || defined(__clang__)
#define PELZAK_LINK_NAME(name) __asm__(name)
#else
#define PELZAK_LINK_NAME(name)
#define auxiliary_read_file __auxiliary_MOD_read_file
#define auxiliary_force_atoms __auxiliary_MOD_force_atoms
#define auxiliary_leapfrog __auxiliary_MOD_leapfrog
#define auxiliary_radial_dist __auxiliary_MOD_radial_dist
#endif

/* Reads "ar_simulation.dat" from the working directory into positions and velocities.
 * Any failure (missing or short file, bad number) ends the process with a diagnostic. */
void auxiliary_read_file(double *positions, double *velocities) PELZAK_LINK_NAME("__auxiliary_MOD_read_file");

/* Lennard-Jones forces (N) on every atom; *energy becomes 4 eps times (*energy + pair sum),
 * so pass 0 for the potential energy (J) of the positions alone. */
void auxiliary_force_atoms(const double *positions, double *forces, double *energy)
    PELZAK_LINK_NAME("__auxiliary_MOD_force_atoms");

/* One Verlet step of 0.01 ps: positions += dt*v + dt^2*driving (nm), velocities to mid-step,
 * *kinetic (J) and *temperature (K) of the mid-step velocities, then velocities rescaled
 * to 94.4 K. driving is used exactly as passed (no mass or unit conversion). */
void auxiliary_leapfrog(double *positions, double *velocities, const double *driving, double *kinetic,
                        double *temperature) PELZAK_LINK_NAME("__auxiliary_MOD_leapfrog");

/* g(r) sampler: step 1 opens "rdf_argon.dat" and clears the histogram, steps 1, 21, 41, ...
 * sample, step 1000 writes 200 lines of (r/sigma, g). */
void auxiliary_radial_dist(const int64_t *step, const double *positions, double *histogram)
    PELZAK_LINK_NAME("__auxiliary_MOD_radial_dist");

#ifdef __cplusplus
}
#endif

#endif /* PELZAK_AUX_H */

/*
 * Liquid argon on the pelzak_aux library: a complete simulation driver in C.
 *
 * Reads the start "ar_simulation.dat" that pelzak_initial writes, eases its overlapping atoms apart
 * (push-off), lets the liquid settle at 94.4 K (equilibration), and runs the 1000 production steps over
 * which radial_dist samples g(r) and writes "rdf_argon.dat". A run that blows up says so on stderr and
 * exits with status 3. Every model number comes from pelzak_model.h, which pelzak_aux.h includes.
 *
 * The driving term. leapfrog(x, w, d) does, for every coordinate,
 *     x' = x + dt w + dt^2 d,    v' = w + (dt/2) d,    then v' is rescaled by s = sqrt(94.4 K / T).
 * Positions feel dt^2 d but velocities only (dt/2) d, so no fixed multiple of the acceleration
 * a = F/m is a proper integrator. With d = a the atoms feel about half the force they should (the
 * liquid comes out loose: first peak of g(r) 2.49 instead of 2.74); with d = 2a every step the force
 * acts with a lag that damps the motion (peak 3.04). Asking that the positions follow leapfrog-Verlet
 * whose half-step velocity is rescaled by s gives the recursion
 *     d(n+1) = a(n+1) + (s(n)/2) d(n),        started with d = 2a,
 * with s(n) the factor the previous step applied. With s = 1 it is x(n+2) = 2 x(n+1) - x(n) + dt^2 a(n+1),
 * Stormer-Verlet, which conserves energy.
 *
 * The push-off. pelzak_initial puts all 864 atoms into one octant of the box, many pairs deep inside
 * each other's repulsive core. Their first forces would throw atoms across the box in one step (and the
 * energy to NaN a few steps later). So for the first steps d = 2a is shortened per atom, direction kept,
 * to move no atom more than 0.005 nm per step, while the rescaling drains the energy this releases.
 *
 * The drift. Rescaling multiplies every velocity, the motion of the whole box included, and the capped
 * push-off does not conserve momentum. The mean velocity is taken out before every step, or energy can
 * pile up in the drift at the expense of the liquid's temperature.
 */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "pelzak_aux.h"

#define N PELZAK_ATOMS
enum { PUSH_OFF_STEPS = 500, EQUILIBRATION_STEPS = 1500, PRODUCTION_STEPS = PELZAK_OUTPUT_STEP };

/* Push-off cap on |d| per atom, nm/ps^2: a shift of at most 0.005 nm (1.5 % of sigma) per step. */
#define MAX_DRIVE (0.005 / PELZAK_DT_SQ)

/* Configuration arrays, stored axis by axis: all x, then all y, then all z. */
static double x[3 * N]; /* positions, nm */
static double v[3 * N]; /* velocities, nm/ps */
static double f[3 * N]; /* forces, N */
static double d[3 * N]; /* driving term, nm/ps^2 */
static double histogram[PELZAK_BINS];

static void remove_drift(void) {
  for (int k = 0; k < 3; ++k) {
    double sum = 0.0;
    for (int i = 0; i < N; ++i) sum += v[k * N + i];
    const double mean = sum / N;
    for (int i = 0; i < N; ++i) v[k * N + i] -= mean;
  }
}

/* d = 2a, a = F/m in nm/ps^2 (PELZAK_ACCEL_PER_NEWTON = 1e-15 / m: newtons to nm/ps^2). */
static void start_drive(void) {
  for (int n = 0; n < 3 * N; ++n) d[n] = 2.0 * (f[n] * PELZAK_ACCEL_PER_NEWTON);
}

/* d = 2a, each atom's vector shortened to at most MAX_DRIVE. Infinite forces give NaN: a blow-up. */
static void push_off_drive(void) {
  start_drive();
  for (int i = 0; i < N; ++i) {
    const double dsq = d[i] * d[i] + d[N + i] * d[N + i] + d[2 * N + i] * d[2 * N + i];
    if (dsq > MAX_DRIVE * MAX_DRIVE) {
      const double shrink = MAX_DRIVE / sqrt(dsq);
      for (int k = 0; k < 3; ++k) d[k * N + i] *= shrink;
    }
  }
}

/* d = a + (s/2) d: the exact leapfrog-Verlet driving term. */
static void recursive_drive(double scale) {
  const double half_scale = 0.5 * scale;
  for (int n = 0; n < 3 * N; ++n) d[n] = f[n] * PELZAK_ACCEL_PER_NEWTON + half_scale * d[n];
}

static void stop_if_blown_up(const char *phase, int n, double potential, double kinetic, double temperature) {
  if (isfinite(potential) && isfinite(kinetic) && isfinite(temperature)) return;
  fprintf(stderr,
          "md_c: the run blew up in %s step %d: potential energy %g J, kinetic energy %g J, "
          "temperature %g K\n",
          phase, n, potential, kinetic, temperature);
  exit(3);
}

int main(void) {
  double potential, kinetic, temperature, scale = 1.0;
  double potential_sum = 0.0, temperature_sum = 0.0;

  remove("rdf_argon.dat"); /* a run that stops early must not leave an old g(r) looking new */
  auxiliary_read_file(x, v);

  for (int n = 1; n <= PUSH_OFF_STEPS; ++n) {
    remove_drift();
    potential = 0.0; /* force_atoms adds to it: 0 gives the energy of the positions alone */
    auxiliary_force_atoms(x, f, &potential);
    push_off_drive();
    auxiliary_leapfrog(x, v, d, &kinetic, &temperature);
    stop_if_blown_up("push-off", n, potential, kinetic, temperature);
  }

  /* Equilibration, then production: one run of the recursion, g(r) sampled in the last 1000 steps. */
  for (int n = 1; n <= EQUILIBRATION_STEPS + PRODUCTION_STEPS; ++n) {
    const int64_t step = n - EQUILIBRATION_STEPS; /* the sampler's step, 1 to 1000 */
    remove_drift();
    potential = 0.0;
    auxiliary_force_atoms(x, f, &potential);
    if (step >= 1) auxiliary_radial_dist(&step, x, histogram);
    if (n == 1) {
      start_drive();
    } else {
      recursive_drive(scale);
    }
    auxiliary_leapfrog(x, v, d, &kinetic, &temperature);
    stop_if_blown_up(step >= 1 ? "production" : "equilibration", step >= 1 ? (int)step : n, potential,
                     kinetic, temperature);
    scale = sqrt(PELZAK_TARGET_TEMPERATURE / temperature);
    if (step >= 1) {
      potential_sum += potential;
      temperature_sum += temperature;
    }
  }

  printf("md_c: mean temperature %.2f K, mean potential energy %.4f eps per atom; g(r) in rdf_argon.dat\n",
         temperature_sum / PRODUCTION_STEPS, potential_sum / PRODUCTION_STEPS / (N * PELZAK_EPSILON));
  return fflush(stdout) == 0 ? 0 : 1;
}

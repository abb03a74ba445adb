/* Prints the Fortran module pelzak_model from pelzak_model.h, so that Fortran drivers use the very
 * doubles C and C++ use: every real is printed with 17 significant digits, which reads back as the
 * same double, and carries the kind c_double (a plain literal would be single precision). */
#include <stdio.h>

#include "pelzak_model.h"

static void real(const char *name, double value, const char *comment) {
  printf("  ! %s\n  real(c_double), parameter :: %s = %.17e_c_double\n", comment, name, value);
}

static void integer(const char *name, long value, const char *comment) {
  printf("  ! %s\n  integer, parameter :: %s = %ld\n", comment, name, value);
}

int main(void) {
  printf(
      "! The numbers of the liquid-argon model for Fortran drivers: generated from pelzak_model.h,\n"
      "! where each is derived. Do not edit.\n"
      "module pelzak_model\n"
      "  use, intrinsic :: iso_c_binding, only: c_double\n"
      "  implicit none\n"
      "  public\n");
  integer("pelzak_atoms", PELZAK_ATOMS, "atoms in the box");
  integer("pelzak_bins", PELZAK_BINS, "bins of g(r)");
  real("pelzak_box", PELZAK_BOX, "box side, nm");
  real("pelzak_sigma", PELZAK_SIGMA, "Lennard-Jones sigma, nm");
  real("pelzak_cutoff", PELZAK_CUTOFF, "cut-off radius 2.25 sigma, nm");
  real("pelzak_cutoff_sq", PELZAK_CUTOFF_SQ, "squared cut-off, nm**2");
  real("pelzak_four_eps", PELZAK_FOUR_EPS, "4 eps, J");
  real("pelzak_epsilon", PELZAK_EPSILON, "eps, J");
  real("pelzak_force_factor", PELZAK_FORCE_FACTOR, "24 eps * 1e9, J/nm");
  real("pelzak_mass", PELZAK_MASS, "argon atom mass, kg");
  real("pelzak_boltzmann", PELZAK_BOLTZMANN, "Boltzmann constant, J/K");
  real("pelzak_kinetic_factor", PELZAK_KINETIC_FACTOR, "0.5 m 1e6, J per (nm/ps)**2");
  real("pelzak_temperature_divisor", PELZAK_TEMPERATURE_DIVISOR, "1.5 N kB, J/K");
  real("pelzak_accel_per_newton", PELZAK_ACCEL_PER_NEWTON, "newtons to nm/ps**2 for one atom: 1e-15 / m");
  real("pelzak_target_temperature", PELZAK_TARGET_TEMPERATURE, "target temperature, K");
  real("pelzak_dt", PELZAK_DT, "time step, ps");
  real("pelzak_dt_sq", PELZAK_DT_SQ, "time step squared, ps**2");
  real("pelzak_two_dt", PELZAK_TWO_DT, "twice the time step, ps");
  real("pelzak_density", PELZAK_DENSITY, "number density, nm**-3");
  real("pelzak_bin_width", PELZAK_BIN_WIDTH, "g(r) bin width, nm");
  real("pelzak_pi", PELZAK_PI, "pi");
  integer("pelzak_sample_every", PELZAK_SAMPLE_EVERY, "g(r) sampled every this many steps from step 1");
  integer("pelzak_output_step", PELZAK_OUTPUT_STEP, "g(r) written at this step");
  printf("end module pelzak_model\n");
  return ferror(stdout) || fclose(stdout) != 0;
}

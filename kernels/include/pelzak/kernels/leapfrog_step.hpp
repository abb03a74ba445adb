// One time step: position Verlet with the previous position rebuilt from the velocity, then the
// velocities rescaled by a factor the caller's thermostat picks from the step's temperature.
//
//   x_prev = x - dt v,   x_new = dt^2 a + (2x - x_prev),   v_new = (x_new - x_prev) / (2 dt)
// which in exact arithmetic is x + dt v + dt^2 a and v + (dt/2) a: v_new is the mid-step
// velocity. The kinetic energy sums the squares of the mean of old and new velocity,
// (1/2) m sum t^2 with t in nm/ps, atom by atom and x, y, z within each atom, and
// T = KE / (3/2 N kB). Every velocity is then multiplied by the thermostat's factor: the library's
// is sqrt(94.4 K / T), with no guard against T = 0 (the factor becomes infinite and the velocities
// NaN, as IEEE arithmetic gives).
//
// One template for the library's leapfrog (its fixed liquid, compile-time constants) and the
// engine's step at any state point (run-time values), so both round alike.
#pragma once

#include "pelzak_model.h"

namespace pelzak::kernels {

// The numbers of a step at run time; the library's are LibraryStep.
struct StepModel {
  long atoms = 0;
  double dt = 0.0;                   // ps
  double dt_sq = 0.0;                // ps^2
  double two_dt = 0.0;               // ps
  double temperature_divisor = 0.0;  // 1.5 N kB, J/K
};

struct LibraryStep {
  static constexpr long atoms = model::atoms;
  static constexpr double dt = model::dt;
  static constexpr double dt_sq = model::dt_sq;
  static constexpr double two_dt = model::two_dt;
  static constexpr double temperature_divisor = model::temperature_divisor;
};

// The step. *kinetic (J) and *temperature (K) describe the mid-step velocities before the
// thermostat's factor, scale(kinetic, temperature), is applied. Returns the factor applied.
template <class M, class Scale>
double leapfrog_step(const M& m, double* positions, double* velocities, const double* driving,
                     double* kinetic, double* temperature, Scale scale) {
  double ke_sum = 0.0;
  // Atom by atom, x, y, z within each atom: the kinetic sum depends on this order.
  for (long i = 0; i < m.atoms; ++i) {
    for (long n = i; n < 3 * m.atoms; n += m.atoms) {
      const double x = positions[n];
      const double v = velocities[n];
      const double x_prev = x - m.dt * v;
      const double x_new = m.dt_sq * driving[n] + (2.0 * x - x_prev);
      const double v_new = (x_new - x_prev) / m.two_dt;
      positions[n] = x_new;
      velocities[n] = v_new;
      const double t = 0.5 * (v_new + v);
      ke_sum = t * t + ke_sum;
    }
  }
  *kinetic = model::kinetic_factor * ke_sum;
  *temperature = *kinetic / m.temperature_divisor;

  const double factor = scale(*kinetic, *temperature);
  const long n3 = 3 * m.atoms;
  for (long n = 0; n < n3; ++n) velocities[n] *= factor;
  return factor;
}

}  // namespace pelzak::kernels

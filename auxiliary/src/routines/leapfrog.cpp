// One time step: position Verlet with the previous position rebuilt from the velocity,
// then velocity rescaling to the target temperature.
//
//   x_prev = x - dt v,   x_new = dt^2 a + (2x - x_prev),   v_new = (x_new - x_prev) / (2 dt)
// which in exact arithmetic is x + dt v + dt^2 a and v + (dt/2) a: v_new is the mid-step
// velocity. The kinetic energy sums the squares of the mean of old and new velocity,
// (1/2) m sum t^2 with t in nm/ps, and T = KE / (3/2 N kB). Every velocity is then multiplied
// by sqrt(94.4 K / T). There is no guard against T = 0: the factor becomes infinite and the
// velocities NaN, as IEEE arithmetic gives.
#include <cmath>

#include "pelzak_model.h"
#include "routines/routines.hpp"

namespace pelzak::aux {

void leapfrog(double* positions, double* velocities, const double* driving, double* kinetic,
              double* temperature) {
  using namespace model;
  double ke_sum = 0.0;
  // Atom by atom, x, y, z within each atom: the kinetic sum depends on this order.
  for (int i = 0; i < atoms; ++i) {
    for (int axis = 0; axis < 3 * atoms; axis += atoms) {
      const int n = axis + i;
      const double x = positions[n];
      const double v = velocities[n];
      const double x_prev = x - dt * v;
      const double x_new = dt_sq * driving[n] + (2.0 * x - x_prev);
      const double v_new = (x_new - x_prev) / two_dt;
      positions[n] = x_new;
      velocities[n] = v_new;
      const double t = 0.5 * (v_new + v);
      ke_sum = t * t + ke_sum;
    }
  }
  *kinetic = kinetic_factor * ke_sum;
  *temperature = *kinetic / temperature_divisor;

  const double scale = std::sqrt(target_temperature / *temperature);
  for (int n = 0; n < 3 * atoms; ++n) velocities[n] *= scale;
}

}  // namespace pelzak::aux

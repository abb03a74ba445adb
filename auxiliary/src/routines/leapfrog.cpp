// The library's time step: the kernels' leapfrog_step with its fixed liquid, every velocity then
// rescaled by sqrt(94.4 K / T), T from the step's mid-step velocities. There is no guard against
// T = 0: the factor becomes infinite and the velocities NaN, as IEEE arithmetic gives.
#include <cmath>

#include "pelzak/kernels/leapfrog_step.hpp"
#include "pelzak_model.h"
#include "routines/routines.hpp"

namespace pelzak::aux {

void leapfrog(double* positions, double* velocities, const double* driving, double* kinetic,
              double* temperature) {
  const auto rescale = [](double, double t) { return std::sqrt(model::target_temperature / t); };
  kernels::leapfrog_step(kernels::LibraryStep{}, positions, velocities, driving, kinetic, temperature,
                         rescale);
}

}  // namespace pelzak::aux

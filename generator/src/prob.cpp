// Each velocity component of an ideal gas at temperature T is normal with variance kB T / m:
//
//   f(v) = sqrt(m / (2 pi kB T)) * exp(-m v^2 / (2 kB T))
//
// The operations are grouped exactly as below; every one is rounded to double on its own.
#include "prob.hpp"

#include <cmath>

#include "constants.hpp"

namespace pelzak::initial {

double prob(double v, double mass, double temperature) {
  const double a = ((model::pi + model::pi) * model::boltzmann) * temperature;
  const double pre = std::sqrt(mass / a);
  const double e = -(v * v * mass) / ((model::boltzmann + model::boltzmann) * temperature);
  return std::exp(e) * pre;
}

}  // namespace pelzak::initial

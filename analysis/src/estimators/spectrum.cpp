#include "pelzak/analysis/spectrum.hpp"

#include <cmath>

namespace pelzak::analysis {

namespace {
constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;
}  // namespace

Spectrum vacf_spectrum(const std::vector<double>& psi, double frame_time, double step, int count) {
  Spectrum s;
  const int lags = static_cast<int>(psi.size());
  if (lags < 2) {  // no interval to integrate over
    for (int j = 0; j < count; ++j) s.frequency.push_back(j * step), s.density.push_back(0.0);
    return s;
  }
  // psi * w * trapezoid weight, once: the taper falls from 1 at t = 0 to 0 at the last lag.
  std::vector<double> tapered(lags);
  for (int t = 0; t < lags; ++t) {
    const double taper = 0.5 * (1.0 + std::cos(pi * t / (lags - 1)));
    const double weight = (t == 0 || t == lags - 1) ? 0.5 : 1.0;
    tapered[t] = weight * (taper * psi[t]);
  }
  for (int j = 0; j < count; ++j) {
    const double nu = j * step;
    const double omega = two_pi * nu;
    double integral = 0.0;
    for (int t = 0; t < lags; ++t) integral += tapered[t] * std::cos(omega * (t * frame_time));
    s.frequency.push_back(nu);
    s.density.push_back(4.0 * frame_time * integral);
  }
  return s;
}

}  // namespace pelzak::analysis

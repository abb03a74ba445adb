#include "spectrum.hpp"

#include <cmath>

namespace pelzak::analysis {

namespace {
constexpr double kTwoPi = 6.283185307179586;
}

Spectrum vacf_spectrum(const std::vector<double>& psi, double frame_time, double step, int count) {
  Spectrum s;
  const int lags = static_cast<int>(psi.size());
  for (int j = 0; j < count; ++j) {
    const double nu = j * step;
    const double omega = kTwoPi * nu;
    double integral = 0.0;
    for (int t = 0; t < lags; ++t) {
      const double weight = (t == 0 || t == lags - 1) ? 0.5 : 1.0;
      integral += weight * psi[t] * std::cos(omega * (t * frame_time));
    }
    s.frequency.push_back(nu);
    s.density.push_back(lags < 2 ? 0.0 : 4.0 * frame_time * integral);
  }
  return s;
}

}  // namespace pelzak::analysis

#include "pelzak/analysis/dynamics_features.hpp"

#include <cmath>

namespace pelzak::analysis {

DynamicsFeatures dynamics_features(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum) {
  DynamicsFeatures f;
  f.vacf_zero = first_zero(vacf.time, vacf.normalised);
  f.vacf_minimum = first_minimum(vacf.time, vacf.normalised);
  const double step = msd.time.size() > 1 ? msd.time[1] - msd.time[0] : 1.0;
  const double samples = alpha2_peak_half_width / step;  // huge or NaN for absurd frame times
  f.alpha2_peak = highest_point(msd.time, msd.alpha2, 1,
                                samples < 1e6 ? static_cast<int>(std::lround(samples)) : 1000000);
  f.spectrum_peak = main_peak(spectrum.frequency, spectrum.density);
  return f;
}

}  // namespace pelzak::analysis

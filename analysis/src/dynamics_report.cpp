#include "dynamics_report.hpp"

#include <cmath>

#include "number_text.hpp"

namespace pelzak::analysis {

DynamicsFeatures dynamics_features(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum) {
  DynamicsFeatures f;
  f.vacf_zero = first_zero(vacf.time, vacf.normalised);
  f.vacf_minimum = first_minimum(vacf.time, vacf.normalised);
  const double step = msd.time.size() > 1 ? msd.time[1] - msd.time[0] : 1.0;
  const double samples = kAlpha2PeakHalfWidth / step;  // huge or NaN for absurd frame times
  f.alpha2_peak = highest_point(msd.time, msd.alpha2, 1,
                                samples < 1e6 ? static_cast<int>(std::lround(samples)) : 1000000);
  f.spectrum_peak = main_peak(spectrum.frequency, spectrum.density);
  return f;
}

std::string diffusion_line(double d, double error, std::string_view method) {
  return "D = " + fixed(d * kDiffusionPer1e5Cm2PerS, 2) + " +- " + fixed(error * kDiffusionPer1e5Cm2PerS, 2) +
         " e-5 cm^2/s (" + std::string(method) + ")\n";
}

std::string dynamics_summary(const MsdResult& msd, const VacfResult& vacf, const DynamicsFeatures& f) {
  std::string text = diffusion_line(msd.diffusion, msd.diffusion_error, "Einstein");
  text += diffusion_line(vacf.diffusion, vacf.diffusion_error, "Green-Kubo");
  text += "VACF: first zero at " + fixed(f.vacf_zero.x, 3) + " ps, minimum " + fixed(f.vacf_minimum.y, 3) +
          " at " + fixed(f.vacf_minimum.x, 3) + " ps\n";
  text += "alpha2: peak " + fixed(f.alpha2_peak.y, 3) + " at " + fixed(f.alpha2_peak.x, 2) + " ps\n";
  text += "spectrum: main peak at " + fixed(f.spectrum_peak.x, 2) + " THz\n";
  return text;
}

}  // namespace pelzak::analysis

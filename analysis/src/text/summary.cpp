#include "pelzak/analysis/summary.hpp"

#include <cmath>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::analysis {

using formats::fixed;
using formats::rounded;

std::string rdf_peak_line(std::string_view what, const RdfPeak& peak) {
  return std::string(what) + ": first peak " + fixed(peak.g, 4) + " at r/sigma = " + fixed(peak.label, 4) +
         "\n";
}

std::string no_error_reason(double error_needs) {
  std::string reason = "too short for an error";
  if (std::isfinite(error_needs))
    reason += ", which needs " + rounded(std::ceil(error_needs * 100.0 - 1e-6) / 100.0, 6) + " ps of frames";
  return reason;
}

std::string diffusion_line(double d, double error, std::string_view method, double error_needs) {
  const std::string value = "D = " + fixed(d * diffusion_per_1e5_cm2_per_s, 2);
  if (std::isfinite(error))
    return value + " +- " + fixed(error * diffusion_per_1e5_cm2_per_s, 2) + " e-5 cm^2/s (" +
           std::string(method) + ")\n";
  return value + " e-5 cm^2/s (" + std::string(method) + "; " + no_error_reason(error_needs) + ")\n";
}

std::string dynamics_summary(const MsdResult* msd, const VacfResult* vacf, const DynamicsFeatures& f) {
  std::string text;
  if (msd) text += diffusion_line(msd->diffusion, msd->diffusion_error, "Einstein", msd->error_needs);
  if (vacf) {
    text += diffusion_line(vacf->diffusion, vacf->diffusion_error, "Green-Kubo", vacf->error_needs);
    text += "VACF: first zero at " + fixed(f.vacf_zero.x, 3) + " ps, minimum " + fixed(f.vacf_minimum.y, 3) +
            " at " + fixed(f.vacf_minimum.x, 3) + " ps\n";
  }
  if (msd) text += "alpha2: peak " + fixed(f.alpha2_peak.y, 3) + " at " + fixed(f.alpha2_peak.x, 2) + " ps\n";
  if (vacf) text += "spectrum: main peak at " + fixed(f.spectrum_peak.x, 2) + " THz\n";
  return text;
}

}  // namespace pelzak::analysis

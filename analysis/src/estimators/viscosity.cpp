#include "pelzak/analysis/viscosity.hpp"

#include <cmath>

#include "pelzak_model.h"

namespace pelzak::analysis {

namespace {

// V / (kB T) * integral P^2 dt comes in m^3 / J * Pa^2 * ps = 1e-12 Pa s; mPa s are 1e-3 Pa s.
constexpr double mpa_s_per_integral_unit = 1e-12 / 1e-3;

// eta* = eta sigma^2 / sqrt(m eps) with eta in Pa s (1e-3 of mPa s), sigma in m (1e-9 of nm).
double reduced_per_mpa_s() {
  const double sigma = model::sigma * 1e-9;
  return 1e-3 * (sigma * sigma) / std::sqrt(model::mass * model::epsilon);
}

}  // namespace

bool viscosity_start(ViscosityAccumulator& acc, const ViscositySettings& s, std::string* problem) {
  acc = ViscosityAccumulator{};  // refused settings leave an accumulator that takes no frames
  if (!(s.frame_time > 0.0) || !std::isfinite(s.frame_time))
    return *problem = "the viscosity needs a positive time between frames", false;
  if (s.max_lag < 1 || s.windows_per_block < 0)
    return *problem = "the viscosity needs a longest lag of at least one frame", false;
  VacfSettings v;
  v.atoms = 1;  // the three stress components as one "atom"'s three coordinates
  v.frame_time = s.frame_time;
  v.max_lag = s.max_lag;
  v.windows_per_block = s.windows_per_block;
  return vacf_start(acc.correlation, v, problem);
}

void viscosity_add_frame(ViscosityAccumulator& acc, const double* stress, double volume, double temperature) {
  if (acc.correlation.finished || !acc.correlation.transforms) return;
  vacf_add_frame(acc.correlation, stress);
  acc.volume_sum += volume;
  acc.temperature_sum += temperature;
}

ViscosityResult viscosity_finish(ViscosityAccumulator& acc) {
  const VacfResult& c = vacf_finish(acc.correlation);
  ViscosityResult r;
  if (c.vacf.empty()) return r;
  const double frames = static_cast<double>(acc.correlation.frames);
  const double volume = acc.volume_sum / frames;
  const double temperature = acc.temperature_sum / frames;
  const double factor = volume / (model::boltzmann * temperature) * mpa_s_per_integral_unit;
  const double dt = acc.correlation.settings.frame_time;
  r.time = c.time;
  double integral = 0.0;
  for (size_t t = 0; t < c.vacf.size(); ++t) {
    r.acf.push_back(c.vacf[t] / 3.0);
    if (t > 0) integral += 0.5 * dt * (r.acf[t - 1] + r.acf[t]);
    r.running.push_back(factor * integral);
  }
  // The VACF's D is (1/3) of the trapezoid integral of the summed correlation: the components' mean.
  r.viscosity = factor * c.diffusion;
  r.viscosity_error = factor * c.diffusion_error;
  r.reduced = reduced_per_mpa_s() * r.viscosity;
  r.reduced_error = reduced_per_mpa_s() * r.viscosity_error;
  r.blocks = c.blocks;
  return r;
}

}  // namespace pelzak::analysis

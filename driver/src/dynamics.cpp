#include "dynamics.hpp"

#include <algorithm>

#include "constants.hpp"
#include "dynamics_csv.hpp"
#include "dynamics_report.hpp"
#include "dynamics_svg.hpp"
#include "spectrum.hpp"

namespace pelzak::md {

namespace {

// Steps between frames, and the lengths the analysis works with, in steps of 0.01 ps.
constexpr std::int64_t kMsdEvery = 10;
constexpr std::int64_t kVacfEvery = 4;
constexpr std::int64_t kVacfLags = 127;       // 5.08 ps of VACF frames: windows of 128, transforms of 256
constexpr std::int64_t kMsdLagCap = 50000;    // 500 ps
constexpr std::int64_t kOriginSpacing = 200;  // 2 ps
constexpr std::int64_t kOriginsAlive = 25;    // origin spacing grows beyond 25 * 2 ps of lags
constexpr std::int64_t kFitStart = 200;       // 2 ps
constexpr std::int64_t kFitEnd = 1000;        // 10 ps
constexpr std::int64_t kBlockSteps = 2000;    // 20 ps
constexpr std::int64_t kBlocksInLongRuns = 20;
// Spectrum: 0 to 8 THz every 0.01 THz; liquid argon's lies below 4 THz.
constexpr double kSpectrumStep = 0.01;
constexpr int kSpectrumPoints = 801;

}  // namespace

bool dynamics_start(Dynamics& d, std::int64_t steps, std::string* problem) {
  const std::int64_t max_lag = std::min(steps / 2, kMsdLagCap) / kMsdEvery;
  const std::int64_t origin_every =
      std::max(kOriginSpacing / kMsdEvery, (max_lag + kOriginsAlive - 1) / kOriginsAlive);
  const std::int64_t block = std::max(kBlockSteps, steps / kBlocksInLongRuns);

  analysis::MsdSettings m;
  m.atoms = model::atoms;
  m.frame_time = kMsdEvery * model::dt;
  m.max_lag = static_cast<int>(max_lag);
  m.origin_every = static_cast<int>(origin_every);
  m.origins_per_block = static_cast<int>(std::max<std::int64_t>(1, block / (origin_every * kMsdEvery)));
  m.fit_first = static_cast<int>(kFitStart / kMsdEvery);
  m.fit_last = static_cast<int>(std::min(kFitEnd / kMsdEvery, max_lag));
  if (!analysis::msd_start(d.msd, m, problem)) return false;

  analysis::VacfSettings v;
  v.atoms = model::atoms;
  v.frame_time = kVacfEvery * model::dt;
  v.max_lag = static_cast<int>(kVacfLags);
  const std::int64_t window = (kVacfLags + 1) * kVacfEvery;
  v.windows_per_block = static_cast<int>(std::max<std::int64_t>(1, (block + window / 2) / window));
  if (!analysis::vacf_start(d.vacf, v, problem)) return false;

  d.before.assign(model::config_size, 0.0);
  d.velocity.assign(model::config_size, 0.0);
  return true;
}

void dynamics_before_step(Dynamics& d, std::int64_t n, const double* positions) {
  if (n == 1) analysis::msd_add_frame(d.msd, positions);  // x(0), the first origin
  if ((n - 1) % kVacfEvery == 0) std::copy(positions, positions + model::config_size, d.before.begin());
}

void dynamics_after_step(Dynamics& d, std::int64_t n, const double* positions) {
  if ((n - 1) % kVacfEvery == 0) {
    for (int c = 0; c < model::config_size; ++c) d.velocity[c] = (positions[c] - d.before[c]) / model::dt;
    analysis::vacf_add_frame(d.vacf, d.velocity.data());
  }
  if (n % kMsdEvery == 0) analysis::msd_add_frame(d.msd, positions);
}

DynamicsReport dynamics_finish(Dynamics& d, const std::string& subtitle) {
  const analysis::MsdResult msd = analysis::msd_result(d.msd);
  const analysis::VacfResult& vacf = analysis::vacf_finish(d.vacf);
  const analysis::Spectrum spectrum =
      analysis::vacf_spectrum(vacf.normalised, d.vacf.settings.frame_time, kSpectrumStep, kSpectrumPoints);
  const analysis::DynamicsFeatures features = analysis::dynamics_features(msd, vacf, spectrum);
  DynamicsReport r;
  r.msd_csv = analysis::msd_csv(msd);
  r.vacf_csv = analysis::vacf_csv(vacf);
  r.spectrum_csv = analysis::spectrum_csv(spectrum);
  r.plot = analysis::dynamics_svg(msd, vacf, spectrum, features, subtitle);
  r.summary = analysis::dynamics_summary(msd, vacf, features);
  r.msd_fit = msd.fit;
  r.fit_start = msd.fit_start;
  r.fit_end = msd.fit_end;
  r.diffusion_einstein = msd.diffusion;
  r.diffusion_einstein_error = msd.diffusion_error;
  r.diffusion_green_kubo = vacf.diffusion;
  r.diffusion_green_kubo_error = vacf.diffusion_error;
  r.features = features;
  return r;
}

}  // namespace pelzak::md

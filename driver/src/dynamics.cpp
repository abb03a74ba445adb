#include "dynamics.hpp"

#include <algorithm>

#include "constants.hpp"
#include "dynamics_csv.hpp"
#include "dynamics_report.hpp"
#include "dynamics_schedule.hpp"
#include "dynamics_svg.hpp"
#include "spectrum.hpp"

namespace pelzak::md {

namespace {

namespace schedule = analysis::schedule;

// The schedule in whole steps of dt (0.01 ps in single precision, so the quotients lie within
// 1e-6 of whole numbers and round to them).
constexpr std::int64_t steps_of(double ps) { return static_cast<std::int64_t>(ps / model::dt + 0.5); }

constexpr std::int64_t kMsdEvery = steps_of(schedule::msd_frame_time);
constexpr std::int64_t kVacfEvery = steps_of(schedule::vacf_frame_time);
constexpr std::int64_t kVacfLags = steps_of(schedule::vacf_lag_time) / kVacfEvery;
constexpr std::int64_t kMsdLagCap = steps_of(schedule::msd_lag_cap);
constexpr std::int64_t kOriginSpacing = steps_of(schedule::origin_spacing);
constexpr std::int64_t kFitStart = steps_of(schedule::fit_start);
constexpr std::int64_t kFitEnd = steps_of(schedule::fit_end);
constexpr std::int64_t kBlockSteps = steps_of(schedule::block_time);
static_assert(kMsdEvery == 10 && kVacfEvery == 4 && kVacfLags == 127 && kMsdLagCap == 50000);
static_assert(kOriginSpacing == 200 && kFitStart == 200 && kFitEnd == 1000 && kBlockSteps == 2000);

}  // namespace

bool dynamics_start(Dynamics& d, std::int64_t steps, std::string* problem) {
  const std::int64_t max_lag = std::min(steps / 2, kMsdLagCap) / kMsdEvery;
  const std::int64_t origin_every =
      std::max(kOriginSpacing / kMsdEvery, (max_lag + schedule::origins_alive - 1) / schedule::origins_alive);
  const std::int64_t block = std::max(kBlockSteps, steps / schedule::blocks_in_long_runs);

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
  const analysis::Spectrum spectrum = analysis::vacf_spectrum(
      vacf.normalised, d.vacf.settings.frame_time, schedule::spectrum_step, schedule::spectrum_points);
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

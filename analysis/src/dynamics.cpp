// The dynamics schedule turned into the estimators' settings, for frames any spacing apart. For
// pelzak_md's production (frames 0.01 ps apart, 1000 to 10^9 of them) these are exactly the whole
// steps the schedule's times come to: 10 steps between MSD frames, origins every 200 steps, the fit
// over lags of 20 to 100 frames, 4 steps between VACF frames, 127 lags.
#include "pelzak/analysis/dynamics.hpp"

#include <algorithm>
#include <cmath>

#include "pelzak/analysis/dynamics_csv.hpp"
#include "pelzak/analysis/dynamics_svg.hpp"
#include "pelzak/analysis/spectrum.hpp"
#include "pelzak/analysis/summary.hpp"

namespace pelzak::analysis {

namespace {

// Every how many frames the analysis takes one, for frames `spacing` ps apart and a wanted interval.
long long stride(double spacing, double wanted) {
  const double n = std::round(wanted / spacing);
  return n >= 1.0 ? static_cast<long long>(n) : 1;
}

void plan_msd(DynamicsPlan& p, double spacing, double block, int atoms) {
  p.msd_stride = stride(spacing, schedule::msd_frame_time);
  const double frame_time = p.msd_stride * spacing;
  const long long max_lag =
      static_cast<long long>(std::min(p.run / 2, schedule::msd_lag_cap) / frame_time + 1e-9);
  const long long fit_first = std::max(1LL, std::llround(schedule::fit_start / frame_time));
  if (max_lag <= fit_first) {
    p.msd_skipped = Skipped::short_for_msd_fit;
    return;
  }
  MsdSettings& m = p.msd_settings;
  m.atoms = atoms;
  m.frame_time = frame_time;
  m.max_lag = static_cast<int>(max_lag);
  const long long spaced = std::llround(schedule::origin_spacing / frame_time);
  m.origin_every = static_cast<int>(
      std::max({1LL, spaced, (max_lag + schedule::origins_alive - 1) / schedule::origins_alive}));
  m.origins_per_block = static_cast<int>(std::max(1.0, std::floor(block / (m.origin_every * frame_time))));
  m.fit_first = static_cast<int>(fit_first);
  m.fit_last = static_cast<int>(std::min(std::llround(schedule::fit_end / frame_time), max_lag));
}

void plan_vacf(DynamicsPlan& p, double spacing, long long frames, double block, int atoms) {
  p.vacf_stride = stride(spacing, schedule::vacf_frame_time);
  const double frame_time = p.vacf_stride * spacing;
  const long long taken = (frames - 1) / p.vacf_stride + 1;
  const long long lags = std::min(std::llround(schedule::vacf_lag_time / frame_time), taken - 1);
  if (spacing > schedule::vacf_frame_time * (1 + 1e-6)) {
    p.vacf_skipped = Skipped::frames_far_apart;
    return;
  }
  if (lags < 2) {
    p.vacf_skipped = Skipped::short_for_vacf;
    return;
  }
  VacfSettings& v = p.vacf_settings;
  v.atoms = atoms;
  v.frame_time = frame_time;
  v.max_lag = static_cast<int>(lags);
  const double window = (lags + 1) * frame_time;
  v.windows_per_block = static_cast<int>(std::max(1.0, std::round(block / window)));
}

}  // namespace

DynamicsPlan plan_dynamics(double spacing, long long frames, int atoms, bool continuous, bool velocities) {
  DynamicsPlan p;
  p.run = spacing * static_cast<double>(frames - 1);
  const double block =
      std::max(schedule::block_time, p.run / static_cast<double>(schedule::blocks_in_long_runs));
  if (continuous) {
    plan_msd(p, spacing, block, atoms);
  } else {
    p.msd_skipped = Skipped::wrapped_positions;
  }
  if (velocities) {
    plan_vacf(p, spacing, frames, block, atoms);
  } else {
    p.vacf_skipped = Skipped::no_velocities;
  }
  return p;
}

bool dynamics_start(Dynamics& d, const DynamicsPlan& plan, std::string* problem) {
  d.plan = plan;
  if (plan.msd() && !msd_start(d.msd, plan.msd_settings, problem)) return false;
  if (plan.vacf() && !vacf_start(d.vacf, plan.vacf_settings, problem)) return false;
  return true;
}

bool takes_positions(const Dynamics& d, long long k) { return d.plan.msd() && k % d.plan.msd_stride == 0; }
bool takes_velocities(const Dynamics& d, long long k) { return d.plan.vacf() && k % d.plan.vacf_stride == 0; }

void add_positions(Dynamics& d, long long k, const double* positions) {
  if (takes_positions(d, k)) msd_add_frame(d.msd, positions);
}

void add_velocities(Dynamics& d, long long k, const double* velocities) {
  if (takes_velocities(d, k)) vacf_add_frame(d.vacf, velocities);
}

DynamicsReport dynamics_report(Dynamics& d, std::string_view subtitle) {
  DynamicsReport r;
  r.msd = d.plan.msd();
  r.vacf = d.plan.vacf();
  MsdResult msd;
  VacfResult vacf;
  Spectrum spectrum;
  if (r.msd) {
    msd = msd_result(d.msd);
    // Two blocks of origins and the whole fit window after them (a short run's window is cut short).
    const MsdSettings& m = d.msd.settings;
    msd.error_needs = 2.0 * m.origins_per_block * m.origin_every * m.frame_time + schedule::fit_end;
    r.msd_csv = msd_csv(msd);
    r.msd_fit = msd.fit;
    r.fit_start = msd.fit_start;
    r.fit_end = msd.fit_end;
    r.diffusion_einstein = msd.diffusion;
    r.diffusion_einstein_error = msd.diffusion_error;
  }
  if (r.vacf) {
    vacf = vacf_finish(d.vacf);
    spectrum = vacf_spectrum(vacf.normalised, d.vacf.settings.frame_time, schedule::spectrum_step,
                             schedule::spectrum_points);
    r.vacf_csv = vacf_csv(vacf);
    r.spectrum_csv = spectrum_csv(spectrum);
    r.diffusion_green_kubo = vacf.diffusion;
    r.diffusion_green_kubo_error = vacf.diffusion_error;
  }
  r.features = dynamics_features(msd, vacf, spectrum);
  r.summary = dynamics_summary(r.msd ? &msd : nullptr, r.vacf ? &vacf : nullptr, r.features);
  if (r.msd || r.vacf) r.plot = dynamics_svg(msd, vacf, spectrum, r.features, subtitle);
  return r;
}

}  // namespace pelzak::analysis

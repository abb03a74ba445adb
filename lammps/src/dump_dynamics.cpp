#include "dump_dynamics.hpp"

#include <algorithm>
#include <cmath>

#include "dynamics_csv.hpp"
#include "dynamics_report.hpp"
#include "dynamics_schedule.hpp"
#include "dynamics_svg.hpp"
#include "format.hpp"
#include "msd.hpp"
#include "spectrum.hpp"
#include "vacf.hpp"

namespace pelzak::lammps {

namespace {

namespace schedule = analysis::schedule;

// Every how many frames the analysis takes one, for frames `spacing` ps apart and a wanted interval.
long long stride(double spacing, double wanted) {
  const double n = std::round(wanted / spacing);
  return n >= 1.0 ? static_cast<long long>(n) : 1;
}

using md::fixed;

}  // namespace

double frame_spacing(const Dump& dump) {
  if (dump.frames() < 2) return 0.0;
  const double spacing = dump.times[1] - dump.times[0];
  if (!(spacing > 0.0)) return 0.0;
  for (std::size_t f = 1; f + 1 < dump.frames(); ++f)
    if (!(std::fabs(dump.times[f + 1] - dump.times[f] - spacing) <= 1e-6 * spacing)) return 0.0;
  return spacing;
}

bool dump_dynamics(const Dump& dump, const std::string& subtitle, DumpDynamics& out, std::string* message) {
  out = DumpDynamics{};
  const double spacing = frame_spacing(dump);
  if (spacing == 0.0) {
    out.notes.push_back(dump.frames() < 2
                            ? "one frame only: MSD, VACF and D skipped"
                            : "the frames are not evenly spaced in time: MSD, VACF and D skipped");
    return true;
  }
  const double run = spacing * static_cast<double>(dump.frames() - 1);
  const double block =
      std::max(schedule::block_time, run / static_cast<double>(schedule::blocks_in_long_runs));
  const int atoms = static_cast<int>(dump.atoms);

  analysis::MsdResult msd;
  const long long msd_stride = stride(spacing, schedule::msd_frame_time);
  const double msd_time = msd_stride * spacing;
  const long long max_lag =
      static_cast<long long>(std::min(run / 2, schedule::msd_lag_cap) / msd_time + 1e-9);
  const long long fit_first =
      std::max(1LL, static_cast<long long>(std::llround(schedule::fit_start / msd_time)));
  if (!dump.continuous) {
    out.notes.push_back(
        "the positions are wrapped into the box without image flags: MSD and Einstein D skipped");
  } else if (max_lag <= fit_first) {
    out.notes.push_back("the run is " + fixed(run, 2) + " ps long; the MSD's fit from " +
                        fixed(schedule::fit_start, 0) + " ps needs more than " +
                        fixed(2 * schedule::fit_start, 0) + " ps: MSD and Einstein D skipped");
  } else {
    analysis::MsdSettings m;
    m.atoms = atoms;
    m.frame_time = msd_time;
    m.max_lag = static_cast<int>(max_lag);
    const long long spaced = std::llround(schedule::origin_spacing / msd_time);
    m.origin_every = static_cast<int>(
        std::max({1LL, spaced, (max_lag + schedule::origins_alive - 1) / schedule::origins_alive}));
    m.origins_per_block = static_cast<int>(std::max(1.0, std::floor(block / (m.origin_every * msd_time))));
    m.fit_first = static_cast<int>(fit_first);
    m.fit_last = static_cast<int>(std::min(std::llround(schedule::fit_end / msd_time), max_lag));
    analysis::MsdAccumulator acc;
    if (!analysis::msd_start(acc, m, message)) return false;
    for (std::size_t f = 0; f < dump.frames(); f += msd_stride)
      analysis::msd_add_frame(acc, dump.frame_positions(f));
    msd = analysis::msd_result(acc);
    out.msd = true;
  }

  analysis::VacfAccumulator vacf_acc;
  analysis::VacfResult vacf;
  analysis::Spectrum spectrum;
  const long long vacf_stride = stride(spacing, schedule::vacf_frame_time);
  const double vacf_time = vacf_stride * spacing;
  const long long vacf_frames = (static_cast<long long>(dump.frames()) - 1) / vacf_stride + 1;
  const long long lags = std::min(std::llround(schedule::vacf_lag_time / vacf_time), vacf_frames - 1);
  if (!dump.has_velocities) {
    out.notes.push_back("the dump has no velocities (vx vy vz): VACF, spectrum and Green-Kubo D skipped");
  } else if (spacing > schedule::vacf_frame_time * (1 + 1e-6)) {
    out.notes.push_back("frames " + fixed(spacing, 3) +
                        " ps apart are too far apart for the VACF, which changes sign "
                        "after about 0.3 ps (it needs frames at most " +
                        fixed(schedule::vacf_frame_time, 2) +
                        " ps apart: export with --dump-every 4): VACF, spectrum and Green-Kubo D skipped");
  } else if (lags < 2) {
    out.notes.push_back("the run is too short for a VACF: VACF, spectrum and Green-Kubo D skipped");
  } else {
    analysis::VacfSettings v;
    v.atoms = atoms;
    v.frame_time = vacf_time;
    v.max_lag = static_cast<int>(lags);
    const double window = (lags + 1) * vacf_time;
    v.windows_per_block = static_cast<int>(std::max(1.0, std::round(block / window)));
    if (!analysis::vacf_start(vacf_acc, v, message)) return false;
    for (std::size_t f = 0; f < dump.frames(); f += vacf_stride)
      analysis::vacf_add_frame(vacf_acc, dump.frame_velocities(f));
    vacf = analysis::vacf_finish(vacf_acc);
    spectrum = analysis::vacf_spectrum(vacf.normalised, vacf_time, schedule::spectrum_step,
                                       schedule::spectrum_points);
    out.vacf = true;
  }

  const analysis::DynamicsFeatures features = analysis::dynamics_features(msd, vacf, spectrum);
  if (out.msd) out.msd_csv = analysis::msd_csv(msd);
  if (out.vacf) {
    out.vacf_csv = analysis::vacf_csv(vacf);
    out.spectrum_csv = analysis::spectrum_csv(spectrum);
  }
  if (out.msd && out.vacf) {
    out.summary = analysis::dynamics_summary(msd, vacf, features);
  } else if (out.msd) {
    out.summary = analysis::diffusion_line(msd.diffusion, msd.diffusion_error, "Einstein") + "alpha2: peak " +
                  fixed(features.alpha2_peak.y, 3) + " at " + fixed(features.alpha2_peak.x, 2) + " ps\n";
  } else if (out.vacf) {
    out.summary = analysis::diffusion_line(vacf.diffusion, vacf.diffusion_error, "Green-Kubo") +
                  "VACF: first zero at " + fixed(features.vacf_zero.x, 3) + " ps, minimum " +
                  fixed(features.vacf_minimum.y, 3) + " at " + fixed(features.vacf_minimum.x, 3) + " ps\n" +
                  "spectrum: main peak at " + fixed(features.spectrum_peak.x, 2) + " THz\n";
  }
  if (out.msd || out.vacf) out.plot = analysis::dynamics_svg(msd, vacf, spectrum, features, subtitle);
  return true;
}

}  // namespace pelzak::lammps

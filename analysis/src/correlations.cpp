#include "pelzak/analysis/correlations.hpp"

#include <algorithm>
#include <cmath>

#include "pelzak/analysis/correlations_schedule.hpp"
#include "pelzak/analysis/correlations_summary.hpp"
#include "pelzak/analysis/scattering_csv.hpp"
#include "pelzak/analysis/scattering_svg.hpp"
#include "pelzak/analysis/summary.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak_model.h"

namespace pelzak::analysis {

namespace ts = correlations_schedule;

namespace {

// Frames of dt between samples `every` ps apart: at least one.
std::int64_t frames_per(double every, double dt) {
  return std::max<std::int64_t>(1, std::llround(every / dt));
}

// F_s at the main peak of S(k) and beside it: where this liquid has its peak, moved with the density
// as a length scale (k ~ rho^(1/3)). Fixed by the state point rather than read off the run's own S(k),
// so that every run at one state point, and a LAMMPS dump of it, gives F_s at the same k.
void start_self_motion(Correlations& t) {
  const double number_density = static_cast<double>(t.atoms) / (t.box * t.box * t.box);
  const double reference = model::atoms / (model::box * model::box * model::box);
  const double fs_peak = ts::fs_peak_guess * std::cbrt(number_density / reference);  // nm^-1
  SelfMotionSettings s;
  s.atoms = static_cast<int>(t.atoms);
  s.frame_time = static_cast<double>(t.self_every) * t.dt;
  s.max_lag = static_cast<int>(frames_per(ts::self_lag_time, s.frame_time));
  s.origin_every = static_cast<int>(frames_per(ts::self_origin_spacing, s.frame_time));
  s.origins_per_block = ts::self_origins_per_block;
  for (double m : ts::fs_peak_multiples) s.wave_numbers.push_back(m * fs_peak);
  s.bin_width = ts::vanhove_bin_width;
  s.bins = ts::vanhove_bins;
  s.peak_half_width = ts::departure_peak_half_width;
  std::string ignored;  // settings of our own making; an unstarted accumulator ignores its frames
  self_motion_start(t.motion, s, &ignored);
}

// " (too short for an error, which needs 50 ps of frames)", or nothing where there is an error.
std::string why_no_error(double error, double needs) {
  return std::isfinite(error) ? "" : " (" + no_error_reason(needs) + ")";
}

}  // namespace

bool correlations_start(Correlations& t, long atoms, double box, double dt, std::string* problem) {
  t.atoms = atoms;
  t.box = box;
  t.dt = dt;
  t.self_every = frames_per(ts::self_frame_time, dt);
  t.sk_every = frames_per(ts::sk_sample_time, dt);
  t.stress_every = frames_per(ts::viscosity_frame_time, dt);
  start_self_motion(t);
  const double stress_time = static_cast<double>(t.stress_every) * dt;
  ViscositySettings v;
  v.frame_time = stress_time;
  v.max_lag = static_cast<int>(frames_per(viscosity_default_lag_time, stress_time));
  v.windows_per_block = static_cast<int>(
      frames_per(ts::viscosity_block_time, static_cast<double>(v.max_lag + 1) * stress_time));
  if (!viscosity_start(t.viscosity, v, problem)) return false;
  StructureFactorSettings s;
  s.atoms = static_cast<int>(atoms);
  s.box = box;
  s.k_max = ts::sk_k_max;
  s.shell_width = ts::sk_shell_width;
  s.vectors_per_shell = ts::sk_vectors_per_shell;
  s.samples_per_block = ts::sk_samples_per_block;
  s.vectors_in_all = ts::sk_vectors_in_all;
  std::string ignored;  // a box too small for the shells: S(k) then comes from g(r) alone
  t.direct_sk = structure_factor_start(t.sk, s, &ignored);
  return true;
}

void correlations_add_positions(Correlations& t, std::int64_t n, const double* positions) {
  // S(k) halfway through each sk_every frames: a sample costs about 40 steps at any N (the
  // schedule's vector limit), so a 1000-step production takes two, not three counting its start.
  if (t.direct_sk && n % t.sk_every == t.sk_every / 2) structure_factor_add_frame(t.sk, positions);
  if (n % t.self_every == 0) self_motion_add_frame(t.motion, positions);
}

void correlations_add_stress(Correlations& t, std::int64_t n, const double* stress, double temperature) {
  if ((n + 1) % t.stress_every != 0) return;
  ++t.stress_frames;
  const double nm3_in_m3 = 1e-27;
  viscosity_add_frame(t.viscosity, stress, t.box * t.box * t.box * nm3_in_m3, temperature);
}

CorrelationsReport correlations_report(Correlations& t, const RdfCurve& rdf, std::string_view subtitle) {
  CorrelationsReport r;
  r.motion = self_motion_result(t.motion);
  const bool direct = t.direct_sk && t.sk.samples > 0;  // a production shorter than half a spacing has none
  if (direct) r.sk = structure_factor_result(t.sk);
  r.viscosity = viscosity_finish(t.viscosity);

  // S(k) from g(r): the curve's bins recentred on the shells they count, in nm.
  const double bin_width = kernels::rdf_bin_width(t.box);
  std::vector<double> r_nm, g;
  recentre_rdf(std::vector<double>(rdf.g, rdf.g + model::bins), bin_width, &r_nm, &g);
  const double number_density = static_cast<double>(t.atoms) / (t.box * t.box * t.box);
  r.sk_rows = sk_table(r.sk, r_nm, g, bin_width, t.atoms, number_density, ts::sk_grid_step, ts::sk_k_max);
  std::vector<double> grid_k, grid_s;
  for (std::size_t i = 0; i < r.sk_rows.k.size(); ++i)
    if (std::isnan(r.sk_rows.direct[i]))
      grid_k.push_back(r.sk_rows.k[i]), grid_s.push_back(r.sk_rows.from_rdf[i]);
  r.sk_peak_from_rdf = sk_main_peak(grid_k, grid_s);
  r.sk_peak = direct ? sk_main_peak(r.sk.k, r.sk.s) : r.sk_peak_from_rdf;

  constexpr int at_peak = 1;  // fs_peak_multiples[1] is the peak itself
  if (r.motion.wave_numbers.size() > at_peak) {
    r.fs_k = r.motion.wave_numbers[at_peak];
    r.fs_relaxation = r.motion.relaxation[at_peak];
    r.fs_relaxation_error = r.motion.relaxation_error[at_peak];
  }

  r.vanhove_csv =
      vanhove_csv(r.motion, std::vector<double>(std::begin(ts::vanhove_times), std::end(ts::vanhove_times)));
  r.fsk_csv = fsk_csv(r.motion);
  r.sk_csv = sk_csv(r.sk_rows);
  r.plot = scattering_svg(r.motion, r.sk_rows, subtitle);

  // Two complete blocks give an error: of origins (plus the lags they need) for F_s, of windows for eta.
  const double fs_needs = 2.0 * ts::self_origins_per_block * ts::self_origin_spacing + ts::self_lag_time;
  const double eta_needs = 2.0 * ts::viscosity_block_time;
  r.summary =
      direct ? sk_peak_line(r.sk_peak, r.sk_peak_from_rdf) : sk_peak_from_rdf_line(r.sk_peak_from_rdf);
  r.summary += fs_relaxation_line(r.fs_k, r.fs_relaxation, r.fs_relaxation_error,
                                  why_no_error(r.fs_relaxation_error, fs_needs));
  r.summary += gs_departure_line(r.motion.largest_departure);
  if (t.stress_frames > 0)
    r.summary += viscosity_line(r.viscosity, why_no_error(r.viscosity.viscosity_error, eta_needs));
  return r;
}

}  // namespace pelzak::analysis

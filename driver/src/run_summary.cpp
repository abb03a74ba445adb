#include "run_summary.hpp"

#include <cmath>

#include "pelzak/analysis/correlations_summary.hpp"
#include "pelzak/analysis/json_text.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/analysis/rdf_svg.hpp"
#include "pelzak/analysis/summary.hpp"
#include "pelzak/analysis/thermo_svg.hpp"
#include "pelzak/engine/state_point.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/model/units.hpp"
#include "state_point.hpp"
#include "thermo_log.hpp"

namespace pelzak::md {

namespace {

using formats::fixed;

// "-5.1870 +- 0.0009", or the value alone (the line ends with why there is no error).
std::string with_error(double value, double error, int decimals) {
  if (std::isfinite(error)) return fixed(value, decimals) + " +- " + fixed(error, decimals);
  return fixed(value, decimals);
}

// " (too short for an error, which needs 40 ps of frames)" where a line's means have no error: two
// blocks of the production.
std::string note_if_no_error(double error, const State& s) {
  const double needs = 2.0 * static_cast<double>(s.production.potential.per_block) * s.system.derived.dt;
  if (std::isfinite(error)) return "";
  return std::string(" (").append(analysis::no_error_reason(needs)).append(")");
}

// The least-squares slope of the total energy per atom against time: eps per atom per ns.
double energy_drift(const Production& p) {
  const double n = static_cast<double>(p.steps);
  const double denominator = n * p.tt_sum - p.t_sum * p.t_sum;
  return denominator > 0.0 ? (n * p.te_sum - p.t_sum * p.e_sum) / denominator : analysis::no_value;
}

void state_figures(const State& s, JobFigures& f) {
  const engine::StatePoint& st = s.system.state;
  f.atoms = st.atoms;
  f.temperature = st.temperature;
  f.density = engine::density_g_per_cm3(st.atoms, st.box);
  f.cutoff_sigma = st.cutoff_sigma;
  f.tail = st.tail;
  f.thermostat = st.thermostat;
  f.reduced_temperature = engine::reduced_temperature(st.temperature);
  f.reduced_density = engine::reduced_density(st);
}

void production_figures(const State& s, JobFigures& f) {
  const Production& p = s.production;
  const double steps = static_cast<double>(p.steps);
  const long atoms = s.system.state.atoms;
  f.mean_temperature = p.temperature_sum / steps;
  f.mean_on_step_temperature = p.on_step_temperature_sum / steps;
  f.mean_potential_per_atom = per_atom_in_eps(analysis::block_average_mean(p.potential), atoms);
  f.mean_potential_per_atom_error =
      per_atom_in_eps(analysis::block_standard_error(p.potential.blocks), atoms);
  f.mean_pressure_bar = analysis::block_average_mean(p.pressure) / units::pascal_per_bar;
  f.mean_pressure_bar_error = analysis::block_standard_error(p.pressure.blocks) / units::pascal_per_bar;
  f.mean_reduced_pressure = engine::reduced_pressure(f.mean_pressure_bar * units::pascal_per_bar);
  f.mean_reduced_pressure_error = engine::reduced_pressure(f.mean_pressure_bar_error * units::pascal_per_bar);
  f.energy_drift =
      s.system.state.thermostat == engine::Thermostat::none ? energy_drift(p) : analysis::no_value;
}

void dynamics_figures(const analysis::DynamicsReport& d, JobFigures& f) {
  constexpr double to_printed = analysis::diffusion_per_1e5_cm2_per_s;
  const analysis::DynamicsFeatures& features = d.features;
  f.diffusion_einstein = d.diffusion_einstein * to_printed;
  f.diffusion_einstein_error = d.diffusion_einstein_error * to_printed;
  f.diffusion_green_kubo = d.diffusion_green_kubo * to_printed;
  f.diffusion_green_kubo_error = d.diffusion_green_kubo_error * to_printed;
  f.msd_fit_slope = d.msd_fit.slope;
  f.msd_fit_intercept = d.msd_fit.intercept;
  f.msd_fit_start = d.fit_start;
  f.msd_fit_end = d.fit_end;
  f.vacf_zero = features.vacf_zero.x;
  f.vacf_minimum = features.vacf_minimum.y;
  f.vacf_minimum_time = features.vacf_minimum.x;
  f.alpha2_peak = features.alpha2_peak.y;
  f.alpha2_peak_time = features.alpha2_peak.x;
  f.spectrum_peak_frequency = features.spectrum_peak.x;
  f.spectrum_peak_density = features.spectrum_peak.y;
}

void correlations_figures(const analysis::CorrelationsReport& t, JobFigures& f) {
  f.sk_peak_per_nm = t.sk_peak.x;
  f.sk_peak_height = t.sk_peak.y;
  f.fs_k_per_nm = t.fs_k;
  f.fs_relaxation = t.fs_relaxation;
  f.fs_relaxation_error = t.fs_relaxation_error;
  f.gs_largest_departure_time = t.motion.largest_departure.x;
  f.gs_largest_departure = t.motion.largest_departure.y;
  f.viscosity = t.viscosity.viscosity;
  f.viscosity_error = t.viscosity.viscosity_error;
  f.reduced_viscosity = t.viscosity.reduced;
  f.reduced_viscosity_error = t.viscosity.reduced_error;
}

std::string summary_text(const State& s, const Start& start, const RunSummary& r) {
  const JobFigures& f = r.figures;
  const Options& o = s.options;
  std::string text = "state: " + std::to_string(f.atoms) + " atoms at " + formats::rounded(f.temperature, 6) +
                     " K (T* = " + fixed(f.reduced_temperature, 4) + ") and " + fixed(f.density, 5) +
                     " g/cm^3 (rho* = " + fixed(f.reduced_density, 4) + "), cut-off " +
                     formats::rounded(f.cutoff_sigma, 6) + " sigma" +
                     (f.tail ? " with the tail correction" : "") + ", thermostat " +
                     thermostat_name(f.thermostat) + ", start " + start.source + "\n";
  text += "production: mean temperature " + fixed(f.mean_temperature, 2) + " K (on-step velocities " +
          fixed(f.mean_on_step_temperature, 2) + " K), mean potential energy " +
          with_error(f.mean_potential_per_atom, f.mean_potential_per_atom_error, 4) + " eps per atom" +
          note_if_no_error(f.mean_potential_per_atom_error, s) + "\n";
  text += "pressure: " + with_error(f.mean_pressure_bar, f.mean_pressure_bar_error, 1) +
          " bar, p* = " + with_error(f.mean_reduced_pressure, f.mean_reduced_pressure_error, 4) +
          note_if_no_error(f.mean_pressure_bar_error, s) + "\n";
  if (o.thermostat == engine::Thermostat::none)
    text +=
        "energy drift: " + formats::compact(f.energy_drift, 6) + " eps per atom per ns (constant energy)\n";
  analysis::RdfPeak peak;
  peak.g = f.rdf_peak_g;
  peak.label = f.rdf_peak_r_sigma;
  text += analysis::rdf_peak_line(
      "g(r) over the whole production (" + std::to_string(s.rdf_whole_samples) + " samples)", peak);
  return text + r.dynamics.summary + r.correlations.summary;
}

std::string summary_json(const State& s, const JobFigures& f) {
  analysis::JsonObject j;
  j.integer("atoms", f.atoms);
  j.number("temperature_K", f.temperature);
  j.number("density_g_per_cm3", f.density);
  j.number("box_nm", s.system.state.box);
  j.number("cutoff_sigma", f.cutoff_sigma);
  j.boolean("tail_correction", f.tail);
  j.text("thermostat", thermostat_name(f.thermostat));
  if (f.thermostat == engine::Thermostat::csvr) j.number("tau_ps", s.system.state.tau);
  j.number("time_step_ps", time_step_ps(s.options));
  j.integer("production_steps", s.options.production_steps);
  j.integer("production_steps_before", s.production_before);  // of the runs a --continue run goes on from
  j.number("reduced_temperature", f.reduced_temperature);
  j.number("reduced_density", f.reduced_density);
  j.number("mean_temperature_K", f.mean_temperature);
  j.number("mean_on_step_temperature_K", f.mean_on_step_temperature);
  j.number("mean_potential_energy_eps_per_atom", f.mean_potential_per_atom);
  j.number("mean_potential_energy_eps_per_atom_error", f.mean_potential_per_atom_error);
  j.number("mean_pressure_bar", f.mean_pressure_bar);
  j.number("mean_pressure_bar_error", f.mean_pressure_bar_error);
  j.number("mean_reduced_pressure", f.mean_reduced_pressure);
  j.number("mean_reduced_pressure_error", f.mean_reduced_pressure_error);
  if (f.thermostat == engine::Thermostat::none) j.number("energy_drift_eps_per_atom_per_ns", f.energy_drift);
  j.number("diffusion_einstein_1e-5_cm2_per_s", f.diffusion_einstein);
  j.number("diffusion_einstein_error", f.diffusion_einstein_error);
  j.number("diffusion_green_kubo_1e-5_cm2_per_s", f.diffusion_green_kubo);
  j.number("diffusion_green_kubo_error", f.diffusion_green_kubo_error);
  j.number("rdf_first_peak", f.rdf_peak_g);
  j.number("rdf_first_peak_r_sigma", f.rdf_peak_r_sigma);
  j.integer("rdf_samples", s.rdf_whole_samples);
  j.number("vacf_first_zero_ps", f.vacf_zero);
  j.number("vacf_minimum", f.vacf_minimum);
  j.number("vacf_minimum_ps", f.vacf_minimum_time);
  j.number("alpha2_peak", f.alpha2_peak);
  j.number("alpha2_peak_ps", f.alpha2_peak_time);
  j.number("spectrum_peak_THz", f.spectrum_peak_frequency);
  j.number("sk_peak_per_angstrom", f.sk_peak_per_nm * units::inverse_angstrom_per_inverse_nm);
  j.number("sk_peak_height", f.sk_peak_height);
  j.number("fs_k_per_nm", f.fs_k_per_nm);
  j.number("fs_relaxation_ps", f.fs_relaxation);
  j.number("fs_relaxation_ps_error", f.fs_relaxation_error);
  j.number("gs_largest_departure_ps", f.gs_largest_departure_time);
  j.number("gs_largest_departure", f.gs_largest_departure);
  j.number("viscosity_mPa_s", f.viscosity);
  j.number("viscosity_mPa_s_error", f.viscosity_error);
  j.number("reduced_viscosity", f.reduced_viscosity);
  j.number("reduced_viscosity_error", f.reduced_viscosity_error);
  return j.str();
}

}  // namespace

RunSummary summarise(State& s, const Start& start) {
  RunSummary r{};
  const engine::StatePoint& st = s.system.state;
  state_figures(s, r.figures);
  production_figures(s, r.figures);

  // "rdf_argon.dat": the library's 50 samples of the first 1000 production steps.
  r.rdf_table = analysis::rdf_table(
      analysis::rdf_curve(s.rdf_first.data(), st.atoms, st.box, static_cast<double>(s.rdf_first_samples)));
  const analysis::RdfCurve whole =
      analysis::rdf_curve(s.rdf_whole.data(), st.atoms, st.box, static_cast<double>(s.rdf_whole_samples));
  const analysis::RdfPeak peak = analysis::rdf_peak(whole);
  r.figures.rdf_peak_g = peak.g;
  r.figures.rdf_peak_r_sigma = peak.label;
  const Options& o = s.options;
  r.rdf_csv = analysis::rdf_csv(whole);
  r.rdf_plot = analysis::rdf_svg(whole, run_description(o, o.production_steps) + "; g(r) from all " +
                                            std::to_string(s.rdf_whole_samples) + " samples");

  r.thermo_plot = analysis::thermo_svg(s.thermo_series, run_description(o, o.production_steps));
  r.dynamics = analysis::dynamics_report(s.dynamics.analysis, run_description(o, o.production_steps));
  dynamics_figures(r.dynamics, r.figures);
  r.correlations =
      analysis::correlations_report(s.correlations, whole, run_description(o, o.production_steps));
  correlations_figures(r.correlations, r.figures);
  r.text = summary_text(s, start, r);
  r.json = summary_json(s, r.figures);
  return r;
}

}  // namespace pelzak::md

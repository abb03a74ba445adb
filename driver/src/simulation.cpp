#include "simulation.hpp"

#include <cmath>
#include <string>

#include "pelzak/analysis/dynamics.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/model/units.hpp"
#include "report.hpp"
#include "state_point.hpp"
#include "thermo_log.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {

using formats::shortest;

namespace {

using engine::Phase;

const char* phase_name(Phase phase) {
  switch (phase) {
    case Phase::push_off: return "push-off";
    case Phase::equilibration: return "equilibration";
    case Phase::production: return "production";
  }
  return "?";
}

// Production steps per block of the uncertainties: the dynamics' blocks, 20 ps or 1/20 of a run
// longer than 400 ps.
std::int64_t block_steps(const State& s) {
  const double run = static_cast<double>(s.options.production_steps) * s.system.derived.dt;
  const double block =
      std::max(analysis::schedule::block_time, run / analysis::schedule::blocks_in_long_runs);
  return std::max<std::int64_t>(1, std::llround(block / s.system.derived.dt));
}

// A g(r) sample at production step n: every rdf_interval steps from step 1, into the whole
// production's counts and, in the first rdf_steps steps, into those of "rdf_argon.dat".
// The counts are whole numbers far below 2^53, so adding a sample's to both sums is exact: the same
// bits as counting each pair into each.
void sample_rdf(State& s, std::int64_t n) {
  if ((n - 1) % rdf_interval(s.system.state.atoms) != 0) return;
  double sample[model::bins] = {};
  s.rdf.sample(s.system.positions.data(), sample);
  for (int b = 0; b < model::bins; ++b) {
    s.rdf_whole[b] += sample[b];
    if (n <= rdf_steps) s.rdf_first[b] += sample[b];
  }
  ++s.rdf_whole_samples;
  if (n <= rdf_steps) ++s.rdf_first_samples;
}

void add_production(State& s, std::int64_t n, const engine::StepReport& r, bool pressure_sample) {
  Production& p = s.production;
  analysis::block_average_add(p.potential, r.potential);
  if (pressure_sample) analysis::block_average_add(p.pressure, r.pressure);
  p.temperature_sum += r.temperature;
  p.on_step_temperature_sum += r.on_step_temperature;
  ++p.steps;
  const double t = static_cast<double>(n - 1) * s.system.derived.dt * units::ns_per_ps;
  const double e = per_atom_in_eps(r.potential + r.kinetic, s.options.atoms);
  p.t_sum += t, p.e_sum += e, p.tt_sum += t * t, p.te_sum += t * e;
}

std::string blow_up_message(const State& s, Phase phase, std::int64_t n, std::int64_t steps_before,
                            const engine::StepReport& r) {
  return std::string("the run blew up in ") + phase_name(phase) + " step " + std::to_string(n) + " (" +
         time_text(steps_before, s.options) + " ps): potential energy " + shortest(r.potential) +
         " J, kinetic energy " + shortest(r.kinetic) + " J, temperature " + shortest(r.temperature) +
         " K. Atoms too close together threw each other apart faster than the step can follow (a "
         "push-off phase prevents that; so does a shorter --time-step), or the start holds atoms at the "
         "same place or coordinates that are not finite.";
}

// One step of a phase (of `steps` steps). Returns blew_up if the energy or the temperature is no
// longer finite, write_failed if a file cannot be written; *problem then says what went wrong if
// the step's caller has to report it.
Outcome step(State& s, Phase phase, std::int64_t n, std::int64_t steps, Outputs& out, double* temperature,
             std::string* problem) {
  const bool production = phase == Phase::production;
  // The log and the pressure count production steps across continued runs (numbered), so that a
  // continued run logs and measures at the steps the uninterrupted run would have; g(r) and the
  // dynamics are sampled from this run's own first step.
  const std::int64_t numbered = production ? s.production_before + n : n;
  const bool logged = numbered % out.thermo_every == 0 || n == 1 || n == steps;
  const bool pressure_sample = production && numbered % pressure_every == 0;
  // The viscosity's pressure tensor is of the positions this step starts from (frame n - 1), every
  // 0.02 ps, on steps the log reads anyway: the steps between skip the virial.
  const bool stress_sample = production && n % s.correlations.stress_every == 0;
  if (production) {
    sample_rdf(s, n);
    dynamics_before_step(s.dynamics, n, s.system.positions.data());
    if (n == 1) analysis::correlations_add_positions(s.correlations, 0, s.system.positions.data());
  }
  const engine::StepReport r =
      engine::step(s.system, s.forces, phase, logged || pressure_sample || stress_sample);
  *temperature = r.temperature;
  const std::int64_t steps_before = s.elapsed++;

  const bool finite = std::isfinite(r.potential) && std::isfinite(r.kinetic) && std::isfinite(r.temperature);
  if (logged || !finite)
    text_write(out.thermo, thermo_row(phase_name(phase), numbered, steps_before, r, s.options));
  if (logged && finite)
    analysis::thermo_series_add(s.thermo_series, time_in_ps(steps_before, s.options), r.temperature,
                                per_atom_in_eps(r.potential, s.options.atoms),
                                r.pressure / units::pascal_per_bar, production);
  if (!finite) {
    *problem = blow_up_message(s, phase, n, steps_before, r);
    return Outcome::blew_up;
  }
  if (out.xyz_every > 0 && s.elapsed % out.xyz_every == 0)
    text_write(out.trajectory, xyz_frame(s.system, phase_name(phase), numbered, s.elapsed, s.options));
  if (production) {
    dynamics_after_step(s.dynamics, n, s.system.positions.data());
    analysis::correlations_add_positions(s.correlations, n, s.system.positions.data());
    // The shear stresses P_xy, P_xz, P_yz of the positions the step started from, frame n - 1.
    analysis::correlations_add_stress(s.correlations, n - 1, &r.pressure_tensor[3], r.on_step_temperature);
    add_production(s, n, r, pressure_sample);
  }
  // A log or trajectory that can no longer be written (full disk) ends the run now, not at the end.
  if (out.thermo.error != 0 || out.trajectory.error != 0) return Outcome::write_failed;
  return Outcome::done;
}

Outcome run_phase(State& s, Phase phase, std::int64_t steps, Outputs& out, Progress& progress,
                  const std::function<int()>& interrupt, Reached* reached) {
  if (steps == 0) return Outcome::done;
  progress_begin_phase(progress, phase_name(phase), steps);
  Outcome outcome = Outcome::done;
  std::string problem;
  for (std::int64_t n = 1; n <= steps && outcome == Outcome::done; ++n) {
    double temperature = 0.0;
    outcome = step(s, phase, n, steps, out, &temperature, &problem);
    *reached = Reached{phase_name(phase), n, steps};
    if (outcome == Outcome::done && interrupt() != 0) outcome = Outcome::interrupted;
    if (outcome == Outcome::done) progress_step(progress, n, temperature);
  }
  progress_end_phase(progress);  // a message after the progress bar starts on a line of its own
  if (!problem.empty()) report(progress.out, problem);
  return outcome;
}

}  // namespace

std::int64_t rdf_interval(long atoms) { return rdf_every * ((atoms + model::atoms - 1) / model::atoms); }

State::State(const Options& resolved)
    : options(resolved),
      system(state_point(resolved)),
      forces(system.state, resolved.threads),
      rdf(system.state),
      rdf_first(model::bins, 0.0),
      rdf_whole(model::bins, 0.0) {
  const std::int64_t block = block_steps(*this);
  production.potential.per_block = block;
  production.pressure.per_block = std::max<std::int64_t>(1, block / pressure_every);
}

Outcome run_steps(State& s, Outputs& out, Progress& progress, const std::function<int()>& interrupt,
                  Reached* reached) {
  const Options& o = s.options;
  Outcome outcome = run_phase(s, Phase::push_off, o.push_off_steps, out, progress, interrupt, reached);
  if (outcome == Outcome::done)
    outcome = run_phase(s, Phase::equilibration, o.equilibration_steps, out, progress, interrupt, reached);
  if (outcome == Outcome::done)
    outcome = run_phase(s, Phase::production, o.production_steps, out, progress, interrupt, reached);
  return outcome;
}

}  // namespace pelzak::md

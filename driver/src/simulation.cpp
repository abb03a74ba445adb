#include "simulation.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "interrupts.hpp"
#include "pelzak/analysis/number_text.hpp"
#include "pelzak/auxiliary/failure.hpp"
#include "pelzak_aux.h"
#include "report.hpp"
#include "scheme.hpp"
#include "thermo_log.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {

using analysis::shortest;

namespace {

enum class Phase { push_off, equilibration, production };

const char* phase_name(Phase phase) {
  switch (phase) {
    case Phase::push_off: return "push-off";
    case Phase::equilibration: return "equilibration";
    case Phase::production: return "production";
  }
  return "?";
}

// The library's g(r) sampler at production step n, its file in the staging folder. A file that
// cannot be opened or written stops the run with the library's own message and status.
bool sample_rdf(State& s, std::int64_t n, Outputs& out, std::string* problem) {
  aux::RdfDiagnostic diagnostic;
  if (aux::radial_dist_core(n, s.positions, s.histogram, &out.rdf, &diagnostic) == aux::RdfStatus::ok)
    return true;
  *problem = diagnostic.text;
  return false;
}

// One step: forces and energy of the current positions, a g(r) sample in production, the driving
// term for this phase, and the library's Verlet step with rescaling. Returns blew_up if the energy
// or the temperature is no longer finite, write_failed if a file cannot be written; *problem then
// says what went wrong if the step's caller has to report it.
Outcome step(State& s, Phase phase, std::int64_t n, Outputs& out, double* temperature, std::string* problem) {
  remove_com_velocity(s.velocities);
  double potential = 0.0;
  auxiliary_force_atoms(s.positions, s.forces, &potential);
  if (phase == Phase::production && n <= rdf_steps && !sample_rdf(s, n, out, problem))
    return Outcome::rdf_failed;

  if (phase == Phase::push_off) {
    push_off_drive(s.forces, s.drive);
  } else if (!s.drive_started) {
    start_drive(s.forces, s.drive);
    s.drive_started = true;
  } else {
    recursive_drive(s.forces, s.last_scale, s.drive);
  }

  double kinetic = 0.0;
  if (phase == Phase::production) dynamics_before_step(s.dynamics, n, s.positions);
  auxiliary_leapfrog(s.positions, s.velocities, s.drive, &kinetic, temperature);
  s.last_scale = rescale_factor(*temperature);
  const std::int64_t steps_before = s.elapsed++;

  const bool finite = std::isfinite(potential) && std::isfinite(kinetic) && std::isfinite(*temperature);
  if (n % out.thermo_every == 0 || !finite)
    text_write(out.thermo, thermo_row(phase_name(phase), n, steps_before, potential, kinetic, *temperature));
  if (!finite) {
    *problem = std::string("the run blew up in ") + phase_name(phase) + " step " + std::to_string(n) + " (" +
               time_text(steps_before) + " ps): potential energy " + shortest(potential) +
               " J, kinetic energy " + shortest(kinetic) + " J, temperature " + shortest(*temperature) +
               " K. Atoms too close together threw each other apart faster than the step can follow (a "
               "push-off phase prevents that), or \"ar_simulation.dat\" holds atoms at the same place or "
               "coordinates that are not finite.";
    return Outcome::blew_up;
  }
  if (out.xyz_every > 0 && s.elapsed % out.xyz_every == 0)
    text_write(out.trajectory, xyz_frame(s.positions, phase_name(phase), n, s.elapsed));
  if (phase == Phase::production) {
    dynamics_after_step(s.dynamics, n, s.positions);
    s.production_potential += potential;
    s.production_temperature += *temperature;
  }
  // A log or trajectory that can no longer be written (full disk) ends the run now, not at the end.
  if (out.thermo.error != 0 || out.trajectory.error != 0) return Outcome::write_failed;
  return Outcome::done;
}

Outcome run_phase(State& s, Phase phase, std::int64_t steps, Outputs& out, Progress& progress,
                  Reached* reached) {
  if (steps == 0) return Outcome::done;
  progress_begin_phase(progress, phase_name(phase), steps);
  Outcome outcome = Outcome::done;
  std::string problem;
  for (std::int64_t n = 1; n <= steps && outcome == Outcome::done; ++n) {
    double temperature = 0.0;
    outcome = step(s, phase, n, out, &temperature, &problem);
    *reached = Reached{phase_name(phase), n, steps};
    if (outcome == Outcome::done && interrupt_signal() != 0) outcome = Outcome::interrupted;
    if (outcome == Outcome::done) progress_step(progress, n, temperature);
  }
  progress_end_phase(progress);  // a message after the progress bar starts on a line of its own
  if (outcome == Outcome::rdf_failed) {
    std::fprintf(stderr, "%s%s\n", aux::failure_prefix, problem.c_str());
  } else if (!problem.empty()) {
    report(problem);
  }
  return outcome;
}

}  // namespace

Outcome run_steps(const Options& options, State& s, Outputs& out, Progress& progress, Reached* reached) {
  Outcome outcome = run_phase(s, Phase::push_off, options.push_off_steps, out, progress, reached);
  if (outcome == Outcome::done)
    outcome = run_phase(s, Phase::equilibration, options.equilibration_steps, out, progress, reached);
  if (outcome == Outcome::done)
    outcome = run_phase(s, Phase::production, options.production_steps, out, progress, reached);
  return outcome;
}

}  // namespace pelzak::md

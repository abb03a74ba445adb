#include "simulation.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "constants.hpp"
#include "final_configuration.hpp"
#include "format.hpp"
#include "pelzak_aux.h"
#include "progress.hpp"
#include "rdf_analysis.hpp"
#include "scheme.hpp"
#include "svg_plot.hpp"
#include "text_file.hpp"
#include "thermo_log.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {

namespace {

constexpr char kStartFile[] = "ar_simulation.dat";
constexpr char kRdfFile[] = "rdf_argon.dat";

enum class Phase { push_off, equilibration, production };

const char* phase_name(Phase phase) {
  switch (phase) {
    case Phase::push_off: return "push-off";
    case Phase::equilibration: return "equilibration";
    case Phase::production: return "production";
  }
  return "?";
}

// Everything the library's routines work on, owned here and handed over by address.
struct State {
  double positions[model::config_size];   // nm, never wrapped into the box
  double velocities[model::config_size];  // nm/ps
  double forces[model::config_size];      // N
  double drive[model::config_size];       // nm/ps^2, the term the step multiplies by dt^2
  double histogram[model::bins];          // the sampler's pair counts
  double last_scale = 1.0;                // rescaling factor the previous step applied
  bool drive_started = false;             // the recursive driving term has its first value
  std::int64_t elapsed = 0;               // steps done in the whole run
  double production_potential = 0.0;
  double production_temperature = 0.0;
};

struct Outputs {
  TextFile thermo;
  TextFile trajectory;
  std::int64_t thermo_every = 1;
  std::int64_t xyz_every = 0;
};

void report(const std::string& message) { std::fprintf(stderr, "pelzak_md: %s\n", message.c_str()); }

// An earlier g(r) or plot must not look like the result of a run that stops early, so it goes
// before the first step. What is not a plain file, or is write-protected, is left alone and
// stops the run instead: the user protected it, and the library could not write there anyway.
bool discard_old_result(const char* name) {
  struct stat info;
  if (lstat(name, &info) != 0) return true;
  if (S_ISDIR(info.st_mode)) {
    report(std::string("\"") + name + "\" is a directory: move it away so the result can be written");
    return false;
  }
  if (S_ISREG(info.st_mode) && access(name, W_OK) != 0) {
    report(std::string("\"") + name + "\" is write-protected: make it writable or move it away");
    return false;
  }
  if (unlink(name) != 0) {
    report(std::string("cannot remove the earlier \"") + name + "\": " + std::strerror(errno));
    return false;
  }
  return true;
}

bool close_outputs(Outputs& out) {
  std::string message;
  bool ok = true;
  if (!text_close(out.thermo, &message)) ok = false, report(message);
  if (!text_close(out.trajectory, &message)) ok = false, report(message);
  return ok;
}

// One step: forces and energy of the current positions, a g(r) sample in production, the driving
// term for this phase, and the library's Verlet step with rescaling. Returns false, with what went
// wrong in *problem, if the run blew up (the energy or the temperature is no longer finite).
bool step(State& s, Phase phase, std::int64_t n, Outputs& out, double* temperature, std::string* problem) {
  remove_com_velocity(s.velocities);
  double potential = 0.0;
  auxiliary_force_atoms(s.positions, s.forces, &potential);
  if (phase == Phase::production) auxiliary_radial_dist(&n, s.positions, s.histogram);

  if (phase == Phase::push_off) {
    push_off_drive(s.forces, s.drive);
  } else if (!s.drive_started) {
    start_drive(s.forces, s.drive);
    s.drive_started = true;
  } else {
    recursive_drive(s.forces, s.last_scale, s.drive);
  }

  double kinetic = 0.0;
  auxiliary_leapfrog(s.positions, s.velocities, s.drive, &kinetic, temperature);
  s.last_scale = rescale_factor(*temperature);
  const std::int64_t steps_before = s.elapsed++;

  const bool finite = std::isfinite(potential) && std::isfinite(kinetic) && std::isfinite(*temperature);
  if (n % out.thermo_every == 0 || !finite)
    text_write(out.thermo, thermo_row(phase_name(phase), n, steps_before, potential, kinetic, *temperature));
  if (!finite) {
    *problem =
        std::string("the run blew up in ") + phase_name(phase) + " step " + std::to_string(n) + " (" +
        time_text(steps_before) + " ps): potential energy " + shortest(potential) + " J, kinetic energy " +
        shortest(kinetic) + " J, temperature " + shortest(*temperature) +
        " K. Atoms too close together threw each other apart faster than the step can follow (a push-off "
        "phase prevents that), or \"" +
        kStartFile +
        "\" holds atoms at the same place or coordinates "
        "that are not finite.";
    return false;
  }
  if (out.xyz_every > 0 && s.elapsed % out.xyz_every == 0)
    text_write(out.trajectory, xyz_frame(s.positions, phase_name(phase), n, s.elapsed));
  if (phase == Phase::production) {
    s.production_potential += potential;
    s.production_temperature += *temperature;
  }
  return true;
}

enum class Outcome { done, blew_up, write_failed };

Outcome run_phase(State& s, Phase phase, std::int64_t steps, Outputs& out, Progress& progress) {
  if (steps == 0) return Outcome::done;
  progress_begin_phase(progress, phase_name(phase), steps);
  for (std::int64_t n = 1; n <= steps; ++n) {
    double temperature = 0.0;
    std::string problem;
    const bool finite = step(s, phase, n, out, &temperature, &problem);
    // A log or trajectory that can no longer be written (full disk) ends the run now, not at the end.
    const bool written = out.thermo.error == 0 && out.trajectory.error == 0;
    if (!finite || !written) {
      progress_end_phase(progress);
      if (!finite) report(problem);
      return finite ? Outcome::write_failed : Outcome::blew_up;
    }
    progress_step(progress, n, temperature);
  }
  progress_end_phase(progress);
  return Outcome::done;
}

}  // namespace

int run_simulation(const Options& options) {
  // The library would create an empty start file and stop at its end; say what is missing instead.
  struct stat info;
  if (stat(kStartFile, &info) != 0) {
    report(std::string("no \"") + kStartFile + "\" in the working directory: run pelzak_initial first");
    return kExitIoError;
  }
  const auto wall_start = std::chrono::steady_clock::now();
  auto s = std::make_unique<State>();
  auxiliary_read_file(s->positions, s->velocities);

  Outputs out;
  out.thermo_every = options.thermo_every;
  out.xyz_every = options.xyz_every;
  std::string message;
  if (!text_open(out.thermo, kThermoFile, &message)) {
    report(message);
    return kExitIoError;
  }
  text_write(out.thermo, thermo_header());
  if (options.xyz_every > 0) {
    if (!text_open(out.trajectory, kTrajectoryFile, &message)) {
      report(message);
      close_outputs(out);
      return kExitIoError;
    }
    text_write(out.trajectory, xyz_frame(s->positions, "start", 0, 0));
  }
  if (!discard_old_result(kRdfFile) || !discard_old_result(kPlotFile) || !discard_old_result(kFinalFile)) {
    close_outputs(out);
    return kExitIoError;
  }

  Progress progress = progress_open(stderr, options.quiet);
  Outcome outcome = run_phase(*s, Phase::push_off, options.push_off_steps, out, progress);
  if (outcome == Outcome::done)
    outcome = run_phase(*s, Phase::equilibration, options.equilibration_steps, out, progress);
  if (outcome == Outcome::done) outcome = run_phase(*s, Phase::production, kProductionSteps, out, progress);
  const bool closed = close_outputs(out);
  if (outcome == Outcome::blew_up) return kExitBlowUp;
  if (!closed || outcome == Outcome::write_failed) return kExitIoError;

  if (!write_final_configuration(s->positions, s->velocities, s->drive, s->last_scale, &message)) {
    report(message);
    return kExitIoError;
  }

  RdfCurve curve;
  rdf_from_histogram(s->histogram, curve);
  const RdfPeak peak = rdf_peak(curve);
  const double mean_potential = s->production_potential / static_cast<double>(kProductionSteps);
  const double mean_temperature = s->production_temperature / static_cast<double>(kProductionSteps);
  const double potential_per_atom = mean_potential / (model::atoms * model::epsilon);

  TextFile plot;
  if (!text_open(plot, kPlotFile, &message)) {
    report(message);
    return kExitIoError;
  }
  text_write(plot,
             rdf_svg(curve, "864 Lennard-Jones atoms at 94.4 K; " + std::to_string(options.push_off_steps) +
                                " push-off, " + std::to_string(options.equilibration_steps) +
                                " equilibration and 1000 production steps of 0.01 ps"));
  if (!text_close(plot, &message)) {
    report(message);
    return kExitIoError;
  }

  std::printf("production: mean temperature %s K, mean potential energy %s eps per atom\n",
              fixed(mean_temperature, 2).c_str(), fixed(potential_per_atom, 4).c_str());
  std::printf("g(r): first peak %s at r/sigma = %s\n", fixed(peak.g, 4).c_str(),
              fixed(peak.label, 4).c_str());
  std::printf("wrote %s, %s, %s, %s%s%s\n", kRdfFile, kPlotFile, kFinalFile, kThermoFile,
              options.xyz_every > 0 ? ", " : "", options.xyz_every > 0 ? kTrajectoryFile : "");
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    report(std::string("cannot write the summary to standard output: ") + std::strerror(errno));
    return kExitIoError;
  }
  if (!options.quiet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    std::fprintf(stderr, "pelzak_md: %s steps in %s s\n", std::to_string(s->elapsed).c_str(),
                 fixed(seconds, 1).c_str());
  }
  return kExitOk;
}

}  // namespace pelzak::md

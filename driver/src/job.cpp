#include "pelzak/driver/job.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dynamics.hpp"
#include "final_configuration.hpp"
#include "interrupts.hpp"
#include "pelzak/analysis/number_text.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/analysis/rdf_svg.hpp"
#include "pelzak/analysis/summary.hpp"
#include "pelzak/auxiliary/failure.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak_aux.h"
#include "progress.hpp"
#include "report.hpp"
#include "result_files.hpp"
#include "result_set.hpp"
#include "simulation.hpp"
#include "staging.hpp"
#include "thermo_log.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {

using analysis::fixed;

namespace {

// What a run takes while it works, given back on every return: the interrupt handlers it
// replaced, the run folder with its lock, the staging folder.
struct JobGuard {
  InterruptHandlers handlers;
  Staging staging;
  JobGuard() { interrupts_install(handlers); }
  ~JobGuard() {
    run_folder_close(staging);
    interrupts_restore(handlers);
  }
  JobGuard(const JobGuard&) = delete;
  JobGuard& operator=(const JobGuard&) = delete;
};

int refuse(const std::string& message) {
  report(message);
  return exit_io_error;
}

int interrupted(const Reached& reached) {
  const int signal_number = interrupt_signal();
  const std::string where = reached.phase
                                ? std::string("after ") + reached.phase + " step " +
                                      std::to_string(reached.step) + " of " + std::to_string(reached.of)
                                : std::string("before the first step");
  report(std::string("stopped by ") + signal_name(signal_number) + " " + where +
         "; no result file was changed");
  return exit_signal_base + signal_number;
}

// Closes the log, the trajectory and the g(r) file (written in full at step 1000 or not at all);
// false with the message of the first failure of the first two.
bool close_outputs(Outputs& out, std::string* message) {
  if (out.rdf.fd >= 0) close(out.rdf.fd);
  out.rdf.fd = -1;
  std::string second;
  const bool thermo = text_close(out.thermo, message);
  const bool trajectory = text_close(out.trajectory, thermo ? message : &second);
  return thermo && trajectory;
}

std::string run_description(const Options& options, std::int64_t production);

// The g(r) plot: g(r) comes from the first 1000 production steps.
bool write_plot(const Staging& staging, const analysis::RdfCurve& curve, const Options& options,
                std::string* message) {
  TextFile plot;
  if (!text_open_in(plot, staging.fd, formats::rdf_plot_file, message)) return false;
  text_write(plot, analysis::rdf_svg(curve, run_description(options, rdf_steps)));
  return text_close(plot, message);
}

// The dynamics files of the run's production, into the staging folder.
bool write_dynamics(const Staging& staging, const analysis::DynamicsReport& dynamics, std::string* message) {
  const std::pair<const char*, const std::string*> files[] = {
      {formats::msd_file, &dynamics.msd_csv},
      {formats::vacf_file, &dynamics.vacf_csv},
      {formats::spectrum_file, &dynamics.spectrum_csv},
      {formats::dynamics_plot_file, &dynamics.plot}};
  for (const auto& [name, text] : files) {
    TextFile file;
    if (!text_open_in(file, staging.fd, name, message)) return false;
    text_write(file, *text);
    if (!text_close(file, message)) return false;
  }
  return true;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Check before touching: the start, the run folder (locked from here on), a staging folder left
// over, every result. The library would create an empty start file and stop at its end; say what is
// missing instead.
bool check_before_start(Staging& staging, std::string* message) {
  struct stat info;
  if (stat(formats::start_file, &info) != 0) {
    *message =
        std::string("no \"") + formats::start_file + "\" in the working directory: run pelzak_initial first";
    return false;
  }
  std::string note;
  if (!run_folder_open(staging, message) || !results_settle_leftover(staging, &note, message)) return false;
  if (!note.empty()) report(note);
  return results_check(staging, message);
}

// The log with its header and, if asked for, the trajectory with its start frame, in the staging
// folder; the g(r) file is the library sampler's, opened at production step 1.
bool open_outputs(const Options& options, const Staging& staging, const State& s, Outputs& out,
                  std::string* message) {
  out.rdf = aux::RdfOutput{staging.fd, formats::rdf_file, -1};
  out.thermo_every = options.thermo_every;
  out.xyz_every = options.xyz_every;
  if (!text_open_in(out.thermo, staging.fd, formats::thermo_file, message)) return false;
  text_write(out.thermo, thermo_header());
  if (options.xyz_every == 0) return true;
  if (!text_open_in(out.trajectory, staging.fd, formats::trajectory_file, message)) {
    std::string ignored;
    close_outputs(out, &ignored);
    return false;
  }
  text_write(out.trajectory, xyz_frame(s.positions, "start", 0, 0));
  return true;
}

// What the run's production comes to.
struct Results {
  double mean_temperature;  // K
  double mean_potential;    // J
  analysis::RdfCurve curve;
  analysis::RdfPeak peak;
  analysis::DynamicsReport dynamics;
};

std::string run_description(const Options& options, std::int64_t production) {
  return "864 Lennard-Jones atoms at 94.4 K; " + std::to_string(options.push_off_steps) + " push-off, " +
         std::to_string(options.equilibration_steps) + " equilibration and " + std::to_string(production) +
         " production steps of 0.01 ps";
}

// g(r), the dynamics and where the run ended, and their files into the staging folder.
bool finish_results(const Options& options, const Staging& staging, State& s, Results& r,
                    std::string* message) {
  const double production = static_cast<double>(options.production_steps);
  r.mean_potential = s.production_potential / production;
  r.mean_temperature = s.production_temperature / production;
  r.curve = analysis::rdf_curve(s.histogram, model::atoms, model::box, model::samples);
  r.peak = analysis::rdf_peak(r.curve);
  if (!write_plot(staging, r.curve, options, message)) return false;
  r.dynamics =
      analysis::dynamics_report(s.dynamics.analysis, run_description(options, options.production_steps));
  return write_dynamics(staging, r.dynamics, message) &&
         write_final_configuration(staging.fd, s.positions, s.velocities, s.drive, s.last_scale, message);
}

// The summary on standard output; false with a message if it cannot be written there.
bool print_summary(const Results& r, const std::vector<std::string>& written,
                   const std::vector<std::string>& removed, std::string* message) {
  std::printf("production: mean temperature %s K, mean potential energy %s eps per atom\n",
              fixed(r.mean_temperature, 2).c_str(), fixed(per_atom_in_eps(r.mean_potential), 4).c_str());
  std::fputs((analysis::rdf_peak_line("g(r)", r.peak) + r.dynamics.summary).c_str(), stdout);
  std::printf("wrote %s\n", joined(written).c_str());
  if (!removed.empty()) std::printf("removed %s of an earlier run\n", joined(removed).c_str());
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  *message = std::string("cannot write the summary to standard output: ") + std::strerror(errno);
  return false;
}

JobFigures job_figures(const Results& r) {
  // D in the unit the summary prints, by the same multiplication.
  constexpr double to_printed = analysis::diffusion_per_1e5_cm2_per_s;
  const analysis::DynamicsReport& dynamics = r.dynamics;
  const analysis::DynamicsFeatures& f = dynamics.features;
  return JobFigures{.mean_temperature = r.mean_temperature,
                    .mean_potential_per_atom = per_atom_in_eps(r.mean_potential),
                    .rdf_peak_g = r.peak.g,
                    .rdf_peak_r_sigma = r.peak.label,
                    .diffusion_einstein = dynamics.diffusion_einstein * to_printed,
                    .diffusion_einstein_error = dynamics.diffusion_einstein_error * to_printed,
                    .diffusion_green_kubo = dynamics.diffusion_green_kubo * to_printed,
                    .diffusion_green_kubo_error = dynamics.diffusion_green_kubo_error * to_printed,
                    .msd_fit_slope = dynamics.msd_fit.slope,
                    .msd_fit_intercept = dynamics.msd_fit.intercept,
                    .msd_fit_start = dynamics.fit_start,
                    .msd_fit_end = dynamics.fit_end,
                    .vacf_zero = f.vacf_zero.x,
                    .vacf_minimum = f.vacf_minimum.y,
                    .vacf_minimum_time = f.vacf_minimum.x,
                    .alpha2_peak = f.alpha2_peak.y,
                    .alpha2_peak_time = f.alpha2_peak.x,
                    .spectrum_peak_frequency = f.spectrum_peak.x,
                    .spectrum_peak_density = f.spectrum_peak.y};
}

}  // namespace

int run_job(const Options& options, JobFigures* figures) {
  JobGuard job;
  Staging& staging = job.staging;
  const auto wall_start = std::chrono::steady_clock::now();
  std::string message;
  if (!check_before_start(staging, &message)) return refuse(message);
  Reached reached;
  if (interrupt_signal() != 0) return interrupted(reached);

  auto s = std::make_unique<State>();
  if (!dynamics_start(s->dynamics, options.production_steps, &message)) return refuse(message);
  auxiliary_read_file(s->positions, s->velocities);

  // From here on the run writes only into the staging folder, which goes again on every return
  // but a successful one.
  Outputs out;
  if (!staging_create(staging, &message) || !open_outputs(options, staging, *s, out, &message))
    return refuse(message);
  Progress progress = progress_open(stderr, options.quiet);
  const Outcome outcome =
      interrupt_signal() != 0 ? Outcome::interrupted : run_steps(options, *s, out, progress, &reached);
  const bool closed = close_outputs(out, &message);
  if (outcome == Outcome::interrupted) return interrupted(reached);
  if (outcome == Outcome::blew_up) return exit_blow_up;
  if (outcome == Outcome::rdf_failed) return aux::failure_status;
  if (!closed) return refuse(message);
  if (outcome == Outcome::write_failed) return exit_io_error;  // reported by the step

  Results results;
  if (!finish_results(options, staging, *s, results, &message)) return refuse(message);
  // The last moment to stop: once the move into place begins, it runs to its end.
  if (interrupt_signal() != 0) return interrupted(reached);
  std::vector<std::string> written, removed;
  if (!results_check(staging, &message) || !results_commit(staging, &written, &removed, &message))
    return refuse(message);
  if (!print_summary(results, written, removed, &message)) return refuse(message);
  if (!options.quiet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    std::fprintf(stderr, "pelzak_md: %s steps in %s s\n", std::to_string(s->elapsed).c_str(),
                 fixed(seconds, 1).c_str());
  }
  if (figures) *figures = job_figures(results);
  return exit_ok;
}

}  // namespace pelzak::md

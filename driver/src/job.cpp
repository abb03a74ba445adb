#include "pelzak/driver/job.hpp"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "checkpoint.hpp"
#include "dynamics.hpp"
#include "final_configuration.hpp"
#include "interrupts.hpp"
#include "memory_check.hpp"
#include "options.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/analysis/rdf_svg.hpp"
#include "pelzak/engine/lattice_start.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/file_set.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/model/failure.hpp"
#include "progress.hpp"
#include "report.hpp"
#include "result_files.hpp"
#include "run_summary.hpp"
#include "simulation.hpp"
#include "start.hpp"
#include "state_point.hpp"
#include "thermo_log.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {

using formats::fixed;

namespace {

// What a run takes while it works, given back on every return: the interrupt handlers it
// replaced (unless the caller asks for interrupts itself), the run folder with its lock, the
// staging folder.
struct JobGuard {
  const JobPlace& place;
  std::function<int()> interrupt;
  InterruptHandlers handlers;
  formats::FileSet staging;
  explicit JobGuard(const JobPlace& where) : place(where), interrupt(where.interrupt) {
    if (!interrupt) {
      interrupts_install(handlers);
      interrupt = interrupt_signal;
    }
    staging.owner = "pelzak_md";
    staging.members.assign(std::begin(result_files), std::end(result_files));
    staging.base = place.folder;
  }
  ~JobGuard() {
    if (!place.interrupt) interrupts_restore(handlers);
  }
  JobGuard(const JobGuard&) = delete;
  JobGuard& operator=(const JobGuard&) = delete;

  // The library reader's verdict on "ar_simulation.dat" is printed as the library prints it.
  int refuse(const std::string& message, int status = exit_io_error) const {
    if (status == aux::failure_status) {
      std::fprintf(place.err, "%s\n", message.c_str());
    } else {
      report(place.err, message);
    }
    return status;
  }
  int interrupted(const Reached& reached) const;
};

int JobGuard::interrupted(const Reached& reached) const {
  const int signal_number = interrupt();
  const std::string where = reached.phase
                                ? std::string("after ") + reached.phase + " step " +
                                      std::to_string(reached.step) + " of " + std::to_string(reached.of)
                                : std::string("before the first step");
  report(place.err, std::string("stopped by ") + signal_name(signal_number) + " " + where +
                        "; no result file was changed");
  return exit_signal_base + signal_number;
}

// Closes the log and the trajectory; false with the message of the first failure.
bool close_outputs(Outputs& out, std::string* message) {
  std::string second;
  const bool thermo = text_close(out.thermo, message);
  const bool trajectory = text_close(out.trajectory, thermo ? message : &second);
  return thermo && trajectory;
}

// The start the options ask for, and the options with the atom count it settles; false with the
// exit status and the message when there is none or it disagrees with the options.
bool settle_start(const Options& options, const std::string& base, Start* start, Options* resolved,
                  int* status, std::string* message) {
  if (!read_start(options, base, start, status, message)) return false;
  *resolved = with_start(options, *start);
  *message = check_state(*resolved);
  if (message->empty())
    *message = engine::outside_box(start->positions, start->atoms,
                                   engine::state_box(run_atoms(*resolved), resolved->density),
                                   "the start's atom", "the start");
  if (message->empty()) return true;
  *status = exit_usage;
  return false;
}

// The checkpoint of the run folder to go on from, and the options with its state point.
bool settle_checkpoint(const Options& options, const std::string& base, Checkpoint* checkpoint, Start* start,
                       Options* resolved, int* status, std::string* message) {
  formats::FileSet where;
  where.folder = options.output_dir;
  const std::string path = path_in(where, formats::checkpoint_file);
  if (!read_checkpoint(formats::found_from(base, path), path, checkpoint, message))
    return *status = exit_io_error, false;
  *resolved = continued_options(options, *checkpoint);
  *message = check_state(*resolved);
  if (!message->empty()) return *status = exit_io_error, false;
  start->atoms = resolved->atoms;
  start->source = quoted_path(where, formats::checkpoint_file) + " at production step " +
                  std::to_string(checkpoint->production_steps) + " (" +
                  time_text(checkpoint->elapsed_steps, *resolved) + " ps)";
  return true;
}

// Check before touching: the run folder (locked from here on), a staging folder left over, every
// result.
bool check_before_start(formats::FileSet& staging, std::FILE* err, std::string* message) {
  std::string note;
  if (!file_set_open(staging, message) || !file_set_settle_leftover(staging, &note, message)) return false;
  if (!note.empty()) report(err, note);
  return file_set_check(staging, message);
}

// The log with its header and, if asked for, the trajectory with its start frame, in the staging
// folder.
bool open_outputs(const formats::FileSet& staging, const State& s, Outputs& out, std::string* message) {
  out.thermo_every = s.options.thermo_every;
  out.xyz_every = s.options.xyz_every;
  if (!text_open_in(out.thermo, staging.fd, formats::thermo_file, message)) return false;
  text_write(out.thermo, thermo_header());
  if (out.xyz_every == 0) return true;
  if (!text_open_in(out.trajectory, staging.fd, formats::trajectory_file, message)) {
    std::string ignored;
    close_outputs(out, &ignored);
    return false;
  }
  text_write(out.trajectory, xyz_frame(s.system, "start", 0, s.elapsed, s.options));
  return true;
}

// The system at the start: the positions and velocities read, or a lattice.
void place_start(State& s, const Start& start) {
  if (start.positions.empty()) {
    engine::lattice_start(s.system, s.options.seed);
    return;
  }
  s.system.positions = start.positions;
  s.system.velocities = start.velocities;
}

bool write_text(const formats::FileSet& staging, const char* name, const std::string& text,
                std::string* message) {
  TextFile file;
  if (!text_open_in(file, staging.fd, name, message)) return false;
  text_write(file, text);
  return text_close(file, message);
}

// The files of the run's results into the staging folder: g(r) (the table of the first 1000
// production steps, the plot and the numbers of the whole production), the dynamics, where the run ended and
// the summary's figures.
bool write_results(const formats::FileSet& staging, const State& s, const RunSummary& summary,
                   std::string* message) {
  const analysis::DynamicsReport& d = summary.dynamics;
  const std::pair<const char*, const std::string*> files[] = {
      {formats::msd_file, &d.msd_csv},
      {formats::vacf_file, &d.vacf_csv},
      {formats::spectrum_file, &d.spectrum_csv},
      {formats::dynamics_plot_file, &d.plot},
      {formats::rdf_plot_file, &summary.rdf_plot},
      {formats::rdf_production_file, &summary.rdf_csv},
      {formats::thermo_plot_file, &summary.thermo_plot},
      {formats::vanhove_file, &summary.correlations.vanhove_csv},
      {formats::fsk_file, &summary.correlations.fsk_csv},
      {formats::sk_file, &summary.correlations.sk_csv},
      {formats::scattering_plot_file, &summary.correlations.plot},
      {formats::summary_file, &summary.json},
      {formats::rdf_file, &summary.rdf_table}};
  for (const auto& [name, text] : files)
    if (!write_text(staging, name, *text, message)) return false;
  if (!write_text(staging, formats::checkpoint_file, checkpoint_bytes(s), message)) return false;
  return write_final_configuration(staging.fd, s.system, message);
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// The summary on standard output; false with a message if it cannot be written there.
bool print_summary(std::FILE* out, const RunSummary& summary, const formats::FileSet& staging,
                   const std::vector<std::string>& written, const std::vector<std::string>& removed,
                   std::string* message) {
  std::fputs(summary.text.c_str(), out);
  const std::string where = staging.folder.empty() ? "" : "in " + quoted_path(staging, "") + ": ";
  std::fprintf(out, "wrote %s%s\n", where.c_str(), joined(written).c_str());
  if (!removed.empty()) std::fprintf(out, "removed %s of an earlier run\n", joined(removed).c_str());
  if (std::fflush(out) == 0 && !std::ferror(out)) return true;
  *message = std::string("cannot write the summary to standard output: ") + std::strerror(errno);
  return false;
}

}  // namespace

int run_job(const Options& options, JobFigures* figures, const JobPlace& place) {
  JobGuard job(place);
  formats::FileSet& staging = job.staging;
  const auto wall_start = std::chrono::steady_clock::now();
  std::string message;
  int status = exit_ok;
  Start start;
  Options resolved;
  Checkpoint checkpoint;
  if (options.continue_run) {
    if (!settle_checkpoint(options, place.folder, &checkpoint, &start, &resolved, &status, &message))
      return job.refuse(message, status);
  } else if (!settle_start(options, place.folder, &start, &resolved, &status, &message)) {
    return job.refuse(message, status);
  }
  if (!memory_suffices(resolved, &message)) return job.refuse(message, exit_usage);
  staging.folder = options.output_dir;
  if (!check_before_start(staging, place.err, &message)) return job.refuse(message);
  Reached reached;
  if (job.interrupt() != 0) return job.interrupted(reached);

  auto s = std::make_unique<State>(resolved);
  if (!dynamics_start(s->dynamics, resolved.production_steps, s->system.state.atoms, s->system.derived.dt,
                      &message) ||
      !analysis::correlations_start(s->correlations, s->system.state.atoms, s->system.state.box,
                                    s->system.derived.dt, &message))
    return job.refuse(message);
  if (options.continue_run) {
    if (!restore(*s, checkpoint, &message)) return job.refuse(message);
  } else {
    place_start(*s, start);
  }

  // From here on the run writes only into the staging folder, which goes again on every return
  // but a successful one.
  Outputs out;
  if (!staging_create(staging, &message) || !open_outputs(staging, *s, out, &message))
    return job.refuse(message);
  Progress progress = progress_open(place.err, options.quiet);
  const Outcome outcome =
      job.interrupt() != 0 ? Outcome::interrupted : run_steps(*s, out, progress, job.interrupt, &reached);
  const bool closed = close_outputs(out, &message);
  if (outcome == Outcome::interrupted) return job.interrupted(reached);
  if (outcome == Outcome::blew_up) return exit_blow_up;
  if (!closed) return job.refuse(message);
  if (outcome == Outcome::write_failed) return exit_io_error;  // reported by the step

  const RunSummary summary = summarise(*s, start);
  if (!write_results(staging, *s, summary, &message)) return job.refuse(message);
  // The last moment to stop: once the move into place begins, it runs to its end.
  if (job.interrupt() != 0) return job.interrupted(reached);
  std::vector<std::string> written, removed;
  if (!file_set_check(staging, &message) || !file_set_commit(staging, &written, &removed, &message))
    return job.refuse(message);
  if (!print_summary(place.out, summary, staging, written, removed, &message)) return job.refuse(message);
  if (!options.quiet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    std::fprintf(place.err, "pelzak_md: %s steps in %s s\n", std::to_string(s->elapsed).c_str(),
                 fixed(seconds, 1).c_str());
  }
  if (figures) *figures = summary.figures;
  return exit_ok;
}

}  // namespace pelzak::md

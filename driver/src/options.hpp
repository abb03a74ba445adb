// Command line of pelzak_md. Only run control can be chosen: how long the start is prepared, how
// often the log and the trajectory are written, whether progress is shown. The model is fixed.
#pragma once

#include <cstdint>
#include <string>

namespace pelzak::md {

struct Options {
  std::int64_t push_off_steps = 500;
  std::int64_t equilibration_steps = 1500;
  std::int64_t production_steps = 20000;  // g(r) from the first 1000, the dynamics from all
  std::int64_t thermo_every = 1;          // a log row every this many steps of each phase
  std::int64_t xyz_every = 0;  // a trajectory frame every this many steps of the run; 0: no trajectory
  bool quiet = false;          // no progress display
};

// Largest step count or interval accepted, so that every step count of a run fits comfortably.
inline constexpr std::int64_t kMaxSteps = 1000000000;

enum class Action { run, help, version, usage_error };

struct Parsed {
  Action action = Action::run;
  Options options;
  std::string error;  // for usage_error: one line saying what is wrong
};

Parsed parse_options(int argc, const char* const* argv);

std::string usage_text();    // the --help text
std::string version_text();  // the --version line

}  // namespace pelzak::md

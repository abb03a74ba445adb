// Command line of pelzak_md: run control (the phases' lengths, how often the log and the trajectory
// are written, where the results go, progress, threads) and the state point.
#pragma once

#include <cstdint>
#include <string>

#include "pelzak/driver/job.hpp"

namespace pelzak::md {

// The most threads --threads takes.
inline constexpr std::int64_t max_threads = 64;

enum class Action { run, help, version, usage_error };

struct Parsed {
  Action action = Action::run;
  Options options;
  std::string error;  // for usage_error: one line saying what is wrong
};

Parsed parse_options(int argc, const char* const* argv);

// What is wrong with the state point as a whole (the checks that need several options at once, and
// the atom count: --atoms, or the start file's), or an empty string.
std::string check_state(const Options& o);

std::string usage_text();    // the --help text
std::string version_text();  // the --version line

}  // namespace pelzak::md

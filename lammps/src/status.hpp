// How pelzak_lammps ends: exit statuses and the one-line messages on stderr.
#pragma once

#include <string>

namespace pelzak::lammps {

inline constexpr int exit_ok = 0;
// A file that cannot be read or written, a dump that is not what the analysis needs, LAMMPS missing
// or failing.
inline constexpr int exit_failure = 1;
inline constexpr int exit_usage = 64;  // EX_USAGE of sysexits.h

// "pelzak_lammps: message" on stderr.
void report(const std::string& message);
// report(message), then exit_failure, for `return failure(message);`.
int failure(const std::string& message);
// report(message) and a pointer to --help, then exit_usage: a command line that cannot be run.
int usage_failure(const std::string& message);
// "pelzak_lammps: warning: message" on stderr.
void warn(const std::string& message);
// Flushes stdout; exit_ok, or exit_failure with a message when the summary could not be written.
int finish_stdout();

}  // namespace pelzak::lammps

// The job: check the run folder, read the start, run the steps in the staging folder, and put the
// finished set of results in place; or, if the run is refused, fails or is interrupted, leave the
// earlier results exactly as they were. Returns the exit status and never ends the process itself
// (only the library does that, for a malformed start or a g(r) it cannot write), so a program can
// call it as a function: the interrupt handlers and the working directory are as before when it
// returns.
#pragma once

#include "options.hpp"

namespace pelzak::md {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIoError = 1;
// 2 is the library's, which ends the process with it.
inline constexpr int kExitBlowUp = 3;
// 64 is EX_USAGE of sysexits.h.
inline constexpr int kExitUsage = 64;
// An interrupt by signal N gives 128 + N, as a shell reports a process killed by it.
inline constexpr int kExitSignalBase = 128;

int run_job(const Options& options);

}  // namespace pelzak::md

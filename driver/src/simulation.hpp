// The run: read the start, push the overlapping atoms apart, equilibrate, then 1000 production steps
// that sample g(r); log, plot and report. Returns the process exit status.
#pragma once

#include "options.hpp"

namespace pelzak::md {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIoError = 1;
// 64 is EX_USAGE of sysexits.h; 2 stays free for the library, which ends the process with it.
inline constexpr int kExitUsage = 64;
inline constexpr int kExitBlowUp = 3;

int run_simulation(const Options& options);

}  // namespace pelzak::md

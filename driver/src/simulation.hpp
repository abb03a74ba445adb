// The run: read the start, push the overlapping atoms apart, equilibrate, then 1000 production steps
// that sample g(r); log, plot and report. Returns the process exit status.
#pragma once

#include "options.hpp"

namespace pelzak::md {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIoError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitBlowUp = 3;

int run_simulation(const Options& options);

}  // namespace pelzak::md

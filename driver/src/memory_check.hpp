// Whether the machine has the memory a run needs, checked before the run starts.
#pragma once

#include <string>

#include "pelzak/driver/job.hpp"

namespace pelzak::md {

// Bytes a run of these options holds at once, estimated from what grows with the atom count: the
// engine's arrays and Verlet list, the g(r) sampler's, and the dynamics analysis's windows (the
// velocity autocorrelation's, about 9.3 KB per atom, dominate).
double run_bytes(const Options& resolved);

// False, with a message saying how much the run needs and how much is available, when the run
// needs more than the memory available (MemAvailable of /proc/meminfo).
bool memory_suffices(const Options& resolved, std::string* message);

}  // namespace pelzak::md

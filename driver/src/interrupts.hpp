// Interrupts: SIGINT (Ctrl-C), SIGTERM and SIGHUP stop a run between two steps instead of killing it
// in the middle of writing a file. The handler only records the signal; the step loop looks at the
// record after every step and the run then ends through its normal code, which removes the
// unfinished files and leaves the earlier results as they were.
#pragma once

#include <signal.h>

namespace pelzak::md {

// The handlers a run replaced, so that they can be put back when it returns (a program that runs
// the job as a function keeps its own handling of Ctrl-C outside the run).
struct InterruptHandlers {
  struct sigaction previous[3];
};

// Clears any earlier record and installs the recording handler for those of the three signals
// that are not ignored.
void interrupts_install(InterruptHandlers& saved);
void interrupts_restore(const InterruptHandlers& saved);

// The first of the three signals received since interrupts_install, or 0.
int interrupt_signal();

// "SIGINT", "SIGTERM", "SIGHUP"; "another signal" for any other number.
const char* signal_name(int signal_number);

}  // namespace pelzak::md

#include "interrupts.hpp"

#include <csignal>

namespace pelzak::md {

namespace {

constexpr int signals[3] = {SIGINT, SIGTERM, SIGHUP};

// Written only by the handler (and cleared before the handler is installed); a handler may do
// no more than store into a volatile sig_atomic_t.
volatile std::sig_atomic_t received = 0;

void record(int signal_number) {
  if (received == 0) received = signal_number;
}

}  // namespace

void interrupts_install(InterruptHandlers& saved) {
  received = 0;
  struct sigaction action {};
  action.sa_handler = record;
  sigemptyset(&action.sa_mask);
  // Restarted system calls: a write interrupted by Ctrl-C completes instead of failing with EINTR,
  // so an interrupt never shows up as a file error.
  action.sa_flags = SA_RESTART;
  for (int k = 0; k < 3; ++k) {
    // A signal ignored by whoever started the run stays ignored: nohup, or a shell starting the
    // run in the background, has asked for exactly that.
    sigaction(signals[k], nullptr, &saved.previous[k]);
    const bool ignored =
        !(saved.previous[k].sa_flags & SA_SIGINFO) && saved.previous[k].sa_handler == SIG_IGN;
    if (!ignored) sigaction(signals[k], &action, nullptr);
  }
}

void interrupts_restore(const InterruptHandlers& saved) {
  for (int k = 0; k < 3; ++k) sigaction(signals[k], &saved.previous[k], nullptr);
}

int interrupt_signal() { return received; }

const char* signal_name(int signal_number) {
  switch (signal_number) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
  }
  return "another signal";
}

}  // namespace pelzak::md

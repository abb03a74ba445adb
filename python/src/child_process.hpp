// Running a piece of the toolkit in a forked copy of the Python process: pelzak_initial's start,
// which keeps its random stream in process-wide state, writes into the working directory and ends
// its process when memory runs out, as the program does.
//
// The child is made with fork() (no exec: the child is this very process, so the work is exactly
// what an in-process call would do) in the folder given. Its stdout and stderr go to pipes; the
// parent waits with the GIL released, keeps both texts and the exit status, and turns a failure into
// a Python exception. The child never touches the interpreter.
#pragma once

#include <pybind11/pybind11.h>

#include <functional>
#include <string>

namespace pelzak::python {

namespace py = pybind11;

struct ChildSettings {
  std::string folder;  // the child's working directory; empty: the parent's
};

struct ChildOutcome {
  int status = 0;  // exit status; minus the signal number if a signal ended the child
  std::string out;
  std::string err;
};

// Runs job() in a forked child and returns its exit status (the job's return value) and output.
// Call with the GIL held; it is released while the child runs. Ctrl-C in the parent (any signal
// whose Python handler raises) stops the child with SIGTERM and raises the exception here. Raises
// OSError if no child can be made.
ChildOutcome run_in_child(const std::function<int()>& job, const ChildSettings& settings);

// Exit status of a child whose job threw a C++ exception (EX_SOFTWARE of sysexits.h).
inline constexpr int internal_error = 70;

}  // namespace pelzak::python

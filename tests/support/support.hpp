// Shared helpers for the test suite: a private working directory per test, whole-file I/O,
// and running a program (optionally as an unprivileged user) with its output captured.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelzak::test {

// Creates a fresh directory under $TMPDIR (or /tmp), makes it the working directory, and on
// destruction returns to the previous working directory and removes the tree.
// The directory is world-writable so that a test may drop privileges inside it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, std::string_view bytes);
std::vector<std::string> split_lines(std::string_view text);  // on '\n', the final empty piece dropped
// Column `index` (from 0) of a CSV text, as numbers, the header line left out.
std::vector<double> csv_column(const std::string& csv, int index);
inline bool contains(std::string_view text, std::string_view part) { return text.find(part) != text.npos; }

struct RunResult {
  int status = -1;  // exit status, or 128 + signal number
  int signal = 0;   // the signal that killed the program, 0 if it exited
  std::string out;
  std::string err;
};

// Runs argv[0] (a path) with the given arguments in the current working directory.
// With unprivileged = true the child switches to user and group "nobody" (65534) first,
// so permission checks apply even when the tests run as root.
RunResult run_program(const std::vector<std::string>& argv, bool unprivileged = false);

// A program started with start_program and not yet waited for.
struct Started {
  int pid = -1;
  std::string out_path, err_path;  // where its stdout and stderr go
};

// Starts the program like run_program but returns at once; SIGINT, SIGTERM and SIGHUP have their
// default action in it, whatever the test process inherited.
Started start_program(const std::vector<std::string>& argv, bool unprivileged = false);
// Waits for a started program and collects its status and output.
RunResult finish_program(Started& started);

// For use inside a child process (a death test): when running as root, become "nobody".
// Returns false if that is impossible, true if the process now lacks root's overrides.
bool drop_privileges();

// True if permission checks can be exercised here (either not root, or root able to drop).
bool can_test_permissions();

}  // namespace pelzak::test

// Running a program whose files may grow only to a given size: RLIMIT_FSIZE makes the write that
// crosses the limit come up short and the next one fail (EFBIG, with SIGXFSZ ignored), which is
// how a disk that fills up in the middle of a write looks to the program, without needing a
// small file system or privileges.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "support.hpp"

namespace pelzak::test {

// Runs body in a child process whose files may grow to limit bytes. Standard error comes back
// through a pipe (a pipe is not limited, where a file capturing it would be), standard output
// is discarded. The status is the child's exit status (0 if body returns), or 128 + signal.
inline RunResult in_child_with_file_limit(rlim_t limit, const std::function<void()>& body) {
  RunResult result;
  int err_pipe[2];
  if (pipe(err_pipe) != 0) return result;
  const pid_t pid = fork();
  if (pid == 0) {
    close(err_pipe[0]);
    dup2(err_pipe[1], STDERR_FILENO);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, STDIN_FILENO);
    dup2(null_fd, STDOUT_FILENO);
    signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(125);
    body();
    _exit(0);
  }
  close(err_pipe[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(err_pipe[0], buffer, sizeof buffer)) > 0) result.err.append(buffer, n);
  close(err_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// Runs the program argv[0] (a path) the same way.
inline RunResult run_with_file_limit(const std::vector<std::string>& argv, rlim_t limit) {
  return in_child_with_file_limit(limit, [&] {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  });
}

}  // namespace pelzak::test

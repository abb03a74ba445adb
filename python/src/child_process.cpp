#include "child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

namespace pelzak::python {

namespace {

// How often the waiting parent looks for a pending Ctrl-C, ms.
constexpr int signal_check_interval = 100;

struct Pipe {
  int read = -1;
  int write = -1;
};

void close_fd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Moves a descriptor above 0, 1 and 2 (taken if the program closed its standard streams), so that
// the child's dup2 onto them and its closing of the pipes cannot clobber one another.
int above_standard_streams(int fd) {
  if (fd > STDERR_FILENO) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  close(fd);
  return moved;
}

[[noreturn]] void raise_os_error(int err, const std::string& what) {
  PyErr_SetObject(PyExc_OSError, py::make_tuple(err, what + ": " + std::strerror(err)).ptr());
  throw py::error_already_set();
}

// The child: never returns, never touches the interpreter.
[[noreturn]] void child_main(const std::function<int()>& job, const ChildSettings& settings, Pipe& out,
                             Pipe& err, pid_t parent) {
  // Python's handlers for SIGINT and SIGTERM only set a flag for the interpreter, which the child
  // never runs: back to the default actions, and nothing blocked, so Ctrl-C and kill end the child.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGINT, &default_action, nullptr);
  sigaction(SIGTERM, &default_action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  // Should the parent die, nobody would read the pipes or the results: end with it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(internal_error);

  if (dup2(out.write, STDOUT_FILENO) < 0 || dup2(err.write, STDERR_FILENO) < 0) _exit(internal_error);
  // Descriptors of the interpreter, or the pipes of a child another thread is running now, must not
  // be held open by this one.
  if (close_range(3, ~0U, 0) != 0) {
    // Kernels before 5.9 lack close_range.
    struct rlimit files {};
    getrlimit(RLIMIT_NOFILE, &files);
    const rlim_t last = files.rlim_cur < 65536 ? files.rlim_cur : 65536;
    for (rlim_t fd = 3; fd < last; ++fd) close(static_cast<int>(fd));
  }
  if (!settings.folder.empty() && chdir(settings.folder.c_str()) != 0) {
    dprintf(STDERR_FILENO, "pelzak: cannot enter the folder \"%s\": %s\n", settings.folder.c_str(),
            std::strerror(errno));
    _exit(1);
  }
  int status = internal_error;
  try {
    status = job();
  } catch (const std::exception& e) {
    dprintf(STDERR_FILENO, "pelzak: internal error: %s\n", e.what());
  } catch (...) {
    dprintf(STDERR_FILENO, "pelzak: internal error\n");
  }
  std::fflush(nullptr);
  _exit(status);
}

// Waits for the child to end, the GIL released. Returns its exit status, or minus the number of
// the signal that ended it; -1 if waitpid fails (ECHILD when the program set SIGCHLD to SIG_IGN,
// which makes the kernel reap children unasked), with errno set.
bool reap(pid_t pid, int* status) {
  int raw = 0;
  int result;
  {
    py::gil_scoped_release release;
    do {
      result = waitpid(pid, &raw, 0);
    } while (result < 0 && errno == EINTR);
  }
  if (result < 0) return false;
  *status = WIFSIGNALED(raw) ? -WTERMSIG(raw) : WEXITSTATUS(raw);
  return true;
}

void stop(pid_t pid, struct pollfd* watched) {
  kill(pid, SIGTERM);
  for (int s = 0; s < 2; ++s) close_fd(watched[s].fd);
  int ignored;
  reap(pid, &ignored);
}

}  // namespace

ChildOutcome run_in_child(const std::function<int()>& job, const ChildSettings& settings) {
  Pipe out, err;
  for (Pipe* p : {&out, &err}) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == 0) {
      p->read = above_standard_streams(ends[0]);
      p->write = above_standard_streams(ends[1]);
    }
    if (p->read < 0 || p->write < 0) {
      const int e = errno;
      close_fd(out.read), close_fd(out.write), close_fd(err.read), close_fd(err.write);
      raise_os_error(e, "cannot make a pipe for the child");
    }
  }

  // Whatever sits in the parent's C stdio buffers would otherwise be written by both processes.
  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) child_main(job, settings, out, err, parent);
  const int fork_errno = errno;
  close_fd(out.write), close_fd(err.write);
  if (pid < 0) {
    close_fd(out.read), close_fd(err.read);
    raise_os_error(fork_errno, "cannot start a child process");
  }

  ChildOutcome outcome;
  struct pollfd watched[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
  std::string* texts[2] = {&outcome.out, &outcome.err};
  while (watched[0].fd >= 0 || watched[1].fd >= 0) {
    {
      py::gil_scoped_release release;
      if (poll(watched, 2, signal_check_interval) > 0) {
        for (int s = 0; s < 2; ++s) {
          if (watched[s].fd < 0 || watched[s].revents == 0) continue;
          char chunk[65536];
          const ssize_t n = read(watched[s].fd, chunk, sizeof chunk);
          if (n > 0) {
            texts[s]->append(chunk, static_cast<std::size_t>(n));
          } else if (n == 0 || errno != EINTR) {
            close_fd(watched[s].fd);
          }
        }
      }
    }
    try {
      // Ctrl-C (KeyboardInterrupt) or another signal whose Python handler raised.
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    } catch (...) {
      stop(pid, watched);
      throw;
    }
  }
  if (!reap(pid, &outcome.status)) raise_os_error(errno, "cannot learn how the child process ended");
  return outcome;
}

}  // namespace pelzak::python

#include "status.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pelzak::lammps {

void report(const std::string& message) { std::fprintf(stderr, "pelzak_lammps: %s\n", message.c_str()); }

int failure(const std::string& message) {
  report(message);
  return exit_failure;
}

int usage_failure(const std::string& message) {
  report(message);
  std::fputs("Try 'pelzak_lammps --help' for more information.\n", stderr);
  return exit_usage;
}

void warn(const std::string& message) {
  std::fprintf(stderr, "pelzak_lammps: warning: %s\n", message.c_str());
}

int finish_stdout() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    report(std::string("cannot write to standard output: ") + std::strerror(errno != 0 ? errno : EIO));
    return exit_failure;
  }
  return exit_ok;
}

}  // namespace pelzak::lammps

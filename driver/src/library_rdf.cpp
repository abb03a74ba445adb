#include "library_rdf.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pelzak/formats/file_names.hpp"
#include "pelzak_aux.h"
#include "result_files.hpp"

namespace pelzak::md {

namespace {

// The descriptor the library opened at an earlier run's step 1, and the file it was opened on.
int library_fd = -1;
dev_t library_dev = 0;
ino_t library_ino = 0;

bool same_file(const struct stat& a, dev_t dev, ino_t ino) { return a.st_dev == dev && a.st_ino == ino; }

bool open_on(int fd, dev_t dev, ino_t ino) {
  struct stat info;
  return fstat(fd, &info) == 0 && same_file(info, dev, ino);
}

// The descriptor of this process that is open on the file (dev, ino), or -1. The library opened
// it last, so it is among the lowest numbers; without /proc the first 1024 are looked at.
int find_descriptor(dev_t dev, ino_t ino) {
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) {
    for (int fd = 0; fd < 1024; ++fd)
      if (open_on(fd, dev, ino)) return fd;
    return -1;
  }
  int found = -1;
  while (const dirent* entry = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(fds)) continue;
    if (open_on(static_cast<int>(fd), dev, ino)) {
      found = static_cast<int>(fd);
      break;
    }
  }
  closedir(fds);
  return found;
}

// Puts a new, empty staged "rdf_argon.dat" under the library's descriptor.
bool redirect_library_fd(const Staging& staging, std::string* message) {
  if (!open_on(library_fd, library_dev, library_ino)) {
    *message = std::string("the descriptor the library keeps for \"") + formats::rdf_file +
               "\" was closed or reused by someone else: a new run in this process would overwrite "
               "what it now names";
    return false;
  }
  const int fd = openat(staging.fd, formats::rdf_file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0 || dup3(fd, library_fd, O_CLOEXEC) < 0) {
    *message = std::string("cannot create \"") + formats::rdf_file + "\": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  close(fd);
  return true;
}

}  // namespace

bool library_rdf_start(const Staging& staging, const double* positions, double* histogram,
                       std::string* message) {
  if (library_fd >= 0 && !redirect_library_fd(staging, message)) return false;
  if (fchdir(staging.fd) != 0) {
    *message = std::string("cannot enter the staging folder: ") + std::strerror(errno);
    return false;
  }
  const std::int64_t step = 1;
  auxiliary_radial_dist(&step, positions, histogram);
  if (fchdir(staging.run_fd) != 0) {
    *message = std::string("cannot return to the working directory: ") + std::strerror(errno);
    return false;
  }
  struct stat info;
  if (fstatat(staging.fd, formats::rdf_file, &info, 0) == 0) {
    library_dev = info.st_dev;
    library_ino = info.st_ino;
    if (library_fd < 0) library_fd = find_descriptor(library_dev, library_ino);
  }
  return true;
}

}  // namespace pelzak::md

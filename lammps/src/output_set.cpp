#include "output_set.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "pelzak/formats/write_all.hpp"

namespace pelzak::lammps {

namespace {

std::string quoted(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  out += text;
  out += '"';
  return out;
}

std::string failure(const std::string& what, const std::string& path, int err) {
  return "cannot " + what + " " + quoted(path) + ": " + std::strerror(err != 0 ? err : EIO);
}

}  // namespace

OutputSet::~OutputSet() {
  for (const std::string& name : staged_) unlink(temporary_path(name).c_str());
}

// Hidden, and private to this process, so that two runs in one folder do not write into each other.
std::string OutputSet::temporary_path(const std::string& name) const {
  return dir_ + "/." + name + "." + std::to_string(getpid()) + ".partial";
}

bool OutputSet::stage(const std::string& name, std::string_view bytes, std::string* message) {
  // A folder in the way would only make the rename fail, after other files were put in place.
  struct stat info;
  if (lstat(path(name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    *message = quoted(path(name)) + " is a folder: move it away";
    return false;
  }
  const std::string temporary = temporary_path(name);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *message = failure("create", path(name), errno);
    return false;
  }
  staged_.push_back(name);
  const bool written = formats::write_all(fd, bytes.data(), bytes.size());
  const int write_errno = errno;
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    *message = failure("write", path(name), written ? errno : write_errno);
    return false;
  }
  return true;
}

bool OutputSet::commit(std::string* message) {
  while (!staged_.empty()) {
    const std::string name = staged_.front();
    if (rename(temporary_path(name).c_str(), path(name).c_str()) != 0) {
      *message = failure("put in place", path(name), errno);
      return false;
    }
    staged_.erase(staged_.begin());
  }
  return true;
}

bool OutputSet::remove_stale(const std::string& name, std::string* message) {
  if (unlink(path(name).c_str()) == 0 || errno == ENOENT) return true;
  *message = failure("remove the earlier", path(name), errno);
  return false;
}

bool make_folder(const std::string& dir, std::string* message) {
  if (mkdir(dir.c_str(), 0777) == 0) return true;
  const int err = errno;
  struct stat info;
  if (err == EEXIST && stat(dir.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    *message = quoted(dir) + " exists and is not a folder";
    return false;
  }
  *message = failure("create the folder", dir, err);
  return false;
}

}  // namespace pelzak::lammps

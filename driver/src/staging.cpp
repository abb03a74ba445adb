#include "staging.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace pelzak::md {

namespace {

std::string quoted(const char* name) { return std::string("\"") + name + "\""; }

// Removes every entry of the folder open as fd. The run puts only files there. Returns 0 or the
// errno of the first entry that could not be removed.
int empty_folder(int fd) {
  const int copy = dup(fd);
  if (copy < 0) return errno;
  DIR* dir = fdopendir(copy);
  if (!dir) {
    const int err = errno;
    close(copy);
    return err;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  int first_error = 0;
  for (const std::string& name : names)
    if (unlinkat(fd, name.c_str(), 0) != 0 && errno != ENOENT && first_error == 0) first_error = errno;
  return first_error;
}

// Removes the staging folder of the run folder run_fd, if there is one. Returns 0 or an errno.
int remove_staging_folder(int run_fd) {
  const int fd = openat(run_fd, staging_folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? 0 : errno;
  const int err = empty_folder(fd);
  close(fd);
  if (unlinkat(run_fd, staging_folder, AT_REMOVEDIR) != 0 && errno != ENOENT) return err != 0 ? err : errno;
  return err;
}

}  // namespace

std::string found_from(const std::string& base, const std::string& path) {
  if (base.empty() || (!path.empty() && path.front() == '/')) return path.empty() ? "." : path;
  return path.empty() ? base : base + "/" + path;
}

std::string folder_text(const Staging& staging) {
  return staging.folder.empty() ? "the working directory"
                                : "the output folder " + quoted(staging.folder.c_str());
}

std::string path_in(const Staging& staging, std::string_view name) {
  std::string path = staging.folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path.append(name);
}

std::string quoted_path(const Staging& staging, std::string_view name) {
  return quoted(path_in(staging, name).c_str());
}

bool run_folder_open(Staging& staging, std::string* message) {
  const std::string folder = found_from(staging.base, staging.folder);
  // mkdir -p: each parent in turn; one that is there already is fine, what cannot be made shows
  // when the folder is opened.
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    mkdir(folder.substr(0, end).c_str(), 0777);
    if (end == std::string::npos) break;
  }
  staging.run_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (staging.run_fd < 0) {
    *message = "cannot open " + folder_text(staging) + ": " + std::strerror(errno);
    return false;
  }
  // A file system without locks (some network mounts) runs unlocked rather than not at all.
  if (flock(staging.run_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    *message = "another pelzak_md run is working in " + folder_text(staging) + ": wait for it to end";
    close(staging.run_fd);
    staging.run_fd = -1;
    return false;
  }
  return true;
}

bool staging_create(Staging& staging, std::string* message) {
  if (mkdirat(staging.run_fd, staging_folder, 0700) != 0 ||
      (staging.fd = openat(staging.run_fd, staging_folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) <
          0) {
    *message = "cannot create the staging folder " + quoted(staging_folder) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool staging_open_existing(Staging& staging, std::string* message) {
  staging.fd = openat(staging.run_fd, staging_folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (staging.fd >= 0) return true;
  if (errno != ENOENT)
    *message = quoted(staging_folder) + " is in the way (" + std::strerror(errno) +
               "): it is not a folder pelzak_md made; move it away";
  return false;
}

bool staging_remove(Staging& staging, std::string* message) {
  if (staging.fd >= 0) close(staging.fd);
  staging.fd = -1;
  const int err = remove_staging_folder(staging.run_fd);
  if (err == 0) return true;
  *message = "cannot remove the staging folder " + quoted(staging_folder) + ": " + std::strerror(err);
  return false;
}

void staging_keep(Staging& staging) {
  if (staging.fd >= 0) close(staging.fd);
  staging.fd = -1;
}

void run_folder_close(Staging& staging) {
  if (staging.run_fd < 0) return;
  std::string ignored;
  if (staging.fd >= 0) staging_remove(staging, &ignored);
  close(staging.run_fd);  // releases the lock
  staging.run_fd = -1;
}

}  // namespace pelzak::md

#include "pelzak/formats/file_set.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "pelzak/formats/write_all.hpp"

namespace pelzak::formats {

namespace {

// The list of a finished set in the staging folder, and the name it is written under first.
constexpr char set_list[] = ".set";
constexpr char set_list_new[] = ".set.new";

std::string quoted(std::string_view name) {
  std::string text(1, '"');
  text.append(name);
  text += '"';
  return text;
}

std::string staging_name(const FileSet& set) { return "." + set.owner + "-staging"; }

bool listed(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Removes every entry of the folder open as fd. Only files are staged there. Returns 0 or the
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

int open_staging(const FileSet& set) {
  return openat(set.folder_fd, staging_name(set).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes the staging folder and everything in it; does nothing if there is none. False with a
// message if something in it cannot be removed.
bool staging_remove(FileSet& set, std::string* message) {
  if (set.fd >= 0) close(set.fd);
  set.fd = -1;
  int err = 0;
  const int fd = open_staging(set);
  if (fd >= 0) {
    err = empty_folder(fd);
    close(fd);
    if (unlinkat(set.folder_fd, staging_name(set).c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT && err == 0)
      err = errno;
  } else if (errno != ENOENT) {
    err = errno;
  }
  if (err == 0) return true;
  *message = "cannot remove the staging folder " + quoted(staging_name(set)) + ": " + std::strerror(err);
  return false;
}

// Leaves the staging folder where it is (a move into place that could not be finished, which the
// next program in the folder finishes) and lets go of it.
void staging_keep(FileSet& set) {
  if (set.fd >= 0) close(set.fd);
  set.fd = -1;
}

// Flushes a file of the folder dir_fd to the disk (a descriptor opened for reading will do).
bool sync_file(int dir_fd, const char* name) {
  const int fd = openat(dir_fd, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

// Writes the names of the set into ".set", durably: after this the set counts as finished.
bool write_set_list(int staging_fd, const std::vector<std::string>& names, std::string* message) {
  std::string text;
  for (const std::string& name : names) text += name + "\n";
  const int fd = openat(staging_fd, set_list_new, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool ok = fd >= 0 && write_all(fd, text.data(), text.size()) && fsync(fd) == 0;
  int err = errno;
  if (fd >= 0 && close(fd) != 0 && ok) ok = false, err = errno;
  if (ok && renameat(staging_fd, set_list_new, staging_fd, set_list) != 0) ok = false, err = errno;
  if (ok && fsync(staging_fd) != 0) ok = false, err = errno;
  if (!ok) *message = std::string("cannot record the finished set of results: ") + std::strerror(err);
  return ok;
}

// Reads ".set"; *found is false if there is none. Only members are taken: the list decides which
// files of the folder are replaced or removed.
bool read_set_list(const FileSet& set, std::vector<std::string>* names, bool* found, std::string* message) {
  *found = false;
  const int fd = openat(set.fd, set_list, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;
    *message = "cannot read the list of an earlier run's results: " + std::string(std::strerror(errno));
    return false;
  }
  std::string text;
  char buffer[512];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0 && text.size() < 4096) text.append(buffer, n);
  close(fd);
  *found = true;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string name = text.substr(start, end - start);
    if (listed(set.members, name) && !listed(*names, name)) names->push_back(name);
  }
  return true;
}

// Steps 2 to 4: the earlier members outside the set go, the set's files move in, and the staging
// folder goes. Renames that an earlier attempt already made are skipped, so a move that was cut
// short can be finished by running this again; if this one cannot finish, the staging folder stays
// for the next program in the folder.
bool finish_move(FileSet& set, const std::vector<std::string>& names, std::vector<std::string>* removed,
                 std::string* message) {
  const std::string finish = " (the next run in " + folder_text(set) + " finishes the move)";
  for (const std::string& name : set.members) {
    if (listed(names, name)) continue;
    if (unlinkat(set.folder_fd, name.c_str(), 0) == 0) {
      removed->push_back(name);
    } else if (errno != ENOENT) {
      *message = "cannot remove the earlier " + quoted_path(set, name) + ": " + std::strerror(errno) + finish;
      staging_keep(set);
      return false;
    }
  }
  for (const std::string& name : set.members) {
    if (!listed(names, name)) continue;
    if (renameat(set.fd, name.c_str(), set.folder_fd, name.c_str()) != 0 && errno != ENOENT) {
      *message = "cannot move " + quoted_path(set, name) + " into place: " + std::strerror(errno) + finish;
      staging_keep(set);
      return false;
    }
  }
  fsync(set.folder_fd);  // best effort: the renames are done either way
  return staging_remove(set, message);
}

}  // namespace

std::string found_from(const std::string& base, const std::string& path) {
  if (base.empty() || (!path.empty() && path.front() == '/')) return path.empty() ? "." : path;
  return path.empty() ? base : base + "/" + path;
}

std::string folder_text(const FileSet& set) {
  return set.folder.empty() ? "the working directory" : "the output folder " + quoted(set.folder);
}

std::string path_in(const FileSet& set, std::string_view name) {
  std::string path = set.folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path.append(name);
}

std::string quoted_path(const FileSet& set, std::string_view name) { return quoted(path_in(set, name)); }

bool file_set_open(FileSet& set, std::string* message) {
  const std::string folder = found_from(set.base, set.folder);
  // mkdir -p: each parent in turn; one that is there already is fine, what cannot be made shows
  // when the folder is opened.
  for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    mkdir(folder.substr(0, end).c_str(), 0777);
    if (end == std::string::npos) break;
  }
  set.folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (set.folder_fd < 0) {
    *message = "cannot open " + folder_text(set) + ": " + std::strerror(errno);
    return false;
  }
  // A file system without locks (some network mounts) runs unlocked rather than not at all.
  if (flock(set.folder_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    *message = "another " + set.owner + " run is working in " + folder_text(set) + ": wait for it to end";
    close(set.folder_fd);
    set.folder_fd = -1;
    return false;
  }
  return true;
}

bool file_set_settle_leftover(FileSet& set, std::string* note, std::string* message) {
  note->clear();
  message->clear();
  set.fd = open_staging(set);
  if (set.fd < 0) {
    if (errno == ENOENT) return true;
    *message = quoted(staging_name(set)) + " is in the way (" + std::strerror(errno) +
               "): it is not a folder " + set.owner + " made; move it away";
    return false;
  }
  std::vector<std::string> names, removed;
  bool finished = false;
  if (!read_set_list(set, &names, &finished, message)) return false;
  if (!finished) return staging_remove(set, message);
  *note = "finished moving the results of an earlier run into place: its move had been cut short";
  return finish_move(set, names, &removed, message);
}

bool file_set_check(const FileSet& set, std::string* message) {
  if (faccessat(set.folder_fd, ".", W_OK | X_OK, 0) != 0) {
    *message = "cannot create files in " + folder_text(set) + ": " + std::strerror(errno);
    return false;
  }
  // In a folder with the sticky bit (such as /tmp) only the owner of a file, or of the folder, may
  // replace or remove it.
  struct stat folder;
  const bool sticky = fstat(set.folder_fd, &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
                      folder.st_uid != geteuid() && geteuid() != 0;
  for (const std::string& name : set.members) {
    struct stat info;
    if (fstatat(set.folder_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      *message = "cannot examine " + quoted_path(set, name) + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      *message = quoted_path(set, name) + " is a directory: move it away so the result can be written";
      return false;
    }
    if (S_ISREG(info.st_mode) && faccessat(set.folder_fd, name.c_str(), W_OK, 0) != 0) {
      *message = quoted_path(set, name) + " is write-protected: make it writable or move it away";
      return false;
    }
    if (sticky && info.st_uid != geteuid()) {
      *message =
          quoted_path(set, name) + " belongs to another user in a shared directory: ask them to move it away";
      return false;
    }
  }
  return true;
}

bool staging_create(FileSet& set, std::string* message) {
  const std::string name = staging_name(set);
  if (mkdirat(set.folder_fd, name.c_str(), 0700) != 0 || (set.fd = open_staging(set)) < 0) {
    *message = "cannot create the staging folder " + quoted(name) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool staging_write(const FileSet& set, const std::string& name, std::string_view bytes,
                   std::string* message) {
  const int fd = openat(set.fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *message = "cannot create " + quoted_path(set, name) + ": " + std::strerror(errno);
    return false;
  }
  const bool written = write_all(fd, bytes.data(), bytes.size());
  const int write_errno = errno;
  const bool closed = close(fd) == 0;
  if (written && closed) return true;
  const int err = written ? errno : write_errno;
  *message = "cannot write " + quoted_path(set, name) + ": " + std::strerror(err != 0 ? err : EIO);
  return false;
}

bool file_set_commit(FileSet& set, std::vector<std::string>* written, std::vector<std::string>* removed,
                     std::string* message) {
  written->clear();
  for (const std::string& name : set.members) {
    struct stat info;
    if (fstatat(set.fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!sync_file(set.fd, name.c_str())) {
      *message = "cannot write " + quoted(name) + ": " + std::strerror(errno);
      return false;
    }
    written->push_back(name);
  }
  return write_set_list(set.fd, *written, message) && finish_move(set, *written, removed, message);
}

FileSet::~FileSet() {
  if (folder_fd < 0) return;
  std::string ignored;
  if (fd >= 0) staging_remove(*this, &ignored);
  close(folder_fd);  // releases the lock
}

}  // namespace pelzak::formats

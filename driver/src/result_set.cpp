#include "result_set.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "result_files.hpp"

namespace pelzak::md {

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

bool listed(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Flushes a file of the folder dir_fd to the disk (a descriptor opened for reading will do).
bool sync_file(int dir_fd, const char* name) {
  const int fd = openat(dir_fd, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

bool write_all(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the names of the set into ".set", durably: after this the set counts as finished.
bool write_set_list(int staging_fd, const std::vector<std::string>& names, std::string* message) {
  std::string text;
  for (const std::string& name : names) text += name + "\n";
  const int fd = openat(staging_fd, set_list_new, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool ok = fd >= 0 && write_all(fd, text) && fsync(fd) == 0;
  int err = errno;
  if (fd >= 0 && close(fd) != 0 && ok) ok = false, err = errno;
  if (ok && renameat(staging_fd, set_list_new, staging_fd, set_list) != 0) ok = false, err = errno;
  if (ok && fsync(staging_fd) != 0) ok = false, err = errno;
  if (!ok) *message = std::string("cannot record the finished set of results: ") + std::strerror(err);
  return ok;
}

// Reads ".set"; *found is false if there is none. Only names of result files are taken: the list
// decides which files of the run folder are replaced or removed.
bool read_set_list(int staging_fd, std::vector<std::string>* names, bool* found, std::string* message) {
  *found = false;
  const int fd = openat(staging_fd, set_list, O_RDONLY | O_CLOEXEC);
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
    if (is_result_file(name) && !listed(*names, name)) names->push_back(name);
  }
  return true;
}

// Steps 2 to 4: the earlier files outside the set go, the set's files move in (g(r) last), and
// the staging folder goes. Renames that an earlier attempt already made are skipped, so a move
// that was cut short can be finished by running this again; if this one cannot finish, the
// staging folder stays for the next run.
bool finish_move(Staging& staging, const std::vector<std::string>& names, std::vector<std::string>* removed,
                 std::string* message) {
  for (std::string_view result : result_files) {
    const std::string name(result);
    if (listed(names, name)) continue;
    if (unlinkat(staging.run_fd, name.c_str(), 0) == 0) {
      removed->push_back(name);
    } else if (errno != ENOENT) {
      *message = "cannot remove the earlier " + quoted_path(staging, name) + ": " + std::strerror(errno) +
                 " (the next run in " + folder_text(staging) + " finishes the move)";
      staging_keep(staging);
      return false;
    }
  }
  for (std::string_view result : result_files) {
    const std::string name(result);
    if (!listed(names, name)) continue;
    if (renameat(staging.fd, name.c_str(), staging.run_fd, name.c_str()) != 0 && errno != ENOENT) {
      *message = "cannot move " + quoted_path(staging, name) + " into place: " + std::strerror(errno) +
                 " (the next run in " + folder_text(staging) + " finishes the move)";
      staging_keep(staging);
      return false;
    }
  }
  fsync(staging.run_fd);  // best effort: the renames are done either way
  return staging_remove(staging, message);
}

}  // namespace

bool is_result_file(std::string_view name) {
  return std::find(std::begin(result_files), std::end(result_files), name) != std::end(result_files);
}

bool results_check(const Staging& staging, std::string* message) {
  if (faccessat(staging.run_fd, ".", W_OK | X_OK, 0) != 0) {
    *message = "cannot create files in " + folder_text(staging) + ": " + std::strerror(errno);
    return false;
  }
  // In a folder with the sticky bit (such as /tmp) only the owner of a file, or of the folder, may
  // replace or remove it.
  struct stat folder;
  const bool sticky = fstat(staging.run_fd, &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
                      folder.st_uid != geteuid() && geteuid() != 0;
  for (std::string_view result : result_files) {
    const std::string name(result);
    struct stat info;
    if (fstatat(staging.run_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      *message = "cannot examine " + quoted_path(staging, name) + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      *message = quoted_path(staging, name) + " is a directory: move it away so the result can be written";
      return false;
    }
    if (S_ISREG(info.st_mode) && faccessat(staging.run_fd, name.c_str(), W_OK, 0) != 0) {
      *message = quoted_path(staging, name) + " is write-protected: make it writable or move it away";
      return false;
    }
    if (sticky && info.st_uid != geteuid()) {
      *message = quoted_path(staging, name) +
                 " belongs to another user in a shared directory: ask them to move it away";
      return false;
    }
  }
  return true;
}

bool results_commit(Staging& staging, std::vector<std::string>* written, std::vector<std::string>* removed,
                    std::string* message) {
  written->clear();
  for (std::string_view result : result_files) {
    const std::string name(result);
    struct stat info;
    if (fstatat(staging.fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!sync_file(staging.fd, name.c_str())) {
      *message = "cannot write " + quoted(name) + ": " + std::strerror(errno);
      return false;
    }
    written->push_back(name);
  }
  return write_set_list(staging.fd, *written, message) && finish_move(staging, *written, removed, message);
}

bool results_settle_leftover(Staging& staging, std::string* note, std::string* message) {
  note->clear();
  message->clear();
  if (!staging_open_existing(staging, message)) return message->empty();
  std::vector<std::string> names, removed;
  bool finished = false;
  if (!read_set_list(staging.fd, &names, &finished, message)) return false;
  if (!finished) return staging_remove(staging, message);
  *note = "finished moving the results of an earlier run into place: its move had been cut short";
  return finish_move(staging, names, &removed, message);
}

}  // namespace pelzak::md

#include "output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pelzak::initial {

namespace {

bool fail(OutputFile& file, const char* action, int err) {
  std::fprintf(stderr, "pelzak_initial: cannot %s \"%s\": %s\n", action, file.name, std::strerror(err));
  file.failed = true;
  return false;
}

bool refusal_of_write(int err) { return err == EACCES || err == EPERM || err == EROFS; }

}  // namespace

bool open_output(OutputFile& file, const char* name) {
  file = OutputFile{};
  file.name = name;
  file.fd = open(name, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (file.fd < 0) {
    const int err = errno;
    // Write access refused: an existing file is still opened, read-only, and left untouched
    // when the first write fails. If it cannot be opened at all, the refusal is the reason.
    if (refusal_of_write(err)) file.fd = open(name, O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) return fail(file, "open", err);
    file.refused = err;
  }
  struct stat info;
  if (fstat(file.fd, &info) != 0) return fail(file, "open", errno);
  file.regular = S_ISREG(info.st_mode);
  return true;
}

bool write_record(OutputFile& file, std::string_view record) {
  if (file.failed) return false;
  const long long record_start = file.offset;
  const char* p = record.data();
  size_t left = record.size();
  while (left > 0) {
    const ssize_t n = write(file.fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A read-only descriptor fails with EBADF; the reason users need is the refused access.
      const int err = n < 0 ? errno : EIO;
      // A record cut short (the disk filled up inside it) would read back as a complete line
      // with wrong or missing numbers; cut the file back to the last whole record, so that what
      // remains is plainly short and a reader reports the missing lines.
      if (file.regular && file.offset != record_start) {
        int status;
        do status = ftruncate(file.fd, static_cast<off_t>(record_start));
        while (status != 0 && errno == EINTR);
        file.offset = record_start;
      }
      return fail(file, "write", file.refused != 0 && err == EBADF ? file.refused : err);
    }
    p += n;
    left -= static_cast<size_t>(n);
    file.offset += n;
  }
  if (file.regular) {
    int status;
    do status = ftruncate(file.fd, static_cast<off_t>(file.offset));
    while (status != 0 && errno == EINTR);
    if (status != 0) return fail(file, "write", errno);
  }
  return true;
}

bool close_output(OutputFile& file) {
  if (file.fd < 0) return false;
  // Linux releases the descriptor even when close reports an error, so it is never retried.
  const int status = close(file.fd);
  const int err = errno;
  file.fd = -1;
  if (file.failed) return false;
  if (status != 0) return fail(file, "close", err);
  return true;
}

}  // namespace pelzak::initial

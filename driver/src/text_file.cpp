#include "text_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pelzak::md {

namespace {
std::string describe(const std::string& what, const std::string& name, int err) {
  return "cannot " + what + " \"" + name + "\": " + std::strerror(err);
}
}  // namespace

bool text_open_in(TextFile& out, int folder_fd, const std::string& name, std::string* message) {
  out = TextFile{};
  out.name = name;
  const int fd = openat(folder_fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd >= 0) out.file = fdopen(fd, "w");
  if (!out.file) {
    *message = describe("create", name, errno ? errno : EIO);
    if (fd >= 0) close(fd);
    return false;
  }
  return true;
}

void text_write(TextFile& out, std::string_view text) {
  if (!out.file || out.error || text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out.file) != text.size()) out.error = errno ? errno : EIO;
}

bool text_close(TextFile& out, std::string* message) {
  if (!out.file) return out.error == 0;
  errno = 0;
  if (std::fflush(out.file) != 0 && !out.error) out.error = errno ? errno : EIO;
  errno = 0;
  if (std::fclose(out.file) != 0 && !out.error) out.error = errno ? errno : EIO;
  out.file = nullptr;
  if (out.error) {
    *message = describe("write", out.name, out.error);
    return false;
  }
  return true;
}

}  // namespace pelzak::md

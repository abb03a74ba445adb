#include "pelzak/formats/text_input.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace pelzak::formats {

int read_whole_file(const std::string& path, std::string* bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      bytes->append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int error = n < 0 ? errno : 0;
    close(fd);
    return error;
  }
}

std::string shown(std::string_view text) {
  std::string out(text.substr(0, 60));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  if (text.size() > 60) out += "...";
  return out;
}

}  // namespace pelzak::formats

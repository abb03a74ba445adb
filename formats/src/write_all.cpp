#include "pelzak/formats/write_all.hpp"

#include <unistd.h>
#include <cerrno>

namespace pelzak::formats {

bool write_all(int fd, const char* bytes, std::size_t length) {
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = write(fd, bytes + done, length - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      if (n == 0) errno = 0;
      return false;
    }
  }
  return true;
}

}  // namespace pelzak::formats

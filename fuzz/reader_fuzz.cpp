// The whole configuration reader over arbitrary file contents.
//
// The same bytes are read twice: from memory, and through a file descriptor (an anonymous
// in-memory file) in 4096-byte chunks, so every line boundary falls across a chunk boundary
// somewhere in the corpus. Both reads must agree on the status, the diagnostic and every bit
// of both arrays, including the values that landed before a failure. An accepted file has 866
// lines or more and only finite values; a file stopped at end of file has fewer.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "check.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak_model.h"

using pelzak::fuzz::require;

namespace {

using namespace pelzak::formats;
namespace model = pelzak::model;

constexpr int n_values = 3 * model::atoms;
constexpr long lines_needed = 2 + model::atoms;

struct Arrays {
  double positions[n_values];
  double velocities[n_values];
};

// Lines as the reader counts them: a last line without a line feed counts too.
long count_lines(const std::uint8_t* data, std::size_t size) {
  long lines = 0;
  for (std::size_t k = 0; k < size; ++k) lines += data[k] == '\n';
  if (size > 0 && data[size - 1] != '\n') ++lines;
  return lines;
}

// A recognisable value in every element not yet written by the reader.
void fill_unread(Arrays& a) {
  for (int n = 0; n < n_values; ++n) a.positions[n] = a.velocities[n] = -1234.5678;
}

int memory_file(const std::uint8_t* data, std::size_t size) {
  const int fd = memfd_create("ar_simulation.dat", MFD_CLOEXEC);
  require(fd >= 0);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    require(n > 0);
    done += static_cast<std::size_t>(n);
  }
  require(lseek(fd, 0, SEEK_SET) == 0);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Arrays from_memory, from_fd;
  fill_unread(from_memory);
  fill_unread(from_fd);
  ReadDiagnostic memory_diagnostic{}, fd_diagnostic{};

  const ReadStatus status =
      read_configuration(reinterpret_cast<const char*>(data), size, from_memory.positions,
                         from_memory.velocities, &memory_diagnostic);
  const int fd = memory_file(data, size);
  const ReadStatus fd_status = read_configuration(fd, from_fd.positions, from_fd.velocities, &fd_diagnostic);
  close(fd);

  require(fd_status == status);
  require(std::memcmp(&from_memory, &from_fd, sizeof from_memory) == 0);
  if (status == ReadStatus::ok) {
    require(count_lines(data, size) >= lines_needed);
    for (int n = 0; n < n_values; ++n)
      require(std::isfinite(from_memory.positions[n]) && std::isfinite(from_memory.velocities[n]));
    return 0;
  }
  require(std::strcmp(memory_diagnostic.text, fd_diagnostic.text) == 0);
  require(std::strncmp(memory_diagnostic.text, "\"ar_simulation.dat\", line ", 26) == 0);
  require(status != ReadStatus::read_error);
  if (status == ReadStatus::end_of_file) require(count_lines(data, size) < lines_needed);
  return 0;
}

// Loads "ar_simulation.dat" with the configuration reader of pelzak::formats, and ends the process
// with its diagnostic when the file is missing, short or malformed.
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "diagnostics.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak/formats/file_names.hpp"
#include "routines/routines.hpp"

namespace pelzak::aux {

void read_file(double* positions, double* velocities) {
  using formats::start_file;
  // Created empty when missing (and left behind so), never truncated; reading needs no write
  // permission, so a write-protected file reads normally.
  const int fd = open(start_file, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fail("\"%s\": cannot open: %s", start_file, std::strerror(errno));
  formats::ReadDiagnostic diagnostic;
  const formats::ReadStatus status = formats::read_configuration(fd, positions, velocities, &diagnostic);
  close(fd);
  if (status != formats::ReadStatus::ok) fail("%s", diagnostic.text);
}

}  // namespace pelzak::aux

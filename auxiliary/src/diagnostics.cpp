#include "diagnostics.hpp"

#include <unistd.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "pelzak/formats/write_all.hpp"

namespace pelzak::aux {

void fail(const char* format, ...) {
  char message[1024];
  int used = std::snprintf(message, sizeof message, "%s", failure_prefix);
  va_list args;
  va_start(args, format);
  const int body = std::vsnprintf(message + used, sizeof message - used - 1, format, args);
  va_end(args);
  if (body > 0) used += body;
  if (used > static_cast<int>(sizeof message) - 2) used = static_cast<int>(sizeof message) - 2;
  message[used++] = '\n';

  // Best effort: the process ends next whatever happens to standard error.
  formats::write_all(STDERR_FILENO, message, used);
  std::exit(failure_status);
}

}  // namespace pelzak::aux

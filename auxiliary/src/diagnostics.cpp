#include "diagnostics.hpp"

#include <unistd.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "write_all.hpp"

namespace pelzak::aux {

void fail(const char* format, ...) {
  char message[1024];
  int used = std::snprintf(message, sizeof message, "pelzak_aux: ");
  va_list args;
  va_start(args, format);
  const int body = std::vsnprintf(message + used, sizeof message - used - 1, format, args);
  va_end(args);
  if (body > 0) used += body;
  if (used > static_cast<int>(sizeof message) - 2) used = static_cast<int>(sizeof message) - 2;
  message[used++] = '\n';

  // Best effort: the process ends next whatever happens to standard error.
  write_all(STDERR_FILENO, message, used);
  std::exit(failure_status);
}

void quote_bytes(const char* text, int len, char* out, std::size_t out_size) {
  static constexpr char hex[] = "0123456789abcdef";
  std::size_t used = 0;
  for (int k = 0; k < len; ++k) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    const bool plain = c >= 0x20 && c < 0x7f && c != '"' && c != '\\';
    const std::size_t need = plain ? 1 : 4;
    if (used + need + 1 > out_size) break;
    if (plain) {
      out[used++] = static_cast<char>(c);
    } else {
      out[used++] = '\\';
      out[used++] = 'x';
      out[used++] = hex[c >> 4];
      out[used++] = hex[c & 15];
    }
  }
  if (out_size > 0) out[used < out_size ? used : out_size - 1] = '\0';
}

}  // namespace pelzak::aux

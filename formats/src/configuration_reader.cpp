// Bytes come through a fixed buffer from read(2), or straight from memory. The rest of an over-long
// line is consumed up to its line feed and ignored, so no input can make the reader run past its
// buffers; a line that reaches longest_input_line bytes without a line feed stops the read.
#include "pelzak/formats/configuration_reader.hpp"

#include <unistd.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "pelzak/formats/configuration.hpp"
#include "pelzak/formats/fields.hpp"
#include "pelzak/formats/file_names.hpp"

namespace pelzak::formats {
namespace {

using namespace configuration;

// Bytes come from a descriptor through chunk, or from memory when fd is negative.
struct LineReader {
  int fd;
  int line_number;  // lines returned so far
  const char* data;
  std::size_t used;
  std::size_t length;
  bool end_of_file;
  int read_errno;
  char chunk[4096];
};

// Copies len bytes of field text into out (size out_size, always NUL-terminated), showing blanks
// and printable ASCII as they are and every other byte as \xHH, so that a diagnostic shows binary
// garbage and NUL bytes visibly.
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

// Says one line why the read failed; returns status so callers can write `return report(...)`.
ReadStatus report(ReadDiagnostic* diagnostic, ReadStatus status, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
ReadStatus report(ReadDiagnostic* diagnostic, ReadStatus status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(diagnostic->text, sizeof diagnostic->text, format, args);
  va_end(args);
  return status;
}

// Makes more bytes available; false at the end of the input or on a read error (read_errno).
bool refill(LineReader& in) {
  if (in.fd < 0) return false;
  for (;;) {
    const ssize_t n = read(in.fd, in.chunk, sizeof in.chunk);
    if (n > 0) {
      in.data = in.chunk;
      in.used = 0;
      in.length = static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) in.read_errno = errno;
    return false;
  }
}

enum class LineStatus { line, end_of_file, too_long, read_error };

// Reads the next line into line[0..record_width), padded with blanks. The file ends for good
// when no byte of a new line is left (a last line without a line feed still counts).
LineStatus next_line(LineReader& in, char* line) {
  std::memset(line, ' ', record_width);
  if (in.end_of_file) return LineStatus::end_of_file;
  long length = 0;
  bool any = false;
  for (;;) {
    if (in.used == in.length && !refill(in)) {
      if (in.read_errno != 0) return LineStatus::read_error;
      in.end_of_file = true;
      break;
    }
    const char c = in.data[in.used++];
    any = true;
    if (c == '\n') break;
    if (length < record_width) line[length] = c;
    if (++length > longest_input_line) return LineStatus::too_long;
  }
  if (!any) return LineStatus::end_of_file;
  if (length >= 1 && length <= record_width && line[length - 1] == '\r') line[length - 1] = ' ';
  ++in.line_number;
  return LineStatus::line;
}

ReadStatus bad_field(const char* name, int line_number, const char* line, const Field& field,
                     FieldStatus status, ReadDiagnostic* diagnostic) {
  // Show the field without its surrounding blanks.
  int begin = field.first - 1;
  int end = field.last();
  while (begin < end && line[begin] == ' ') ++begin;
  while (end > begin && line[end - 1] == ' ') --end;
  char shown[4 * record_width + 1];
  quote_bytes(line + begin, end - begin, shown, sizeof shown);
  const bool range = status == FieldStatus::out_of_range;
  return report(diagnostic, range ? ReadStatus::out_of_range : ReadStatus::bad_value,
                "\"%s\", line %d: %s \"%s\" in the %s field (columns %d-%d)", name, line_number,
                range ? "value out of range" : "bad value", shown, field.name, field.first, field.last());
}

// One atom record of a file of `atoms` atoms: the integers are parsed and discarded, the names not
// looked at; each real lands as soon as it is parsed: positions x, y, z, then velocities x, y, z.
ReadStatus parse_record(const char* name, const char* line, int line_number, int atom, int atoms,
                        double* positions, double* velocities, ReadDiagnostic* diagnostic) {
  long ignored = 0;
  for (int f = 0; f < field_count; ++f) {
    const Field& field = record_fields[f];
    const char* text = line + field.first - 1;
    FieldStatus status = FieldStatus::ok;
    if (field.kind == Kind::integer) {
      status = parse_integer_field(text, field.width, &ignored);
    } else if (field.kind == Kind::real) {
      const int r = f - first_real_field;
      status = parse_real_field(text, field.width,
                                (r < 3 ? positions : velocities) + (r % 3) * static_cast<long>(atoms) + atom);
    }
    if (status != FieldStatus::ok) return bad_field(name, line_number, line, field, status, diagnostic);
  }
  return ReadStatus::ok;
}

ReadStatus read_lines(LineReader& in, const char* name, int atoms, double* positions, double* velocities,
                      ReadDiagnostic* diagnostic) {
  char line[record_width];
  const int lines = header_lines + atoms;
  for (int n = 1; n <= lines; ++n) {
    switch (next_line(in, line)) {
      case LineStatus::line: break;
      case LineStatus::end_of_file:
        return report(diagnostic, ReadStatus::end_of_file,
                      "\"%s\", line %d: end of file: the file has %d line%s, a configuration "
                      "needs %d (2 header lines and %d atom records); run pelzak_initial to "
                      "write one",
                      name, n, in.line_number, in.line_number == 1 ? "" : "s", lines, atoms);
      case LineStatus::too_long:
        return report(diagnostic, ReadStatus::line_too_long,
                      "\"%s\", line %d: more than %ld bytes without a line feed: this is not a "
                      "configuration file (records are %d columns); run pelzak_initial to write "
                      "one",
                      name, n, longest_input_line, record_width);
      case LineStatus::read_error:
        return report(diagnostic, ReadStatus::read_error, "\"%s\", line %d: cannot read: %s", name, n,
                      std::strerror(in.read_errno));
    }
    if (n <= header_lines) continue;
    const ReadStatus status =
        parse_record(name, line, n, n - header_lines - 1, atoms, positions, velocities, diagnostic);
    if (status != ReadStatus::ok) return status;
  }
  return ReadStatus::ok;
}

}  // namespace

ReadStatus parse_atom_record(const char* line, int line_number, int atom, double* positions,
                             double* velocities, ReadDiagnostic* diagnostic) {
  return parse_record(start_file, line, line_number, atom, model::atoms, positions, velocities, diagnostic);
}

ReadStatus read_configuration(int fd, double* positions, double* velocities, ReadDiagnostic* diagnostic) {
  LineReader in{};
  in.fd = fd;
  return read_lines(in, start_file, model::atoms, positions, velocities, diagnostic);
}

ReadStatus read_configuration(const char* bytes, std::size_t length, double* positions, double* velocities,
                              ReadDiagnostic* diagnostic) {
  LineReader in{};
  in.fd = -1;
  in.data = bytes;
  in.length = length;
  return read_lines(in, start_file, model::atoms, positions, velocities, diagnostic);
}

ReadStatus read_configuration(const char* bytes, std::size_t length, const char* name, int atoms,
                              double* positions, double* velocities, ReadDiagnostic* diagnostic) {
  LineReader in{};
  in.fd = -1;
  in.data = bytes;
  in.length = length;
  return read_lines(in, name, atoms, positions, velocities, diagnostic);
}

ReadStatus read_atom_count(const char* bytes, std::size_t length, const char* name, long* atoms,
                           ReadDiagnostic* diagnostic) {
  LineReader in{};
  in.fd = -1;
  in.data = bytes;
  in.length = length;
  char line[record_width];
  for (int n = 1; n <= 2; ++n) {
    if (next_line(in, line) != LineStatus::line)
      return report(diagnostic, ReadStatus::end_of_file,
                    "\"%s\", line %d: end of file: a configuration begins with a title line and a line "
                    "holding the atom count",
                    name, n);
  }
  // The count right-aligned in columns 2 ... 21 (configuration.hpp).
  const Field count{2, count_width, 0, Kind::integer, "atom count"};
  const FieldStatus status = parse_integer_field(line + count.first - 1, count.width, atoms);
  if (status != FieldStatus::ok) return bad_field(name, 2, line, count, status, diagnostic);
  return ReadStatus::ok;
}

}  // namespace pelzak::formats

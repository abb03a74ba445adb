// Loads "ar_simulation.dat": two header lines skipped whole, then 864 fixed-column atom records.
//
// The file is read with read(2) through a fixed buffer (or straight from memory). Only the first
// 68 columns of a line are kept; the rest of an over-long line is consumed up to its line feed
// and ignored, so no input can make the reader run past its buffers. A line that reaches
// longest_line bytes without a line feed stops the read: such input is no configuration, and an
// endless stream would otherwise be read forever. A carriage return right before the line feed
// is dropped, so files with CR LF line ends read like LF ones. Lines after the last record are
// never read.
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "diagnostics.hpp"
#include "field_parse.hpp"
#include "pelzak_model.h"
#include "read_configuration.hpp"
#include "routines.hpp"

namespace pelzak::aux {
namespace {

constexpr const char* config_name = "ar_simulation.dat";
constexpr int header_lines = 2;
constexpr int total_lines = header_lines + model::atoms;
constexpr int record_width = 68;

// One numeric field of an atom record: columns first..last (1-based, inclusive).
struct Field {
  int first;
  int last;
  const char* name;
};
constexpr Field index_fields[2] = {{1, 5, "atom index"}, {16, 20, "second atom index"}};
// Columns 6-10 and 11-15 hold the two names, read as text and discarded.
constexpr Field real_fields[6] = {
    {21, 28, "x position"}, {29, 36, "y position"}, {37, 44, "z position"},
    {45, 52, "x velocity"}, {53, 60, "y velocity"}, {61, 68, "z velocity"},
};

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
    if (++length > longest_line) return LineStatus::too_long;
  }
  if (!any) return LineStatus::end_of_file;
  if (length >= 1 && length <= record_width && line[length - 1] == '\r') line[length - 1] = ' ';
  ++in.line_number;
  return LineStatus::line;
}

ReadStatus bad_field(int line_number, const char* line, const Field& field, FieldStatus status,
                     ReadDiagnostic* diagnostic) {
  // Show the field without its surrounding blanks.
  int begin = field.first - 1;
  int end = field.last;
  while (begin < end && line[begin] == ' ') ++begin;
  while (end > begin && line[end - 1] == ' ') --end;
  char shown[4 * record_width + 1];
  quote_bytes(line + begin, end - begin, shown, sizeof shown);
  const bool range = status == FieldStatus::out_of_range;
  return report(diagnostic, range ? ReadStatus::out_of_range : ReadStatus::bad_value,
                "\"%s\", line %d: %s \"%s\" in the %s field (columns %d-%d)", config_name, line_number,
                range ? "value out of range" : "bad value", shown, field.name, field.first, field.last);
}

ReadStatus read_lines(LineReader& in, double* positions, double* velocities, ReadDiagnostic* diagnostic) {
  char line[record_width];
  for (int n = 1; n <= total_lines; ++n) {
    switch (next_line(in, line)) {
      case LineStatus::line: break;
      case LineStatus::end_of_file:
        return report(diagnostic, ReadStatus::end_of_file,
                      "\"%s\", line %d: end of file: the file has %d line%s, a configuration "
                      "needs %d (2 header lines and %d atom records); run pelzak_initial to "
                      "write one",
                      config_name, n, in.line_number, in.line_number == 1 ? "" : "s", total_lines,
                      model::atoms);
      case LineStatus::too_long:
        return report(diagnostic, ReadStatus::line_too_long,
                      "\"%s\", line %d: more than %ld bytes without a line feed: this is not a "
                      "configuration file (records are %d columns); run pelzak_initial to write "
                      "one",
                      config_name, n, longest_line, record_width);
      case LineStatus::read_error:
        return report(diagnostic, ReadStatus::read_error, "\"%s\", line %d: cannot read: %s", config_name, n,
                      std::strerror(in.read_errno));
    }
    if (n <= header_lines) continue;
    const ReadStatus status =
        parse_atom_record(line, n, n - header_lines - 1, positions, velocities, diagnostic);
    if (status != ReadStatus::ok) return status;
  }
  return ReadStatus::ok;
}

}  // namespace

ReadStatus parse_atom_record(const char* line, int line_number, int atom, double* positions,
                             double* velocities, ReadDiagnostic* diagnostic) {
  long ignored = 0;
  for (const Field& field : index_fields) {
    const FieldStatus status =
        parse_integer_field(line + field.first - 1, field.last - field.first + 1, &ignored);
    if (status != FieldStatus::ok) return bad_field(line_number, line, field, status, diagnostic);
  }
  // Each value lands as soon as it is parsed: positions x, y, z, then velocities x, y, z.
  for (int f = 0; f < 6; ++f) {
    const Field& field = real_fields[f];
    double* target = (f < 3 ? positions : velocities) + (f % 3) * model::atoms + atom;
    const FieldStatus status = parse_real_field(line + field.first - 1, field.last - field.first + 1, target);
    if (status != FieldStatus::ok) return bad_field(line_number, line, field, status, diagnostic);
  }
  return ReadStatus::ok;
}

ReadStatus read_configuration(int fd, double* positions, double* velocities, ReadDiagnostic* diagnostic) {
  LineReader in{};
  in.fd = fd;
  return read_lines(in, positions, velocities, diagnostic);
}

ReadStatus read_configuration(const char* bytes, std::size_t length, double* positions, double* velocities,
                              ReadDiagnostic* diagnostic) {
  LineReader in{};
  in.fd = -1;
  in.data = bytes;
  in.length = length;
  return read_lines(in, positions, velocities, diagnostic);
}

void read_file(double* positions, double* velocities) {
  // Created empty when missing (and left behind so), never truncated; reading needs no write
  // permission, so a write-protected file reads normally.
  const int fd = open(config_name, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fail("\"%s\": cannot open: %s", config_name, std::strerror(errno));
  ReadDiagnostic diagnostic;
  const ReadStatus status = read_configuration(fd, positions, velocities, &diagnostic);
  close(fd);
  if (status != ReadStatus::ok) fail("%s", diagnostic.text);
}

}  // namespace pelzak::aux

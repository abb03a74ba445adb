// Loads "ar_simulation.dat": two header lines skipped whole, then 864 fixed-column atom records.
//
// The file is read with read(2) through a fixed buffer. Only the first 68 columns of a line are
// kept; the rest of an over-long line is consumed up to its line feed and ignored, so no input
// can make the reader run past its buffers. A carriage return right before the line feed is
// dropped, so files with CR LF line ends read like LF ones. Lines after the last record are
// never read.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "constants.hpp"
#include "diagnostics.hpp"
#include "field_parse.hpp"
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
constexpr Field first_index{1, 5, "atom index"};
constexpr Field second_index{16, 20, "second atom index"};
// Columns 6-10 and 11-15 hold the two names, read as text and discarded.
constexpr Field real_fields[6] = {
    {21, 28, "x position"}, {29, 36, "y position"}, {37, 44, "z position"},
    {45, 52, "x velocity"}, {53, 60, "y velocity"}, {61, 68, "z velocity"},
};

struct LineReader {
  int fd;
  int line_number;  // lines returned so far
  char chunk[4096];
  int chunk_used;
  int chunk_length;
  bool end_of_file;
};

// Fills the chunk; returns false at end of file. A read error ends the process.
bool refill(LineReader& in) {
  for (;;) {
    const ssize_t n = read(in.fd, in.chunk, sizeof in.chunk);
    if (n > 0) {
      in.chunk_used = 0;
      in.chunk_length = static_cast<int>(n);
      return true;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    fail("\"%s\", line %d: cannot read: %s", config_name, in.line_number + 1, std::strerror(errno));
  }
}

// Reads the next line into line[0..record_width), padded with blanks. Returns false when the
// file ends before any byte of a new line (a last line without a line feed still counts).
bool next_line(LineReader& in, char* line) {
  std::memset(line, ' ', record_width);
  if (in.end_of_file) return false;
  int length = 0;
  bool any = false;
  for (;;) {
    if (in.chunk_used == in.chunk_length && !refill(in)) {
      in.end_of_file = true;
      break;
    }
    const char c = in.chunk[in.chunk_used++];
    any = true;
    if (c == '\n') break;
    if (length < record_width) line[length] = c;
    ++length;
  }
  if (!any) return false;
  if (length >= 1 && length <= record_width && line[length - 1] == '\r') line[length - 1] = ' ';
  ++in.line_number;
  return true;
}

[[noreturn]] void bad_field(const LineReader& in, const char* line, const Field& field,
                            FieldStatus status) {
  // Show the field without its surrounding blanks.
  int begin = field.first - 1;
  int end = field.last;
  while (begin < end && line[begin] == ' ') ++begin;
  while (end > begin && line[end - 1] == ' ') --end;
  char shown[4 * record_width + 1];
  quote_bytes(line + begin, end - begin, shown, sizeof shown);
  fail("\"%s\", line %d: %s \"%s\" in the %s field (columns %d-%d)", config_name, in.line_number,
       status == FieldStatus::out_of_range ? "value out of range" : "bad value", shown, field.name,
       field.first, field.last);
}

void check_integer(const LineReader& in, const char* line, const Field& field) {
  long ignored = 0;
  const FieldStatus status =
      parse_integer_field(line + field.first - 1, field.last - field.first + 1, &ignored);
  if (status != FieldStatus::ok) bad_field(in, line, field, status);
}

double read_real(const LineReader& in, const char* line, const Field& field) {
  double value = 0.0;
  const FieldStatus status =
      parse_real_field(line + field.first - 1, field.last - field.first + 1, &value);
  if (status != FieldStatus::ok) bad_field(in, line, field, status);
  return value;
}

}  // namespace

void read_file(double* positions, double* velocities) {
  // Created empty when missing (and left behind so), never truncated; reading needs no write
  // permission, so a write-protected file reads normally.
  const int fd = open(config_name, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fail("\"%s\": cannot open: %s", config_name, std::strerror(errno));

  LineReader in{};
  in.fd = fd;
  char line[record_width];
  for (int n = 1; n <= total_lines; ++n) {
    if (!next_line(in, line)) {
      close(fd);
      fail("\"%s\", line %d: end of file: the file has %d line%s, a configuration needs %d "
           "(2 header lines and %d atom records); run pelzak_initial to write one",
           config_name, n, in.line_number, in.line_number == 1 ? "" : "s", total_lines,
           model::atoms);
    }
    if (n <= header_lines) continue;

    const int i = n - header_lines - 1;  // 0-based atom
    check_integer(in, line, first_index);
    check_integer(in, line, second_index);
    // Each value lands as soon as it is parsed.
    for (int k = 0; k < 3; ++k) positions[k * model::atoms + i] = read_real(in, line, real_fields[k]);
    for (int k = 0; k < 3; ++k)
      velocities[k * model::atoms + i] = read_real(in, line, real_fields[3 + k]);
  }
  close(fd);
}

}  // namespace pelzak::aux

// One atom record of "ar_simulation.dat", any bytes in its 68 columns.
//
// Beyond "no crash, no undefined behaviour", every accepted record must satisfy two properties
// of the format: all six reals are finite, and blanks inside a real field do not matter (the
// field with its blanks squeezed out and the rest right-aligned reads to the same bits).
// A refused record must come with a diagnostic naming the file and the line.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "check.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak_model.h"

using pelzak::fuzz::bits;
using pelzak::fuzz::require;

namespace {

using namespace pelzak::formats;
namespace model = pelzak::model;

constexpr int width = 68;
constexpr int first_real_column = 20;  // 0-based start of the x position field
constexpr int real_width = 8;
constexpr int atom = 4;         // where the record lands (0-based)
constexpr int line_number = 7;  // the line it is named by in a diagnostic

struct Arrays {
  double positions[3 * model::atoms];
  double velocities[3 * model::atoms];
};

// The six reals of the record that arrived at atom in arrays.
void values(const Arrays& a, double out[6]) {
  for (int k = 0; k < 3; ++k) {
    out[k] = a.positions[k * model::atoms + atom];
    out[3 + k] = a.velocities[k * model::atoms + atom];
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  char line[width];
  std::memset(line, ' ', width);
  std::memcpy(line, data, size < width ? size : width);

  static Arrays a;
  ReadDiagnostic diagnostic;
  const ReadStatus status =
      parse_atom_record(line, line_number, atom, a.positions, a.velocities, &diagnostic);
  if (status != ReadStatus::ok) {
    require(status == ReadStatus::bad_value || status == ReadStatus::out_of_range);
    require(std::strncmp(diagnostic.text, "\"ar_simulation.dat\", line 7: ", 29) == 0);
    return 0;
  }
  double read[6];
  values(a, read);
  for (double x : read) require(std::isfinite(x));

  char squeezed[width];
  std::memcpy(squeezed, line, width);
  for (int f = 0; f < 6; ++f) {
    char* field = squeezed + first_real_column + f * real_width;
    char kept[real_width];
    int n = 0;
    for (int c = 0; c < real_width; ++c)
      if (field[c] != ' ') kept[n++] = field[c];
    std::memset(field, ' ', real_width - n);
    std::memcpy(field + real_width - n, kept, n);
  }
  static Arrays b;
  require(parse_atom_record(squeezed, line_number, atom, b.positions, b.velocities, &diagnostic) ==
          ReadStatus::ok);
  double again[6];
  values(b, again);
  for (int f = 0; f < 6; ++f) require(bits(again[f]) == bits(read[f]));
  return 0;
}

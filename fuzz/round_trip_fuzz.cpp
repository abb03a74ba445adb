// Write a double as the generator writes a fixed-point field, read it back as the library reads
// a real field: for any double, the text read back is the nearest double of the printed
// decimals, keeps the sign bit, and prints again as the same text. A field of asterisks (a value
// that does not fit, NaN, an infinity) is refused by the reader, never read as a number.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "check.hpp"
#include "pelzak/formats/fields.hpp"

using pelzak::fuzz::bits;
using pelzak::fuzz::require;

namespace {

constexpr int width = 8;  // every real field of the configuration file

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  double x;
  std::memcpy(&x, data, sizeof x);
  const int decimals = data[8] % 6;  // the file uses 3 and 4; 0 to 5 all fit the field

  char field[width + 1] = {};
  pelzak::formats::put_fixed(field, width, decimals, x);
  double value = 0.0;
  const pelzak::formats::FieldStatus status = pelzak::formats::parse_real_field(field, width, &value);
  if (std::strspn(field, "*") == width) {
    require(status == pelzak::formats::FieldStatus::bad_value);
    return 0;
  }
  require(status == pelzak::formats::FieldStatus::ok);
  // The C library's correctly rounded conversion of the same text (this process keeps the
  // C locale, whose decimal point is the one printed).
  require(bits(value) == bits(std::strtod(field, nullptr)));
  require(std::signbit(value) == std::signbit(x));
  char again[width + 1] = {};
  pelzak::formats::put_fixed(again, width, decimals, value);
  require(std::memcmp(again, field, width) == 0);
  return 0;
}

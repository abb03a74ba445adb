// Printing a double as the generator prints a fixed-point field and reading the field back as
// the library reads a real field.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bits.hpp"
#include "pelzak/formats/fields.hpp"

namespace pelzak::faults {

inline constexpr int field_width = 8;  // every real field of the configuration file

inline std::string printed(double x, int decimals) {
  std::string field(field_width, '?');
  formats::put_fixed(field.data(), field_width, decimals, x);
  return field;
}

// The nearest double of a decimal text, by the C library (the tests keep the C locale).
inline double nearest(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

using test::bits;

// Prints x, reads the field back and checks the round trip: the value read is the nearest double
// of the printed decimals with the sign bit of x, and a field of asterisks (no fit, NaN,
// infinity) is refused. Returns the field.
inline std::string round_trip(double x, int decimals) {
  const std::string field = printed(x, decimals);
  double value = 0.0;
  const auto status = formats::parse_real_field(field.data(), field_width, &value);
  if (field == std::string(field_width, '*')) {
    EXPECT_EQ(status, formats::FieldStatus::bad_value) << x;
    return field;
  }
  EXPECT_EQ(status, formats::FieldStatus::ok) << '"' << field << '"';
  EXPECT_EQ(bits(value), bits(nearest(field))) << '"' << field << "\" from " << x;
  EXPECT_EQ(std::signbit(value), std::signbit(x)) << '"' << field << '"';
  return field;
}

// Every decimal text with `decimals` places from lowest to highest units of the last place:
// its nearest double prints as that very text, and it and its two neighbours read back as the
// nearest double of what they print.
inline void every_text(long lowest, long highest, int decimals) {
  long scale = 1;
  for (int d = 0; d < decimals; ++d) scale *= 10;
  char text[32];
  for (long m = lowest; m <= highest; ++m) {
    const long whole = std::labs(m) / scale, fraction = std::labs(m) % scale;
    std::snprintf(text, sizeof text, "%s%ld.%0*ld", m < 0 ? "-" : "", whole, decimals, fraction);
    const double x = nearest(text);
    const std::string field = round_trip(x, decimals);
    ASSERT_EQ(field.substr(field.find_first_not_of(' ')), text);
    round_trip(std::nextafter(x, -INFINITY), decimals);
    round_trip(std::nextafter(x, INFINITY), decimals);
    if (testing::Test::HasFailure()) return;
  }
}

}  // namespace pelzak::faults

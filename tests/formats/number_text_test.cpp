// The number text of every file and message: each form's digits, one "nan" for every NaN, and the
// trajectory's shortcut the same bytes as std::to_chars.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::formats {
namespace {

TEST(NumberText, EachFormAndItsNonFiniteValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(shortest(0.1), "0.1");
  EXPECT_EQ(shortest(1.0 / 3.0), "0.3333333333333333");
  EXPECT_EQ(shortest(-1e300), "-1e+300");
  EXPECT_EQ(fixed(2.7349, 2), "2.73");
  EXPECT_EQ(fixed(0.125, 2), "0.12");  // the exact binary value, ties to even
  EXPECT_EQ(rounded(0.04 * 7.0, 6), "0.28");
  EXPECT_EQ(compact(94.44, 1), "94.4");
  EXPECT_EQ(compact(3.1654e33, 1), "3.165e+33");
  for (const std::string& text :
       {shortest(nan), shortest(-nan), fixed(-nan, 2), rounded(nan, 3), compact(nan, 1)})
    EXPECT_EQ(text, "nan");
  EXPECT_EQ(shortest(-HUGE_VAL), "-inf");
  EXPECT_EQ(compact(HUGE_VAL, 1), "inf");
}

std::string to_chars_text(double x, int decimals) {
  char buf[400];
  const auto r = decimals < 0 ? std::to_chars(buf, buf + sizeof buf, x)
                              : std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

void expect_as_to_chars(double x, int decimals) {
  std::string text;
  append_fixed(text, x, decimals);
  ASSERT_EQ(text, to_chars_text(x, decimals)) << std::hexfloat << x << " with " << decimals << " decimals";
}

// append_fixed's shortcut writes what std::to_chars writes: on ties of the exact binary value (k / 2^m), the
// doubles next to them, and doubles of every magnitude and bit pattern.
TEST(NumberText, AppendFixedIsWhatToCharsWrites) {
  std::mt19937_64 engine(11);
  for (int decimals = -1; decimals <= 9; ++decimals) {
    for (int m = 1; m <= 40; ++m)
      for (std::int64_t k = -40; k <= 40; ++k) {
        const double tie = std::ldexp(static_cast<double>(2 * k + 1), -m);
        for (double x : {tie, std::nextafter(tie, -1e300), std::nextafter(tie, 1e300)})
          expect_as_to_chars(x, decimals);
      }
    for (int n = 0; n < 20000; ++n) {
      const std::uint64_t bits = engine();
      double any;
      std::memcpy(&any, &bits, sizeof any);
      const double scaled = std::ldexp(std::uniform_real_distribution<double>(-1.0, 1.0)(engine),
                                       static_cast<int>(engine() % 80) - 30);
      expect_as_to_chars(any, decimals);
      expect_as_to_chars(scaled, decimals);
    }
    for (double x : {0.0, -0.0, -1e-7, 1e-300, 0x1p49, 0x1p53, 1e300, HUGE_VAL, -HUGE_VAL, std::nan("")})
      expect_as_to_chars(x, decimals);
  }
}

}  // namespace
}  // namespace pelzak::formats

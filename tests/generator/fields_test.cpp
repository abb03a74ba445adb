// Fixed-width fields and the line layout of "ar_simulation.dat".
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "pelzak/formats/configuration_writer.hpp"
#include "pelzak/formats/fields.hpp"

using namespace pelzak::formats;

namespace {

std::string fixed(double value, int width, int decimals) {
  std::string s(static_cast<size_t>(width), '?');
  put_fixed(s.data(), width, decimals, value);
  return s;
}

std::string integer(long long value, int width) {
  std::string s(static_cast<size_t>(width), '?');
  put_integer(s.data(), width, value);
  return s;
}

std::string text(std::string_view t, int width) {
  std::string s(static_cast<size_t>(width), '?');
  put_text(s.data(), width, t);
  return s;
}

}  // namespace

TEST(FixedField, RoundsToNearestFromTheExactBinaryValue) {
  EXPECT_EQ(fixed(1.2344, 8, 3), "   1.234");
  EXPECT_EQ(fixed(1.2346, 8, 3), "   1.235");
  EXPECT_EQ(fixed(0.14017, 8, 4), "  0.1402");
  // 1.0005 is stored as 1.000499999999999945...: below the half, although 1.0005 * 1000 rounds
  // to 1000.5 in double arithmetic.
  EXPECT_EQ(fixed(1.0005, 8, 3), "   1.000");
  // 0.0015 is stored as 0.00150000000000000003...: above the half.
  EXPECT_EQ(fixed(0.0015, 8, 3), "   0.002");
  EXPECT_EQ(fixed(9.99951, 8, 3), "  10.000");
  EXPECT_EQ(fixed(-1.73893, 8, 3), "  -1.739");
}

TEST(FixedField, ExactHalvesRoundAwayFromZero) {
  // Binary fractions that lie exactly halfway; printf alone would give 0.062, 0.12 and 2.
  EXPECT_EQ(fixed(0.0625, 8, 3), "   0.063");
  EXPECT_EQ(fixed(-0.0625, 8, 3), "  -0.063");
  EXPECT_EQ(fixed(0.125, 6, 2), "  0.13");
  EXPECT_EQ(fixed(0.9375, 8, 3), "   0.938");
  EXPECT_EQ(fixed(2.5, 4, 0), "  3.");
  EXPECT_EQ(fixed(99.5, 5, 0), " 100.");
  EXPECT_EQ(fixed(-0.5, 4, 0), " -1.");
  EXPECT_EQ(fixed(1.03125, 8, 4), "  1.0313");
}

TEST(FixedField, ValuesBelowOneKeepTheirLeadingZero) {
  EXPECT_EQ(fixed(0.5, 8, 3), "   0.500");
  EXPECT_EQ(fixed(0.0004, 8, 3), "   0.000");
  EXPECT_EQ(fixed(0.0, 8, 4), "  0.0000");
  EXPECT_EQ(fixed(-0.25, 6, 3), "-0.250");
}

TEST(FixedField, NegativeValuesThatRoundToZeroKeepTheMinusSign) {
  EXPECT_EQ(fixed(-0.0004, 8, 3), "  -0.000");
  EXPECT_EQ(fixed(-0.00004, 8, 4), " -0.0000");
  EXPECT_EQ(fixed(-1e-300, 8, 3), "  -0.000");
  // The sign bit of a negative zero is written too, so it reads back as the same value.
  EXPECT_EQ(fixed(-0.0, 8, 3), "  -0.000");
}

TEST(FixedField, ValuesTooWideForTheFieldBecomeAsterisks) {
  EXPECT_EQ(fixed(9999.999, 8, 3), "9999.999");
  EXPECT_EQ(fixed(-999.999, 8, 3), "-999.999");
  EXPECT_EQ(fixed(12345.678, 8, 3), "********");
  EXPECT_EQ(fixed(-999.9996, 8, 3), "********");  // rounds to -1000.000, nine characters
  EXPECT_EQ(fixed(9999.9996, 8, 3), "********");
  EXPECT_EQ(fixed(0.5, 4, 3), "****");  // "0.500" needs five
  EXPECT_EQ(fixed(1e300, 8, 3), "********");
  EXPECT_EQ(fixed(-1e31, 8, 4), "********");
  EXPECT_EQ(fixed(std::numeric_limits<double>::infinity(), 8, 3), "********");
  EXPECT_EQ(fixed(-std::numeric_limits<double>::infinity(), 8, 3), "********");
  EXPECT_EQ(fixed(std::nan(""), 8, 3), "********");
  EXPECT_EQ(fixed(1.0, max_field_width + 1, 3), std::string(max_field_width + 1, '*'));
  EXPECT_EQ(fixed(1.0, 30, max_decimals + 1), std::string(30, '*'));
}

TEST(FixedField, AgreesWithPrintfAwayFromTies) {
  // A fixed walk over a wide range of values: away from exact halves the correctly rounded digits
  // of the C library (C locale) are the expected output, in every field that fits.
  std::uint64_t state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const double unit = static_cast<double>(state >> 11) * 0x1p-53;  // [0, 1)
    const double value = (unit - 0.5) * std::ldexp(1.0, static_cast<int>(state % 28) - 12);
    char expected[64];
    for (int decimals : {3, 4}) {
      std::snprintf(expected, sizeof expected, "%8.*f", decimals, value);
      if (std::string(expected).size() > 8) continue;
      ASSERT_EQ(fixed(value, 8, decimals), expected) << "value " << value;
    }
  }
}

TEST(FixedField, IgnoresTheProcessLocale) {
  const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8",  "fr_FR.UTF-8", "fr_FR.utf8",
                              "ru_RU.UTF-8", "nl_NL.UTF-8", "de_DE",       "fr_FR"};
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  const char* found = nullptr;
  for (const char* name : candidates) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      found = name;
      break;
    }
  }
  if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed here";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  const std::string with_locale = fixed(-0.0625, 8, 3) + fixed(1.2346, 8, 4) + integer(864, 20);
  std::setlocale(LC_NUMERIC, before.c_str());
  EXPECT_STRNE(probe, "0.5") << found << " should print a decimal comma";
  EXPECT_EQ(with_locale, "  -0.063  1.2346" + std::string(17, ' ') + "864");
}

TEST(IntegerAndTextFields, AreRightAlignedAndOverflowToAsterisks) {
  EXPECT_EQ(integer(864, 5), "  864");
  EXPECT_EQ(integer(864, 20), std::string(17, ' ') + "864");
  EXPECT_EQ(integer(-1234, 5), "-1234");
  EXPECT_EQ(integer(-12345, 5), "*****");
  EXPECT_EQ(integer(123456, 5), "*****");
  EXPECT_EQ(integer(std::numeric_limits<long long>::min(), 20), "-9223372036854775808");
  EXPECT_EQ(text("Ar", 5), "   Ar");
  EXPECT_EQ(text("Argonaut", 5), "Argon");
}

TEST(GeneratorLayout, LinesMatchTheFileColumnForColumn) {
  char line[configuration::record_width + 1];
  EXPECT_EQ(std::string(line, title_line(line)), " Test\n");
  EXPECT_EQ(std::string(line, count_line(line, 864)), "                  864 Argon\n");
  const double position[3] = {0.0, 1.2344, 1.73893 * (1 - 0x1p-24)};
  const double velocity[3] = {-0.14017, 0.0, -0.00004};
  EXPECT_EQ(std::string(line, atom_record(line, 864, position, velocity)),
            //   i5|  a5|  a5|  i5|   f8.3|   f8.3|   f8.3|   f8.4|   f8.4|   f8.4
            "  864   Ar   Ar  864   0.000   1.234   1.739 -0.1402  0.0000 -0.0000\n");
  EXPECT_EQ(title_line(line), configuration::title_width + 1);
  EXPECT_EQ(count_line(line, 864), configuration::count_line_width + 1);
}

// The fixed-width fields of the configuration file, written and read, and the writer's lines.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
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

FieldStatus real_status(const std::string& field, double* value = nullptr) {
  double scratch = 0.0;
  return parse_real_field(field.data(), static_cast<int>(field.size()), value ? value : &scratch);
}

double real(const std::string& field) {
  double value = -999.0;
  EXPECT_EQ(real_status(field, &value), FieldStatus::ok) << '"' << field << '"';
  return value;
}

// The nearest double to a decimal text with a point, by the C library in the C locale.
double nearest(const char* text) { return std::strtod(text, nullptr); }

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

TEST(ConfigurationWriter, LinesMatchTheFileColumnForColumn) {
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

TEST(RealField, ExplicitPointFixesTheFraction) {
  EXPECT_EQ(real("   1.234"), 1.234);
  EXPECT_EQ(real("  0.1234"), 0.1234);  // all four written decimals, not three
  EXPECT_EQ(real(" -1.7389"), -1.7389);
  EXPECT_EQ(real("   5."), 5.0);
  EXPECT_EQ(real("  -.5"), -0.5);
  EXPECT_EQ(real("+12.5"), 12.5);
}

TEST(RealField, WithoutAPointTheLastThreeDigitsAreTheFraction) {
  EXPECT_EQ(real("    1234"), 1.234);
  EXPECT_EQ(real("      12"), 0.012);
  EXPECT_EQ(real("   -1234"), -1.234);
  EXPECT_EQ(real("12E1"), 0.12);  // 0.012 times ten
}

TEST(RealField, BlanksAreIgnoredAndABlankFieldIsZero) {
  EXPECT_EQ(real(" 1 2.3 4"), 12.34);
  EXPECT_EQ(real("- 1. 5  "), -1.5);
  double v = 1.0;
  EXPECT_EQ(real_status("        ", &v), FieldStatus::ok);
  EXPECT_EQ(v, 0.0);
  EXPECT_FALSE(std::signbit(v));
  EXPECT_EQ(real_status("", &v), FieldStatus::ok);
  EXPECT_EQ(v, 0.0);
}

TEST(RealField, ExponentsTakeEOrDInEitherCase) {
  EXPECT_EQ(real("1.5E2"), 150.0);
  EXPECT_EQ(real("1.5e2"), 150.0);
  EXPECT_EQ(real("1.5D-1"), 0.15);
  EXPECT_EQ(real("1.5d+1"), 15.0);
  EXPECT_EQ(real("-2.E 3"), -2000.0);
  EXPECT_EQ(real("1.0E-999"), 0.0);  // underflows to the nearest double, zero
}

TEST(RealField, NegativeZeroKeepsItsSign) {
  const double v = real("  -0.000");
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(std::signbit(v));
}

TEST(RealField, AnythingElseIsABadValue) {
  for (const char* bad :
       {"12a.4", "1.2.3", "1e",    "1e+", "+",    "-",   ".",   "-.",   "--1",  "1-",      "1+2",
        "e5",    "1E5.0", "1E2E3", "1,5", "0x10", "inf", "nan", "1\t2", "\x01", "\xff\xfe"}) {
    EXPECT_EQ(real_status(bad), FieldStatus::bad_value) << '"' << bad << '"';
  }
  const std::string with_nul(
      "1\0"
      "2",
      3);
  EXPECT_EQ(real_status(with_nul), FieldStatus::bad_value);
}

TEST(RealField, MagnitudesBeyondTheLargestDoubleAreOutOfRange) {
  EXPECT_EQ(real_status("1.0E999"), FieldStatus::out_of_range);
  EXPECT_EQ(real_status("-1.E9999"), FieldStatus::out_of_range);
  EXPECT_EQ(real_status("0.0E9999"), FieldStatus::ok);
  EXPECT_EQ(real_status("1.0E9999999999999999999"), FieldStatus::out_of_range);  // no overflow
}

TEST(RealField, ConvertsToTheNearestDouble) {
  // Random decimal texts of the widths the file uses, against the C library's correctly
  // rounded conversion of the same decimal number written with its point.
  std::mt19937_64 rng(20240611);
  std::uniform_int_distribution<long> mantissa(-9999999, 99999999);
  for (int n = 0; n < 20000; ++n) {
    const long m = mantissa(rng);
    std::string digits = std::to_string(std::labs(m));
    const int decimals = n % 5;
    while (static_cast<int>(digits.size()) <= decimals) digits = "0" + digits;
    const std::string sign = m < 0 ? "-" : "";
    const std::string with_point =
        sign + digits.substr(0, digits.size() - decimals) + "." + digits.substr(digits.size() - decimals);
    ASSERT_EQ(real(with_point), nearest(with_point.c_str())) << with_point;
    // The same digits without a point carry three implied decimals.
    std::string implied = digits;
    while (implied.size() < 4) implied = "0" + implied;
    const std::string as_decimal =
        sign + implied.substr(0, implied.size() - 3) + "." + implied.substr(implied.size() - 3);
    ASSERT_EQ(real(sign + digits), nearest(as_decimal.c_str())) << sign + digits;
  }
  EXPECT_EQ(real("0.30000000000000004"), 0.30000000000000004);
  EXPECT_EQ(real("9007199254740993"), 9007199254740.993);
}

TEST(IntegerField, SignDigitsAndBlanks) {
  long v = -1;
  EXPECT_EQ(parse_integer_field("  864", 5, &v), FieldStatus::ok);
  EXPECT_EQ(v, 864);
  EXPECT_EQ(parse_integer_field(" - 12", 5, &v), FieldStatus::ok);
  EXPECT_EQ(v, -12);
  EXPECT_EQ(parse_integer_field("     ", 5, &v), FieldStatus::ok);
  EXPECT_EQ(v, 0);
  for (const char* bad : {"  1.0", "   1a", "    -", "  1-2", "   +-", "\0\0\0\0\0"}) {
    EXPECT_EQ(parse_integer_field(bad, 5, &v), FieldStatus::bad_value) << bad;
  }
}

TEST(RealField, ArbitraryBytesNeverMisbehave) {
  std::mt19937 rng(68);
  const char alphabet[] = " 0123456789+-.eEdD\t\0x\xff";
  for (int n = 0; n < 200000; ++n) {
    char field[32];
    const int width = static_cast<int>(rng() % 33);
    for (int k = 0; k < width; ++k) field[k] = alphabet[rng() % (sizeof alphabet - 1)];
    double value = 0.0;
    const FieldStatus status = parse_real_field(field, width, &value);
    if (status == FieldStatus::ok) {
      ASSERT_TRUE(std::isfinite(value));
    }
  }
}

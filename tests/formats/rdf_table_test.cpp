// The 25-character number fields of "rdf_argon.dat".
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "pelzak/formats/rdf_table.hpp"

namespace {

std::string field(double x) {
  char out[pelzak::formats::number_field_width];
  pelzak::formats::format_number_field(x, out);
  return std::string(out, sizeof out);
}

}  // namespace

TEST(NumberField, FixedNotationFromOneTenthToTenToThe17) {
  EXPECT_EQ(field(0.0), "  0.0000000000000000     ");
  EXPECT_EQ(field(-0.0), " -0.0000000000000000     ");
  EXPECT_EQ(field(0.1), " 0.10000000000000001     ");
  EXPECT_EQ(field(-0.5), "-0.50000000000000000     ");
  EXPECT_EQ(field(1.5), "  1.5000000000000000     ");
  EXPECT_EQ(field(2.4445281328143831), "  2.4445281328143831     ");
  EXPECT_EQ(field(1.0101137499999999), "  1.0101137499999999     ");
  EXPECT_EQ(field(1e16), "  10000000000000000.     ");
  EXPECT_EQ(field(99999999999999984.0), "  99999999999999984.     ");  // largest double below 1e17
  EXPECT_EQ(field(-12345678.9), " -12345678.900000000     ");
}

TEST(NumberField, ScientificNotationOutsideWithThreeDigitExponents) {
  EXPECT_EQ(field(0.00869465 / 2 / 0.34), "  1.2786249999999999E-002");
  EXPECT_EQ(field(std::nextafter(0.1, 0.0)), "  9.9999999999999992E-002");
  EXPECT_EQ(field(1e17), "  1.0000000000000000E+017");
  EXPECT_EQ(field(-1e300), " -1.0000000000000001E+300");
  EXPECT_EQ(field(DBL_MAX), "  1.7976931348623157E+308");
  EXPECT_EQ(field(-DBL_TRUE_MIN), " -4.9406564584124654E-324");
  EXPECT_EQ(field(DBL_MIN), "  2.2250738585072014E-308");
}

TEST(NumberField, NonFiniteValuesAreNamed) {
  EXPECT_EQ(field(INFINITY), "                 Infinity");
  EXPECT_EQ(field(-INFINITY), "                -Infinity");
  EXPECT_EQ(field(NAN), "                      NaN");
}

TEST(NumberField, ReadsBackToTheSameDouble) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> exponent(-320.0, 308.0);
  for (int n = 0; n < 20000; ++n) {
    const double x = (n % 2 ? -1 : 1) * std::pow(10.0, exponent(rng)) * (1 + (n % 7) / 7.0);
    if (!std::isfinite(x)) continue;
    const std::string text = field(x);
    ASSERT_EQ(text.size(), 25u);
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
  }
}

TEST(NumberField, IndependentOfTheLocaleDecimalPoint) {
  // Any locale whose decimal point is not '.' will do; C.UTF-8 keeps '.', so the check runs
  // only where such a locale is installed.
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR", "ru_RU.UTF-8"}) {
    if (!std::setlocale(LC_NUMERIC, name)) continue;
    if (std::localeconv()->decimal_point[0] == '.') {
      std::setlocale(LC_NUMERIC, "C");
      continue;
    }
    const std::string got = field(1.5) + field(0.0125);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(got, "  1.5000000000000000       1.2500000000000001E-002") << name;
    return;
  }
  GTEST_SKIP() << "no locale with a comma decimal point is installed";
}

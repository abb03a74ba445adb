// The decimal number is gathered by hand (sign, digits, decimal exponent) and handed to
// strtod as a canonical string without a decimal point, such as "-1234e-3": the locale's
// decimal point then cannot matter, and glibc's strtod rounds correctly to nearest.
#include "pelzak/formats/fields.hpp"

#include "pelzak/formats/configuration.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pelzak::formats {
namespace {

// Larger exponents cannot change the outcome (overflow or zero) for fields this narrow;
// the bound keeps the exponent arithmetic far from integer overflow.
constexpr long exponent_bound = 100000;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

FieldStatus parse_integer_field(const char* field, int width, long* value) {
  long magnitude = 0;
  bool negative = false;
  bool seen_sign = false;
  int digits = 0;
  for (int k = 0; k < width; ++k) {
    const char c = field[k];
    if (c == ' ') continue;
    if ((c == '+' || c == '-') && !seen_sign && digits == 0) {
      seen_sign = true;
      negative = c == '-';
    } else if (is_digit(c)) {
      if (magnitude < exponent_bound) magnitude = magnitude * 10 + (c - '0');
      ++digits;
    } else {
      return FieldStatus::bad_value;
    }
  }
  if (digits == 0 && seen_sign) return FieldStatus::bad_value;
  if (magnitude >= exponent_bound) return FieldStatus::out_of_range;
  *value = negative ? -magnitude : magnitude;
  return FieldStatus::ok;
}

FieldStatus parse_real_field(const char* field, int width, double* value) {
  if (width > max_field_width) return FieldStatus::bad_value;

  enum class Part { mantissa, exponent } part = Part::mantissa;
  char digits[max_field_width + 1];
  int n_digits = 0;
  bool negative = false;
  bool mantissa_sign = false;
  bool seen_point = false;
  int fraction_digits = 0;
  bool seen_anything = false;
  long exponent = 0;
  bool exponent_negative = false;
  bool exponent_sign = false;
  int exponent_digits = 0;

  for (int k = 0; k < width; ++k) {
    const char c = field[k];
    if (c == ' ') continue;
    seen_anything = true;
    if (part == Part::mantissa) {
      if ((c == '+' || c == '-') && !mantissa_sign && n_digits == 0 && !seen_point) {
        mantissa_sign = true;
        negative = c == '-';
      } else if (is_digit(c)) {
        digits[n_digits++] = c;
        if (seen_point) ++fraction_digits;
      } else if (c == '.' && !seen_point) {
        seen_point = true;
      } else if ((c == 'E' || c == 'e' || c == 'D' || c == 'd') && n_digits > 0) {
        part = Part::exponent;
      } else {
        return FieldStatus::bad_value;
      }
    } else {
      if ((c == '+' || c == '-') && !exponent_sign && exponent_digits == 0) {
        exponent_sign = true;
        exponent_negative = c == '-';
      } else if (is_digit(c)) {
        if (exponent < exponent_bound) exponent = exponent * 10 + (c - '0');
        ++exponent_digits;
      } else {
        return FieldStatus::bad_value;
      }
    }
  }

  if (!seen_anything) {
    *value = 0.0;
    return FieldStatus::ok;
  }
  if (n_digits == 0) return FieldStatus::bad_value;
  if (part == Part::exponent && exponent_digits == 0) return FieldStatus::bad_value;

  const long scale = (exponent_negative ? -exponent : exponent) -
                     (seen_point ? fraction_digits : configuration::implied_decimals);
  char canonical[max_field_width + 32];
  std::snprintf(canonical, sizeof canonical, "%s%.*se%ld", negative ? "-" : "", n_digits, digits, scale);
  const double result = std::strtod(canonical, nullptr);
  if (std::isinf(result)) return FieldStatus::out_of_range;
  *value = result;
  return FieldStatus::ok;
}

}  // namespace pelzak::formats

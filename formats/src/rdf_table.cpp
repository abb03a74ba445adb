// The 17 correctly rounded significant digits and the decimal exponent come from
// snprintf("%.16e"); only its digits, sign and exponent are used, never its decimal point,
// so the locale cannot change the text. The layout is assembled here.
#include "pelzak/formats/rdf_table.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace pelzak::formats {
namespace {

constexpr int significant = 17;
constexpr int fixed_width = 20;  // fixed notation: right-aligned in 20, then 5 blanks

void right_align(const char* text, int length, int width, char* out) {
  std::memset(out, ' ', width - length);
  std::memcpy(out + width - length, text, length);
}

}  // namespace

void format_number_field(double x, char* out) {
  const int width = number_field_width;
  if (std::isnan(x)) return right_align("NaN", 3, width, out);
  if (std::isinf(x)) {
    return x < 0 ? right_align("-Infinity", 9, width, out) : right_align("Infinity", 8, width, out);
  }

  char printed[64];
  std::snprintf(printed, sizeof printed, "%.16e", x);

  // Gather sign, the 17 digits and the exponent; anything between the first digit and the
  // rest is the locale's decimal point and is skipped.
  bool negative = false;
  char digits[significant];
  int n_digits = 0;
  int exponent = 0;
  const char* p = printed;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  for (; *p && *p != 'e' && *p != 'E'; ++p) {
    if (*p >= '0' && *p <= '9' && n_digits < significant) digits[n_digits++] = *p;
  }
  if (*p) ++p;
  bool exponent_negative = false;
  if (*p == '+' || *p == '-') exponent_negative = *p++ == '-';
  for (; *p >= '0' && *p <= '9'; ++p) exponent = exponent * 10 + (*p - '0');
  if (exponent_negative) exponent = -exponent;

  // The rounded value lies in [10^exponent, 10^(exponent+1)); zero prints with exponent 0.
  char text[32];
  int length = 0;
  if (negative) text[length++] = '-';
  if (exponent >= -1 && exponent < significant) {
    const int integer_digits = exponent + 1;  // 0 for [0.1, 1): a leading zero instead
    if (integer_digits == 0) text[length++] = '0';
    for (int k = 0; k < integer_digits; ++k) text[length++] = digits[k];
    text[length++] = '.';
    for (int k = integer_digits; k < significant; ++k) text[length++] = digits[k];
    right_align(text, length, fixed_width, out);
    std::memset(out + fixed_width, ' ', width - fixed_width);
    return;
  }
  text[length++] = digits[0];
  text[length++] = '.';
  for (int k = 1; k < significant; ++k) text[length++] = digits[k];
  text[length++] = 'E';
  text[length++] = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  text[length++] = static_cast<char>('0' + magnitude / 100);
  text[length++] = static_cast<char>('0' + magnitude / 10 % 10);
  text[length++] = static_cast<char>('0' + magnitude % 10);
  right_align(text, length, width, out);
}

void rdf_table(const double* label, const double* g, char* text) {
  for (int b = 0; b < model::bins; ++b) {
    char* line = text + b * rdf_line_length;
    line[0] = ' ';
    format_number_field(label[b], line + 1);
    line[1 + number_field_width] = ' ';
    format_number_field(g[b], line + 2 + number_field_width);
    line[rdf_line_length - 1] = '\n';
  }
}

}  // namespace pelzak::formats

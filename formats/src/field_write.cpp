// The digits come from snprintf("%.*f"), which in glibc rounds the exact binary value correctly;
// only the decimal point it prints depends on the locale (a comma, or several bytes, in some), so
// the digits are taken without it and the point is placed here. printf rounds an exact tie to
// even; this file's rule is half away from zero, so ties are found and rounded up by hand.
#include "pelzak/formats/fields.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace pelzak::formats {

namespace {

// Every value below this prints in fewer digits than any field holds.
constexpr double too_wide = 1e32;
// Room for 32 integer digits, the point and max_decimals + 1 fraction digits, and the NUL.
constexpr int digit_room = 64;

// The digits of "%.*f" for a magnitude below too_wide, integer part then `decimals` fraction
// digits, with whatever the locale uses as decimal point left out. Returns their count.
int printed_digits(char* digits, double magnitude, int decimals) {
  char text[digit_room + 16];
  std::snprintf(text, sizeof text, "%.*f", decimals, magnitude);
  int n = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c >= '0' && *c <= '9') digits[n++] = *c;
  }
  return n;
}

// The digits of `magnitude` rounded to `decimals` places, exact halves rounded up.
//
// A tie lies at an odd multiple of 0.5e-d = 1 / (2^(d+1) 5^d); a double is a binary fraction, so
// it can sit there only if magnitude * 2^(d+1) is whole. Such a magnitude has at most d + 1
// decimal places, so printing d + 1 of them is exact, and a final 5 marks the tie.
int rounded_digits(char* digits, double magnitude, int decimals) {
  const double scaled = std::ldexp(magnitude, decimals + 1);
  if (scaled == std::floor(scaled)) {
    int n = printed_digits(digits, magnitude, decimals + 1);
    if (digits[n - 1] == '5') {
      --n;
      int i = n - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        std::memmove(digits + 1, digits, static_cast<size_t>(n));
        digits[0] = '1';
        ++n;
      }
      return n;
    }
  }
  return printed_digits(digits, magnitude, decimals);
}

void fill(char* field, int width, char c) { std::memset(field, c, static_cast<size_t>(width)); }

}  // namespace

void put_fixed(char* field, int width, int decimals, double value) {
  if (width <= 0) return;
  const double magnitude = std::fabs(value);
  // The comparison is false for NaN, which therefore takes the asterisks too.
  if (width > max_field_width || decimals < 0 || decimals > max_decimals || !(magnitude < too_wide)) {
    fill(field, width, '*');
    return;
  }
  char digits[digit_room];
  const int n = rounded_digits(digits, magnitude, decimals);
  const int whole = n - decimals;
  const bool minus = std::signbit(value);
  const int length = (minus ? 1 : 0) + n + 1;
  if (length > width) {
    fill(field, width, '*');
    return;
  }
  fill(field, width - length, ' ');
  char* p = field + (width - length);
  if (minus) *p++ = '-';
  std::memcpy(p, digits, static_cast<size_t>(whole));
  p += whole;
  *p++ = '.';
  std::memcpy(p, digits + whole, static_cast<size_t>(decimals));
}

void put_integer(char* field, int width, long long value) {
  if (width <= 0) return;
  char text[32];
  const int length = std::snprintf(text, sizeof text, "%lld", value);
  if (length > width) {
    fill(field, width, '*');
    return;
  }
  fill(field, width - length, ' ');
  std::memcpy(field + (width - length), text, static_cast<size_t>(length));
}

void put_text(char* field, int width, std::string_view text) {
  if (width <= 0) return;
  const int length = text.size() < static_cast<size_t>(width) ? static_cast<int>(text.size()) : width;
  fill(field, width - length, ' ');
  std::memcpy(field + (width - length), text.data(), static_cast<size_t>(length));
}

}  // namespace pelzak::formats

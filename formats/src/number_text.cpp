#include "pelzak/formats/number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace pelzak::formats {

namespace {

// The text std::to_chars makes of value, appended to out. 400 characters hold every text asked for
// here (the largest double has 309 integer digits).
template <class... Format>
void append_chars(std::string& out, double value, Format... format) {
  char buf[400];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, format...);
  out.append(buf, ec == std::errc() ? end : buf);
}

template <class... Format>
std::string chars(double value, Format... format) {
  std::string out;
  append_chars(out, value, format...);
  return out;
}

// Beyond this the scaled value's last bit is worth more than 1/8, too coarse for the shortcut.
constexpr double largest_shortcut = 0x1p49;
constexpr std::uint64_t powers_of_ten[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

}  // namespace

std::string shortest(double value) { return std::isnan(value) ? "nan" : chars(value); }

std::string fixed(double value, int decimals) {
  return std::isnan(value) ? "nan" : chars(value, std::chars_format::fixed, decimals);
}

std::string rounded(double value, int digits) {
  return std::isnan(value) ? "nan" : chars(value, std::chars_format::general, digits);
}

std::string compact(double value, int decimals) {
  if (!(std::fabs(value) >= 1e6) || std::isinf(value)) return fixed(value, decimals);
  return chars(value, std::chars_format::scientific, 3);
}

void append_fixed(std::string& out, double value, int decimals) {
  const int table = static_cast<int>(sizeof powers_of_ten / sizeof powers_of_ten[0]);
  if (decimals < 0) return append_chars(out, value);
  if (decimals >= table) return append_chars(out, value, std::chars_format::fixed, decimals);
  const std::uint64_t scale = powers_of_ten[decimals];
  const double y = value * static_cast<double>(scale);
  if (!(std::fabs(y) < largest_shortcut)) return append_chars(out, value, std::chars_format::fixed, decimals);
  // y is within half its last bit of the exact product p, and u is at least that bit. With r the
  // whole number nearest to y, |y - r| <= 1/2 - u puts p strictly within 1/2 of r: r is the exact
  // product rounded, as to_chars rounds it, and no tie. y - r is exact (r is 0, or within a factor
  // of two of y). Anything else (a tie, or a product too close to one) goes to to_chars.
  const double r = std::nearbyint(y);
  const double u = std::fmax(std::fabs(y), 1.0) * 0x1p-52;
  if (!(std::fabs(y - r) <= 0.5 - u)) return append_chars(out, value, std::chars_format::fixed, decimals);
  char buf[32];
  char* p = buf + sizeof buf;
  std::uint64_t m = static_cast<std::uint64_t>(std::fabs(r));
  for (int d = 0; d < decimals; ++d, m /= 10) *--p = static_cast<char>('0' + m % 10);
  if (decimals > 0) *--p = '.';
  do *--p = static_cast<char>('0' + m % 10);
  while ((m /= 10) != 0);
  if (std::signbit(value)) *--p = '-';  // to_chars writes "-0.00000" for a negative that rounds to 0
  out.append(p, buf + sizeof buf);
}

}  // namespace pelzak::formats

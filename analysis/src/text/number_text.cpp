#include "pelzak/analysis/number_text.hpp"

#include <charconv>
#include <cmath>

namespace pelzak::analysis {

namespace {

// The text std::to_chars makes of value, "?" should it not fit (it always does in these buffers).
template <class... Format>
std::string chars(double value, Format... format) {
  char buf[400];  // the largest double has 309 integer digits
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, format...);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

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

}  // namespace pelzak::analysis

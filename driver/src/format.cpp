#include "format.hpp"

#include <charconv>
#include <cmath>

namespace pelzak::md {

std::string shortest(double value) {
  if (std::isnan(value)) return "nan";  // whatever its sign bit
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

std::string fixed(double value, int decimals) {
  if (std::isnan(value)) return "nan";
  char buf[400];  // the largest double has 309 integer digits
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

std::string compact(double value, int decimals) {
  if (!(std::fabs(value) >= 1e6) || std::isinf(value)) return fixed(value, decimals);
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 3);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

}  // namespace pelzak::md

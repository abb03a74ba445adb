#include "number_text.hpp"

#include <charconv>
#include <cmath>

namespace pelzak::analysis {

std::string shortest(double value) {
  if (std::isnan(value)) return "nan";
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

std::string rounded(double value, int digits) {
  if (std::isnan(value)) return "nan";
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

}  // namespace pelzak::analysis

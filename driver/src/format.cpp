#include "format.hpp"

#include <charconv>

namespace pelzak::md {

std::string shortest(double value) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

std::string fixed(double value, int decimals) {
  char buf[400];  // the largest double has 309 integer digits
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

}  // namespace pelzak::md

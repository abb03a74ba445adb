// What the fuzz targets assert with: a broken property aborts, which libFuzzer reports as a crash
// and keeps the input that caused it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace pelzak::fuzz {

inline void require(bool ok) {
  if (!ok) std::abort();
}

inline std::uint64_t bits(double x) {
  std::uint64_t b;
  std::memcpy(&b, &x, sizeof b);
  return b;
}

// Bit-for-bit equality, except that any NaN equals any NaN.
inline bool same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return bits(a) == bits(b);
}

}  // namespace pelzak::fuzz

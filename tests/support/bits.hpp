// Doubles compared as bit patterns, for the tests and the fuzz targets: results here are fixed to the
// bit, and == would let -0.0 pass for 0.0 and fail every NaN. Header-only, with no test framework,
// so that the fuzz targets include it too.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace pelzak::test {

inline std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// Bit-for-bit equality, except that any NaN equals any NaN (kernels may differ in a NaN's payload).
inline bool same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return bits(a) == bits(b);
}

}  // namespace pelzak::test

// What the fuzz targets assert with: a broken property aborts, which libFuzzer reports as a crash
// and keeps the input that caused it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "bits.hpp"

namespace pelzak::fuzz {

inline void require(bool ok) {
  if (!ok) std::abort();
}

// Bit patterns, and bit-for-bit equality with any NaN equal to any NaN: the tests' own.
using test::bits;
using test::same;

}  // namespace pelzak::fuzz

// The minimum image without a division.
//
// The image count n = round(d / L), halves away from zero, is a step function of d: correctly
// rounded division is monotonic, so there is a first double T1 with fl(T1 / L) >= 0.5 and a
// first double T2 with fl(T2 / L) >= 1.5, and for every d (the negative side is the mirror image,
// since fl(-d / L) = -fl(d / L))
//   |d| <  T1        n = copysign(0, d)   so L * n = copysign(0, d)
//   T1 <= |d| < T2   n = copysign(1, d)   so L * n = copysign(L, d)   (L * 1 is exact)
// Below T2 the reference's d - L * round(d / L) is therefore d - copysign(|d| >= T1 ? L : 0, d):
// the same subtrahend, zero sign included, and the same final subtraction, so the bits agree.
// Everything else (|d| >= T2, infinity, NaN) takes the division. In a run the atoms drift only
// a little beyond the box, so |d| < T2 for practically every pair.
#pragma once

#include <bit>
#include <cstdint>

#include "constants.hpp"

namespace pelzak::aux::image {

// The smallest non-negative double d with fl(d / L) >= target (0 < target < 2^1000): a
// bisection over bit patterns, which order non-negative doubles like their values. The compiler
// evaluates it with correctly rounded IEEE division; a test re-derives both bounds at run time
// with the processor's own division.
constexpr double first_reaching(double target) {
  std::uint64_t below = 0;  // fl(0 / L) = 0 < target
  std::uint64_t reaching = std::bit_cast<std::uint64_t>(4.0 * target * model::box);
  while (reaching - below > 1) {
    const std::uint64_t mid = below + (reaching - below) / 2;
    if (std::bit_cast<double>(mid) / model::box >= target) {
      reaching = mid;
    } else {
      below = mid;
    }
  }
  return std::bit_cast<double>(reaching);
}

// T1, nm: from here on a separation is wrapped by one box side.
inline constexpr double wrap_once = first_reaching(0.5);
// T2, nm: from here on it would be wrapped by two or more; the division decides.
inline constexpr double wrap_twice = first_reaching(1.5);

static_assert(wrap_once > 0.49 * model::box && wrap_once < 0.51 * model::box);
static_assert(wrap_twice > 1.49 * model::box && wrap_twice < 1.51 * model::box);

}  // namespace pelzak::aux::image

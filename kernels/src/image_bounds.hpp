// The minimum image without a division.
//
// The image count n = round(d / L), halves away from zero, is a step function of d: correctly
// rounded division is monotonic, so for k = 1, 2, 3, ... there is a first double T_k with
// fl(T_k / L) >= k - 1/2, and round(d / L) = copysign(k, d) exactly when T_k <= |d| < T_(k+1)
// (the negative side is the mirror image, since fl(-d / L) = -fl(d / L)); below T_1 it is
// copysign(0, d). With k counted by comparisons, L * n = copysign(fl(L * k), d) is the very
// product the reference forms (L * 0 = 0, L * 1 and L * 2 are exact, fl(L * 3) is rounded the
// same way), zero sign included, and d - L * n is the same final subtraction: the bits agree.
// Beyond the last threshold, and for infinities and NaN, the division decides. Positions are
// never wrapped, but in a run atoms drift only a few box sides in any time a run lasts.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "pelzak_model.h"
#include "separation.hpp"

namespace pelzak::kernels::image {

// The smallest non-negative double d with fl(d / box) >= target (0 < target < 2^1000, box far
// from the ends of the double range): a bisection over bit patterns, which order non-negative
// doubles like their values. For the model's box the compiler evaluates it with correctly rounded
// IEEE division; a test re-derives those bounds at run time with the processor's own division.
constexpr double first_reaching(double target, double box) {
  std::uint64_t below = 0;  // fl(0 / box) = 0 < target
  std::uint64_t reaching = std::bit_cast<std::uint64_t>(4.0 * target * box);
  while (reaching - below > 1) {
    const std::uint64_t mid = below + (reaching - below) / 2;
    if (std::bit_cast<double>(mid) / box >= target) {
      reaching = mid;
    } else {
      below = mid;
    }
  }
  return std::bit_cast<double>(reaching);
}

// T_1, T_2, T_3, nm: from T_k on a separation is wrapped by k box sides.
inline constexpr double wrap_1 = first_reaching(0.5, model::box);
inline constexpr double wrap_2 = first_reaching(1.5, model::box);
inline constexpr double wrap_3 = first_reaching(2.5, model::box);
// T_4, nm: below it round(d / L) is at most 3 in magnitude; from here on the division decides.
inline constexpr double wrap_limit = first_reaching(3.5, model::box);

static_assert(wrap_1 > 0.49 * model::box && wrap_1 < 0.51 * model::box);
static_assert(wrap_2 > 1.49 * model::box && wrap_2 < 1.51 * model::box);
static_assert(wrap_3 > 2.49 * model::box && wrap_3 < 2.51 * model::box);
static_assert(wrap_limit > 3.49 * model::box && wrap_limit < 3.51 * model::box);

// d - L * round(d / L), bit for bit, without a division: below T_4 the image count is the number
// of thresholds |d| has passed, and L * n the same product the reference forms.
inline double nearest_image(double d) {
  const double ad = std::fabs(d);
  if (!(ad < wrap_limit)) return minimum_image(d);  // far, infinite or NaN
  const double n = (ad >= wrap_1) + (ad >= wrap_2) + (ad >= wrap_3);
  return d - std::copysign(model::box * n, d);
}

// The same thresholds for a box of any side, found at run time.
struct Bounds {
  double box;
  double wrap[3];  // T_1, T_2, T_3
  double limit;    // T_4; 0 sends every separation through the division
};

inline Bounds bounds_for(double box) {
  Bounds b{box, {0.0, 0.0, 0.0}, 0.0};
  // Far from the ends of the double range the bisection's bounds are finite and normal.
  if (!(box > 1e-100 && box < 1e100)) return b;
  for (int k = 0; k < 3; ++k) b.wrap[k] = first_reaching(k + 0.5, box);
  b.limit = first_reaching(3.5, box);
  return b;
}

inline double nearest_image(double d, const Bounds& b) {
  const double ad = std::fabs(d);
  if (!(ad < b.limit)) return d - b.box * std::round(d / b.box);
  const double n =
      (ad >= b.wrap[0] ? 1.0 : 0.0) + (ad >= b.wrap[1] ? 1.0 : 0.0) + (ad >= b.wrap[2] ? 1.0 : 0.0);
  return d - std::copysign(b.box * n, d);
}

}  // namespace pelzak::kernels::image

// The minimum image of a separation, by division (the reference loops) and without one (the fast
// kernels), for any model (pelzak/kernels/pair_model.hpp, where the thresholds are derived): the
// same bits either way.
#pragma once

#include <cmath>

namespace pelzak::kernels::image {

// d - L * n with n = d / L rounded to the nearest whole number, halves away from zero.
// n stays a double: no integer conversion, so huge, infinite or NaN separations just
// propagate through IEEE arithmetic instead of overflowing an integer.
template <class M>
inline double minimum_image(const M& m, double d) {
  return d - m.box * std::round(d / m.box);
}

// The same without a division: below T_4 the image count is the number of thresholds |d| has
// passed, and L * n the same product the division forms. Positions are never wrapped, but in a run
// atoms drift only a few box sides in any time a run lasts; beyond T_4, and for infinities and
// NaN, the division decides.
template <class M>
inline double nearest_image(const M& m, double d) {
  const double ad = std::fabs(d);
  if (!(ad < m.wrap_limit)) return minimum_image(m, d);  // far, infinite or NaN
  const double n = (ad >= m.wrap_1) + (ad >= m.wrap_2) + (ad >= m.wrap_3);
  return d - std::copysign(m.box * n, d);
}

}  // namespace pelzak::kernels::image

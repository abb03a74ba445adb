// Separation of two atoms in the periodic box, taken to the nearest image.
#pragma once

#include <cmath>

#include "constants.hpp"

namespace pelzak::aux {

// d - L * n with n = d / L rounded to the nearest whole number, halves away from zero.
// n stays a double: no integer conversion, so huge, infinite or NaN separations just
// propagate through IEEE arithmetic instead of overflowing an integer.
inline double minimum_image(double d) {
  return d - model::box * std::round(d / model::box);
}

}  // namespace pelzak::aux

// Separation of two atoms in the periodic box, taken to the nearest image.
#pragma once

#include <cmath>

#include "pelzak_model.h"

namespace pelzak::kernels {

// d - L * n with n = d / L rounded to the nearest whole number, halves away from zero.
// n stays a double: no integer conversion, so huge, infinite or NaN separations just
// propagate through IEEE arithmetic instead of overflowing an integer.
inline double minimum_image(double d) { return d - model::box * std::round(d / model::box); }

// Minimum-image separation of atoms i and j (0-based) of a configuration array and its square,
// summed from zero in x, y, z order (0 + delx^2 is delx^2 exactly).
struct Separation {
  double delx, dely, delz, rsq;
};

// `image` maps a raw difference to its nearest image; the fast kernels pass their division-free
// equivalent of minimum_image.
template <double (*image)(double) = minimum_image>
inline Separation separation(const double* positions, int i, int j) {
  const double* x = positions + model::x_axis;
  const double* y = positions + model::y_axis;
  const double* z = positions + model::z_axis;
  Separation s;
  s.delx = image(x[i] - x[j]);
  s.dely = image(y[i] - y[j]);
  s.delz = image(z[i] - z[j]);
  s.rsq = s.delx * s.delx + s.dely * s.dely + s.delz * s.delz;
  return s;
}

}  // namespace pelzak::kernels

// Separation of two atoms in the periodic box, taken to the nearest image.
#pragma once

#include "image_bounds.hpp"

namespace pelzak::kernels {

// Minimum-image separation of atoms i and j (0-based) of a configuration array (all x, then all
// y, then all z) and its square, summed from zero in x, y, z order (0 + delx^2 is delx^2 exactly).
struct Separation {
  double delx, dely, delz, rsq;
};

// `divide` = true takes the image by division (the reference loops), false by the thresholds
// (the portable kernel): the same bits either way.
template <bool divide, class M>
inline Separation separation(const M& m, const double* positions, long i, long j) {
  const double* x = positions;
  const double* y = positions + m.atoms;
  const double* z = positions + 2L * m.atoms;
  const auto image = [&m](double d) {
    return divide ? image::minimum_image(m, d) : image::nearest_image(m, d);
  };
  Separation s;
  s.delx = image(x[i] - x[j]);
  s.dely = image(y[i] - y[j]);
  s.delz = image(z[i] - z[j]);
  s.rsq = s.delx * s.delx + s.dely * s.dely + s.delz * s.delz;
  return s;
}

}  // namespace pelzak::kernels

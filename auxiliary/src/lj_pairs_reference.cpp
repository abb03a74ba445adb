// Lennard-Jones pair forces, the scalar reference kernel.
//
// Pair potential U(r) = 4 eps ((sigma/r)^12 - (sigma/r)^6), cut off at rsq = (2.25 sigma)^2.
// Its force along the separation is F(r) = -dU/dr = 24 eps (2 q^12 - q^6) / r with q = sigma/r.
// With r in nm, 24 eps * 1e9 / r is in newtons, so
//   fpair = (2 q^12 - q^6) * ((1/r) * force_factor)      (N)
// and each axis takes fpair * del_k / r. The energy sum stays unscaled here (sum of q^12 - q^6);
// the caller multiplies by 4 eps once at the end.
#include <cmath>

#include "kernels.hpp"
#include "minimum_image.hpp"
#include "pelzak_model.h"

namespace pelzak::aux {

void lj_pairs_reference(const double* positions, double* forces, double* lj_sum) {
  using namespace model;
  double* fx = forces + x_axis;
  double* fy = forces + y_axis;
  double* fz = forces + z_axis;
  double energy = *lj_sum;

  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      const auto [delx, dely, delz, rsq] = separation(positions, i, j);
      // Strictly inside: a pair at exactly the cut-off, or with a NaN distance, adds nothing.
      if (!(rsq < cutoff_sq)) continue;

      const double r = std::sqrt(rsq);
      const double q = sigma / r;
      const double q2 = q * q;
      const double q4 = q2 * q2;
      const double q8 = q4 * q4;
      const double q6 = q2 * q4;
      const double q12 = q4 * q8;
      energy = (q12 - q6) + energy;

      const double fpair = (2.0 * q12 - q6) * ((1.0 / r) * force_factor);
      const double f_x = (delx * fpair) / r;
      fx[i] += f_x;
      fx[j] -= f_x;
      const double f_y = (dely * fpair) / r;
      fy[i] += f_y;
      fy[j] -= f_y;
      const double f_z = (delz * fpair) / r;
      fz[i] += f_z;
      fz[j] -= f_z;
    }
  }
  *lj_sum = energy;
}

}  // namespace pelzak::aux

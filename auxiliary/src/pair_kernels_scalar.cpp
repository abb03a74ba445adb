// The portable pair kernels: the reference loops with the division-free minimum image.
//
// For any processor the build targets. Pair order and every operation are the reference's; only
// round(d / L) is found by two comparisons instead of a division (image_bounds.hpp).
#include <cmath>

#include "constants.hpp"
#include "image_bounds.hpp"
#include "minimum_image.hpp"
#include "pair_kernels.hpp"

namespace pelzak::aux {
namespace {

double nearest_image(double d) {
  const double ad = std::fabs(d);
  if (!(ad < image::wrap_limit)) return minimum_image(d);  // far, infinite or NaN
  const double n = (ad >= image::wrap_1) + (ad >= image::wrap_2) + (ad >= image::wrap_3);
  return d - std::copysign(model::box * n, d);
}

}  // namespace

void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum) {
  using namespace model;
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  double* fx = forces + x_axis;
  double* fy = forces + y_axis;
  double* fz = forces + z_axis;
  double energy = *lj_sum;

  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      const double delx = nearest_image(x[i] - x[j]);
      const double dely = nearest_image(y[i] - y[j]);
      const double delz = nearest_image(z[i] - z[j]);
      const double rsq = delx * delx + dely * dely + delz * delz;
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

void rdf_count_scalar(const double* positions, std::int32_t* counts) {
  using namespace model;
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  // Pairs at or beyond half the box side (200 bins) round to bin 200 or more: no square root.
  constexpr double reach = bins * bin_width;
  constexpr double last_bin = bins - 1;

  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      const double delx = nearest_image(x[i] - x[j]);
      const double dely = nearest_image(y[i] - y[j]);
      const double delz = nearest_image(z[i] - z[j]);
      const double rsq = delx * delx + dely * dely + delz * delz;
      if (!(rsq < reach * reach)) continue;
      const double bin = std::round(std::sqrt(rsq) / bin_width);
      if (!(bin <= last_bin)) continue;
      ++counts[static_cast<int>(bin)];
    }
  }
}

}  // namespace pelzak::aux

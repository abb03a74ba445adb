// The portable pair kernels: the vector kernels' method in plain C++, one pair at a time.
//
// For any processor the build targets, and the plainest statement of what the AVX2 and AVX-512
// kernels do: a coarse look at each pair through the 16-bit cell words (coarse_cells.hpp), then
// for the pairs that need it the reference's own operations in the reference's order, with the
// minimum image found by comparisons instead of a division (image_bounds.hpp).
#include <cmath>

#include "coarse_cells.hpp"
#include "image_bounds.hpp"
#include "minimum_image.hpp"
#include "pair_kernels.hpp"
#include "pelzak_model.h"

namespace pelzak::aux {
namespace {

using namespace model;

// d - L * round(d / L), bit for bit: below T_4 the image count is the number of thresholds |d|
// has passed, and L * n the same product the reference forms.
double nearest_image(double d) {
  const double ad = std::fabs(d);
  if (!(ad < image::wrap_limit)) return minimum_image(d);  // far, infinite or NaN
  const double n = (ad >= image::wrap_1) + (ad >= image::wrap_2) + (ad >= image::wrap_3);
  return d - std::copysign(box * n, d);
}

Separation exact_separation(const double* positions, int i, int j) {
  return separation<nearest_image>(positions, i, j);
}

// The squared minimum-image distance of atoms i and j in cells: 16-bit differences wrap to the
// nearest image.
std::uint32_t cells_sq(const coarse::CellCoordinates& cells, int i, int j) {
  const auto square = [](std::uint32_t a, std::uint32_t b) {
    const std::int32_t d = static_cast<std::int16_t>(a - b);  // modulo 2^16
    return static_cast<std::uint32_t>(d * d);
  };
  const auto xy_i = static_cast<std::uint32_t>(cells.xy[i]);
  const auto xy_j = static_cast<std::uint32_t>(cells.xy[j]);
  return square(xy_i, xy_j) + square(xy_i >> 16, xy_j >> 16) +
         square(static_cast<std::uint32_t>(cells.z[i]) >> 16, static_cast<std::uint32_t>(cells.z[j]) >> 16);
}

// The g(r) bin of a pair, round(r / dr) halves away from zero, or -1 where it fits no bin.
int exact_bin(const Separation& s) {
  // Pairs at or beyond half the box side (200 bins) round to bin 200 or more: no square root.
  constexpr double reach = bins * bin_width;
  if (!(s.rsq < reach * reach)) return -1;
  const double bin = std::round(std::sqrt(s.rsq) / bin_width);
  return bin <= bins - 1 ? static_cast<int>(bin) : -1;
}

}  // namespace

void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum) {
  coarse::CellCoordinates cells;
  const bool ordinary = coarse::cell_coordinates(positions, &cells);
  double* fx = forces + x_axis;
  double* fy = forces + y_axis;
  double* fz = forces + z_axis;
  double energy = *lj_sum;

  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      if (ordinary && cells_sq(cells, i, j) >= coarse::reach_sq) continue;
      const auto [delx, dely, delz, rsq] = exact_separation(positions, i, j);
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
  coarse::CellCoordinates cells;
  const bool ordinary = coarse::cell_coordinates(positions, &cells);
  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      if (ordinary) {
        // h = r / dr + 1/2 from the cell distance; its floor is the bin unless h lies within
        // bin_margin of a whole number.
        const double h = std::sqrt(static_cast<double>(cells_sq(cells, i, j))) * coarse::bins_per_cell + 0.5;
        const auto bin = static_cast<int>(h);  // h > 0: truncation is the floor
        const double frac = h - bin;
        if (frac >= coarse::bin_margin && frac <= 1.0 - coarse::bin_margin) {
          if (bin <= bins - 1) ++counts[bin];
          continue;
        }
        if (bin > bins) continue;
      }
      const int bin = exact_bin(exact_separation(positions, i, j));
      if (bin >= 0) ++counts[bin];
    }
  }
}

}  // namespace pelzak::aux

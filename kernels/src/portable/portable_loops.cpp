// The portable pair kernels: the vector kernels' method in plain C++, one pair at a time.
//
// For any processor the build targets, and the plainest statement of what the AVX2 and AVX-512
// kernels do. Lennard-Jones: the candidates of the Verlet list (lists/verlet_list.hpp), each with
// the reference's own operations in the reference's order, the minimum image found by
// comparisons instead of a division (image_bounds.hpp). g(r): a coarse look at each pair through
// the 16-bit cell words (lists/coarse_cells.hpp), exact arithmetic where that look cannot decide.
#include <cmath>
#include <cstdint>

#include "image_bounds.hpp"
#include "kernel_set.hpp"
#include "lists/coarse_cells.hpp"
#include "lists/verlet_list.hpp"
#include "lj_pair.hpp"
#include "pelzak_model.h"
#include "separation.hpp"

namespace pelzak::kernels {
namespace {

using namespace model;

Separation exact_separation(const double* positions, int i, int j) {
  return separation<image::nearest_image>(positions, i, j);
}

// The g(r) bin of a pair, round(r / dr) halves away from zero, or -1 where it fits no bin.
int exact_bin(const Separation& s) {
  // Pairs at or beyond half the box side (200 bins) round to bin 200 or more: no square root.
  constexpr double reach = bins * bin_width;
  if (!(s.rsq < reach * reach)) return -1;
  const double bin = std::round(std::sqrt(s.rsq) / bin_width);
  return bin <= bins - 1 ? static_cast<int>(bin) : -1;
}

// The ordered sums over a list's candidates, block by block: for each pair inside the cut-off,
// the running energy sum, forces(i) += f, forces(j) -= f.
double lj_listed(const double* positions, const verlet::NeighbourList& list, double* forces, double energy) {
  double* fx = forces + x_axis;
  double* fy = forces + y_axis;
  double* fz = forces + z_axis;
  for (int b = 0; b < list.blocks; ++b) {
    const int i = list.block_atom[b];
    const std::int32_t* j4 = list.j4 + verlet::block_size * b;
    for (int t = 0; list.block_lanes[b] >> t & 1; ++t) {
      const int j = j4[t] / 4;
      const auto [delx, dely, delz, rsq] = exact_separation(positions, i, j);
      if (!(rsq < cutoff_sq)) continue;
      const LjTerms<double> pair = lj_pair_terms(delx, dely, delz, rsq);
      energy = add_term(pair.term, energy);
      fx[i] += pair.fx;
      fx[j] -= pair.fx;
      fy[i] += pair.fy;
      fy[j] -= pair.fy;
      fz[i] += pair.fz;
      fz[j] -= pair.fz;
    }
  }
  return energy;
}

}  // namespace

void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum) {
  const verlet::NeighbourList* list = verlet::current_list(positions, verlet::build_rows_portable);
  *lj_sum = lj_listed(positions, *list, forces, *lj_sum);
}

void rdf_count_scalar(const double* positions, std::int32_t* counts) {
  coarse::CellCoordinates cells;
  const bool ordinary = coarse::cell_coordinates(positions, &cells);
  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      if (ordinary) {
        // h = r / dr + 1/2 from the cell distance; its floor is the bin unless h lies within
        // bin_margin of a whole number.
        const double h =
            std::sqrt(static_cast<double>(coarse::cells_sq(cells, i, j))) * coarse::bins_per_cell + 0.5;
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

}  // namespace pelzak::kernels

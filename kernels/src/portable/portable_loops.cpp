// The portable pair kernels: the vector kernels' method in plain C++, one pair at a time.
//
// For any processor the build targets, and the plainest statement of what the AVX2 and AVX-512
// kernels do. Lennard-Jones: the candidates of a Verlet list (pelzak/kernels/candidate_list.hpp),
// each with the reference's own operations in the reference's order, the minimum image found by
// comparisons instead of a division (image_bounds.hpp). g(r): a coarse look at each pair through the
// 16-bit cell words (lists/coarse_cells.hpp), exact arithmetic where that look cannot decide.
#include <cmath>
#include <cstdint>

#include "kernel_set.hpp"
#include "library_model.hpp"
#include "lists/coarse_cells.hpp"
#include "lists/verlet_list.hpp"
#include "lj_pair.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak_model.h"
#include "separation.hpp"

namespace pelzak::kernels {
namespace {

// The g(r) bin of a pair, round(r / dr) halves away from zero, or -1 where it fits no bin.
int exact_bin(const Separation& s, double bin_width) {
  // Pairs at or beyond half the box side (200 bins) round to bin 200 or more: no square root.
  const double reach = model::bins * bin_width;
  if (!(s.rsq < reach * reach)) return -1;
  const double bin = std::round(std::sqrt(s.rsq) / bin_width);
  return bin <= model::bins - 1 ? static_cast<int>(bin) : -1;
}

// The ordered sums over a list's candidates, block by block: for each pair inside the cut-off,
// the running energy sum, forces(i) += f, forces(j) -= f, and the virial's six running sums.
template <class M>
double lj_listed(const M& m, const double* positions, const CandidateList& list, double* forces,
                 double energy, double* virial) {
  double* fx = forces;
  double* fy = forces + m.atoms;
  double* fz = forces + 2L * m.atoms;
  for (int b = 0; b < list.blocks; ++b) {
    const int i = list.block_atom[b];
    const std::int32_t* j4 = list.j4 + block_size * static_cast<long>(b);
    for (int t = 0; list.block_lanes[b] >> t & 1; ++t) {
      const int j = j4[t] / 4;
      const auto [delx, dely, delz, rsq] = separation<false>(m, positions, i, j);
      if (!(rsq < m.cutoff_sq)) continue;
      const LjTerms<double> pair = lj_pair_terms(delx, dely, delz, rsq);
      energy = add_term(pair.term, energy);
      fx[i] += pair.fx;
      fx[j] -= pair.fx;
      fy[i] += pair.fy;
      fy[j] -= pair.fy;
      fz[i] += pair.fz;
      fz[j] -= pair.fz;
      if (virial) {
        virial[0] = add_term(delx * pair.fx, virial[0]);
        virial[1] = add_term(dely * pair.fy, virial[1]);
        virial[2] = add_term(delz * pair.fz, virial[2]);
        virial[3] = add_term(delx * pair.fy, virial[3]);
        virial[4] = add_term(delx * pair.fz, virial[4]);
        virial[5] = add_term(dely * pair.fz, virial[5]);
      }
    }
  }
  return energy;
}

template <class M>
void rdf_count(const M& m, const double* positions, std::int64_t* counts, const coarse::CellWords& cells) {
  const bool ordinary = coarse::cell_coordinates(m, positions, cells);
  const double bin_width = rdf_bin_width(m.box);
  for (int i = 0; i < m.atoms - 1; ++i) {
    for (int j = i + 1; j < m.atoms; ++j) {
      if (ordinary) {
        // h = r / dr + 1/2 from the cell distance; its floor is the bin unless h lies within
        // bin_margin of a whole number.
        const double h =
            std::sqrt(static_cast<double>(coarse::cells_sq(cells, i, j))) * coarse::bins_per_cell + 0.5;
        const auto bin = static_cast<int>(h);  // h > 0: truncation is the floor
        const double frac = h - bin;
        if (frac >= coarse::bin_margin && frac <= 1.0 - coarse::bin_margin) {
          if (bin <= model::bins - 1) ++counts[bin];
          continue;
        }
        if (bin > model::bins) continue;
      }
      const int bin = exact_bin(separation<false>(m, positions, i, j), bin_width);
      if (bin >= 0) ++counts[bin];
    }
  }
}

}  // namespace

void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum) {
  const verlet::NeighbourList* list = verlet::current_list(positions, verlet::build_rows_portable);
  *lj_sum = lj_listed(library_model, positions, verlet::candidates(*list), forces, *lj_sum, nullptr);
}

void rdf_count_scalar(const double* positions, std::int64_t* counts) {
  alignas(64) std::int32_t xy[model::atoms + coarse::padding], z[model::atoms + coarse::padding];
  rdf_count(library_model, positions, counts, coarse::CellWords{xy, z});
}

void rdf_count_scalar(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch) {
  rdf_count(m, positions, counts, coarse::CellWords{scratch.cells_xy, scratch.cells_z});
}

}  // namespace pelzak::kernels

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

void lj_listed_scalar(const PairModel& m, const double* positions, const CandidateList& list, double* forces,
                      double* lj_sum, double* virial, const PairScratch&) {
  *lj_sum = lj_listed(m, positions, list, forces, *lj_sum, virial);
}

void rdf_count_scalar(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch) {
  rdf_count(m, positions, counts, coarse::CellWords{scratch.cells_xy, scratch.cells_z});
}

int grid_row_scalar(const CellGrid& g, int i, std::uint32_t reach_sq, std::int32_t* out) {
  const int n = g.ncell;
  const int c = g.cell_of[i];
  const int cx = c % n, cy = c / n % n, cz = c / n / n;
  const int reach = n >= 3 ? 1 : 0;
  int found = 0;
  for (int dz = -reach; dz <= reach; ++dz) {
    for (int dy = -reach; dy <= reach; ++dy) {
      for (int dx = -reach; dx <= reach; ++dx) {
        const int d = (((cz + dz + n) % n) * n + (cy + dy + n) % n) * n + (cx + dx + n) % n;
        for (int p = g.cell_start[d]; p < g.cell_start[d + 1]; ++p) {
          out[found] = g.ids[p];
          found += g.ids[p] > i && coarse::words_sq(g.atom_xy[i], g.atom_z[i], g.xy[p], g.z[p]) < reach_sq;
        }
      }
    }
  }
  return found;
}

int lj_terms_scalar(const PairModel& m, const double* xyz, const CandidateList& list, int first, int last,
                    bool with_virial, const PairTerms& out) {
  int n = 0;
  for (int b = first; b < last; ++b) {
    const int i = list.block_atom[b];
    const std::int32_t* j4 = list.j4 + block_size * static_cast<long>(b);
    for (int t = 0; list.block_lanes[b] >> t & 1; ++t) {
      const double* ri = xyz + 4L * i;
      const double* rj = xyz + j4[t];
      const double delx = image::nearest_image(m, ri[0] - rj[0]);
      const double dely = image::nearest_image(m, ri[1] - rj[1]);
      const double delz = image::nearest_image(m, ri[2] - rj[2]);
      const double rsq = delx * delx + dely * dely + delz * delz;
      if (!(rsq < m.cutoff_sq)) continue;
      const LjTerms<double> pair = lj_pair_terms(delx, dely, delz, rsq);
      out.row[n] = i;
      out.j4[n] = j4[t];
      out.x[n] = delx, out.y[n] = dely, out.z[n] = delz;
      double* terms = out.terms[n];
      terms[0] = pair.fx, terms[1] = pair.fy, terms[2] = pair.fz, terms[3] = pair.term;
      if (with_virial) {
        double* w1 = out.virial_first[n];
        double* w2 = out.virial_second[n];
        w1[0] = delx * pair.fx, w1[1] = dely * pair.fy, w1[2] = delz * pair.fz, w1[3] = delx * pair.fy;
        w2[0] = delx * pair.fz, w2[1] = dely * pair.fz, w2[2] = 0.0, w2[3] = 0.0;
      }
      ++n;
    }
  }
  return n;
}

void subtract_terms(const PairTerms& t, const std::int32_t* pairs, int count, double* force_rows) {
  for (int k = 0; k < count; ++k) {
    const std::int32_t p = pairs[k];
    double* f = force_rows + t.j4[p];
    const double* q = t.terms[p];
    f[0] -= q[0];
    f[1] -= q[1];
    f[2] -= q[2];
  }
}

void add_row_terms(const PairTerms& t, int n, double* force_rows) {
  for (int p = 0; p < n; ++p) {
    double* f = force_rows + 4L * t.row[p];
    const double* q = t.terms[p];
    f[0] += q[0];
    f[1] += q[1];
    f[2] += q[2];
  }
}

void sum_terms(const PairTerms& t, int n, double* lj_sum, double* virial) {
  double energy = *lj_sum;
  for (int p = 0; p < n; ++p) energy = add_term(t.terms[p][3], energy);
  *lj_sum = energy;
  if (!virial) return;
  for (int p = 0; p < n; ++p) {
    const double* a = t.virial_first[p];
    const double* b = t.virial_second[p];
    for (int k = 0; k < 4; ++k) virial[k] = add_term(a[k], virial[k]);
    for (int k = 0; k < 2; ++k) virial[4 + k] = add_term(b[k], virial[4 + k]);
  }
}

}  // namespace pelzak::kernels

// The plain loops over all pairs, as templates over the model: the reference that every kernel
// reproduces bit for bit, for the library's liquid (LibraryModel) and any state point (PairModel).
//
// They visit pairs (i, j), i ascending and for each i j ascending from i + 1, and accumulate in
// exactly that order, which fixes every bit of the results. The pair's terms are lj_pair.hpp's; the
// minimum image is taken by division (image_bounds.hpp).
#pragma once

#include <cmath>

#include "lj_pair.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak_model.h"
#include "separation.hpp"

namespace pelzak::kernels::reference {

// Lennard-Jones: each pair inside the cut-off adds its force (N) to atom i and subtracts it from
// atom j (forces carries in what the sums start from), adds (q^12 - q^6), q = sigma/r, to *lj_sum as
// term + sum (unscaled, starting from the value passed in), and, when virial is not null, adds the
// six products del_a f_b (xx, yy, zz, xy, xz, yz) to virial[0 ... 5] the same way, product + sum.
template <class M>
void lj_pairs(const M& m, const double* positions, double* forces, double* lj_sum, double* virial) {
  double* fx = forces;
  double* fy = forces + m.atoms;
  double* fz = forces + 2L * m.atoms;
  double energy = *lj_sum;
  for (long i = 0; i < m.atoms - 1; ++i) {
    for (long j = i + 1; j < m.atoms; ++j) {
      const auto [delx, dely, delz, rsq] = separation<true>(m, positions, i, j);
      // Strictly inside: a pair at exactly the cut-off, or with a NaN distance, adds nothing.
      if (!(rsq < m.cutoff_sq)) continue;

      const LjTerms<double> pair = lj_pair_terms(delx, dely, delz, rsq);
      energy = pair.term + energy;
      fx[i] += pair.fx;
      fx[j] -= pair.fx;
      fy[i] += pair.fy;
      fy[j] -= pair.fy;
      fz[i] += pair.fz;
      fz[j] -= pair.fz;
      if (virial) {
        virial[0] = delx * pair.fx + virial[0];
        virial[1] = dely * pair.fy + virial[1];
        virial[2] = delz * pair.fz + virial[2];
        virial[3] = delx * pair.fy + virial[3];
        virial[4] = delx * pair.fz + virial[4];
        virial[5] = dely * pair.fz + virial[5];
      }
    }
  }
  *lj_sum = energy;
}

// Pair-distance histogram: bin b (0-based) collects the pairs whose r / dr rounds (halves away
// from zero) to b, so it is centred on b dr, with dr = L / 400 (model::bins bins over half the
// box). Each pair adds 2.0: it counts once for each of its two atoms. There is no cut-off;
// distances beyond the last bin, and NaN, are counted nowhere.
template <class M>
void rdf_sample(const M& m, const double* positions, double* histogram) {
  constexpr double last_bin = model::bins - 1;
  const double bin_width = rdf_bin_width(m.box);
  for (long i = 0; i < m.atoms - 1; ++i) {
    for (long j = i + 1; j < m.atoms; ++j) {
      const double r = std::sqrt(separation<true>(m, positions, i, j).rsq);
      const double bin = std::round(r / bin_width);
      // Compared as a double before any conversion: NaN and infinity fail here, so no
      // out-of-range value ever reaches the integer conversion or the array.
      if (!(bin <= last_bin)) continue;
      histogram[static_cast<int>(bin)] = 2.0 + histogram[static_cast<int>(bin)];
    }
  }
}

}  // namespace pelzak::kernels::reference

// Lennard-Jones pair forces, the scalar reference kernel: every pair, in order, with the
// plain minimum image (a division and a rounding per axis). The pair's terms are in lj_pair.hpp.
#include "lj_pair.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak_model.h"
#include "separation.hpp"

namespace pelzak::kernels {

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

      const LjTerms<double> pair = lj_pair_terms(delx, dely, delz, rsq);
      energy = pair.term + energy;
      fx[i] += pair.fx;
      fx[j] -= pair.fx;
      fy[i] += pair.fy;
      fy[j] -= pair.fy;
      fz[i] += pair.fz;
      fz[j] -= pair.fz;
    }
  }
  *lj_sum = energy;
}

}  // namespace pelzak::kernels

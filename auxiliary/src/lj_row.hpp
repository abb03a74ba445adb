// One row i of the Lennard-Jones loop, between the vector arithmetic and the ordered sums.
//
// The vector kernels compute, for the candidate partners j of atom i, everything that belongs
// to a single pair (separation, r, the energy term, the three force components) with exactly
// the reference's operations. What depends on the order of the pairs is left to
// accumulate_lj_row: the running energy sum in pair order, forces(i) += f in ascending j,
// forces(j) -= f. Pairs outside the cut-off are skipped, never added as zeros: x + 0.0 is not
// x when x is -0.0 (an energy passed in as -0.0 must come out as the reference gives it).
// Row i's arithmetic is issued while row i+1's candidates are sought, and summed only after,
// so the divider works on one row while the other units look at the next.
//
// The functions here have internal linkage on purpose: each instruction-set file compiles its
// own copy, so no copy built for one instruction set can be picked by the linker for another.
#pragma once

#include <cstdint>

#include "coarse_cells.hpp"
#include "pelzak_model.h"

namespace pelzak::aux {

// The exact per-pair results for the candidates j[0 ... n-1] of one atom i.
struct LjRow {
  alignas(64) double rsq[coarse::padded];
  alignas(64) double term[coarse::padded];  // q^12 - q^6
  alignas(64) double fx[coarse::padded];    // force on i from j, N
  alignas(64) double fy[coarse::padded];
  alignas(64) double fz[coarse::padded];
};

// Candidate partners j > i in ascending order, with 16 slots after the last set to i itself so
// that a full vector can always be gathered.
static inline void pad_candidates(std::int32_t* j, int i, int n) {
  for (int t = n; t < n + 16; ++t) j[t] = i;
}

static inline void accumulate_lj_row(const LjRow& row, const std::int32_t* j_of, int i, int n, double* forces,
                                     double* energy) {
  using namespace model;
  double* fx = forces + x_axis;
  double* fy = forces + y_axis;
  double* fz = forces + z_axis;
  double e = *energy;
  double fxi = fx[i], fyi = fy[i], fzi = fz[i];
  for (int t = 0; t < n; ++t) {
    if (!(row.rsq[t] < cutoff_sq)) continue;
    const int j = j_of[t];
    // (q12 - q6) + energy: when both are NaN, x86 keeps the first operand's, and GCC puts the
    // pair term (the default NaN of inf - inf) first in the reference, over a NaN passed in.
    // Written out, so that the result does not hang on where this compiler puts it.
    const double term = row.term[t];
    e = term != term ? term : term + e;
    fxi = fxi + row.fx[t];
    fx[j] = fx[j] - row.fx[t];
    fyi = fyi + row.fy[t];
    fy[j] = fy[j] - row.fy[t];
    fzi = fzi + row.fz[t];
    fz[j] = fz[j] - row.fz[t];
  }
  fx[i] = fxi;
  fy[i] = fyi;
  fz[i] = fzi;
  *energy = e;
}

}  // namespace pelzak::aux

// The Lennard-Jones terms of one pair of the engine's cluster kernels, written once for the scalar
// reference (V = double) and the vector kernels (V = a vector of doubles with the same operators):
// every kernel rounds exactly as the reference does.
//
// U(r) = 4 eps (q^12 - q^6) with q = sigma / r, so with sr2 = q^2 = sigma^2 / r^2 the force on atom
// i from j along del = r_i - r_j is
//     F = del * 24 eps (2 q^12 - q^6) / r^2 = del * fpair,  fpair = (2 sr12 - sr6) * (force_factor / r^2)
// (force_factor = 24 eps * 1e9 takes nm to newtons). One division and no square root per pair:
// the library's kernels take a square root and five divisions for the same numbers, rounded
// differently by a few parts in 10^16.
#pragma once

#include "pelzak_model.h"

namespace pelzak::kernels::cluster {

// sigma^2, nm^2, rounded once.
inline constexpr double sigma_sq = model::sigma * model::sigma;

template <class V>
struct PairTerms {
  V fpair;  // N/nm: the force on i is del * fpair
  V term;   // q^12 - q^6
};

template <class V>
[[gnu::always_inline]] inline PairTerms<V> pair_terms(V rsq) {
  const V r2inv = V(1.0) / rsq;
  const V sr2 = V(sigma_sq) * r2inv;
  const V sr6 = (sr2 * sr2) * sr2;
  const V sr12 = sr6 * sr6;
  return {(V(2.0) * sr12 - sr6) * (V(model::force_factor) * r2inv), sr12 - sr6};
}

}  // namespace pelzak::kernels::cluster

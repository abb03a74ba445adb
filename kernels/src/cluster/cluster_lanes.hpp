// The engine's cluster-pair kernel on four lanes, one per j-atom b: the template the portable
// kernel (four doubles in a plain array) and the AVX2 one (one 256-bit vector) run. Each lane does
// the scalar reference's operations in the reference's order (pelzak/kernels/cluster_pairs.hpp), so
// the bits are the reference's.
//
// L provides V (four doubles: +, -, *, /, V(double) in every lane), Mask, load and store of four
// aligned doubles, less(a, b), lanes(bits) (lane b where bit b is set), both(m, n),
// zero_unless(m, v) (+0.0 where m is clear) and sum4(v) = (v0 + v2) + (v1 + v3).
#pragma once

#include <algorithm>

#include "cluster/cluster_pair.hpp"
#include "pelzak/kernels/cluster_pairs.hpp"

namespace pelzak::kernels::cluster {
namespace {

template <class L, bool with_virial>
ClusterSums task_on_lanes(const ClusterTask& t) {
  using V = typename L::V;
  constexpr int n = cluster_size;
  std::fill(t.buffer, t.buffer + static_cast<long>(t.slots) * cluster_doubles, 0.0);
  const V cutoff_sq(t.cutoff_sq);
  V energy(0.0);
  V virial[6] = {V(0.0), V(0.0), V(0.0), V(0.0), V(0.0), V(0.0)};
  for (int ci = t.first_i; ci < t.last_i; ++ci) {
    const double* xi = t.xyz + static_cast<long>(ci) * cluster_doubles;
    V acc[3][n];
    for (auto& axis : acc)
      for (V& lane : axis) lane = V(0.0);
    const int k = ci - t.first_i;
    for (int e = t.pair_start[k]; e < t.pair_start[k + 1]; ++e) {
      const ClusterPair& p = t.pairs[e];
      const double* xj = t.xyz + static_cast<long>(p.j) * cluster_doubles;
      const double* shift = t.shifts + 3 * p.shift;
      const V xb = L::load(xj), yb = L::load(xj + n), zb = L::load(xj + 2 * n);
      V f[3][n], term[n], w[6][n];
      for (int a = 0; a < n; ++a) {
        const V delx = V(xi[a] - shift[0]) - xb;
        const V dely = V(xi[n + a] - shift[1]) - yb;
        const V delz = V(xi[2 * n + a] - shift[2]) - zb;
        const V rsq = delx * delx + dely * dely + delz * delz;
        const typename L::Mask in = L::both(L::less(rsq, cutoff_sq), L::lanes(p.mask >> (n * a) & 0xFu));
        const PairTerms<V> pair = pair_terms(rsq);
        const V fpair = L::zero_unless(in, pair.fpair);
        term[a] = L::zero_unless(in, pair.term);
        f[0][a] = delx * fpair;
        f[1][a] = dely * fpair;
        f[2][a] = delz * fpair;
        if (with_virial) {
          w[0][a] = delx * f[0][a];
          w[1][a] = dely * f[1][a];
          w[2][a] = delz * f[2][a];
          w[3][a] = delx * f[1][a];
          w[4][a] = delx * f[2][a];
          w[5][a] = dely * f[2][a];
        }
        for (int axis = 0; axis < 3; ++axis) acc[axis][a] = acc[axis][a] + f[axis][a];
      }
      double* fj = t.buffer + static_cast<long>(p.slot) * cluster_doubles;
      for (int axis = 0; axis < 3; ++axis)
        L::store(fj + axis * n,
                 L::load(fj + axis * n) - ((f[axis][0] + f[axis][2]) + (f[axis][1] + f[axis][3])));
      energy = energy + ((term[0] + term[2]) + (term[1] + term[3]));
      if (with_virial)
        for (int c = 0; c < 6; ++c) virial[c] = virial[c] + ((w[c][0] + w[c][2]) + (w[c][1] + w[c][3]));
    }
    double* fi = t.buffer + static_cast<long>(k) * cluster_doubles;
    for (int a = 0; a < n; ++a)
      for (int axis = 0; axis < 3; ++axis) fi[axis * n + a] = fi[axis * n + a] + L::sum4(acc[axis][a]);
  }
  ClusterSums sums;
  sums.energy = L::sum4(energy);
  if (with_virial)
    for (int c = 0; c < 6; ++c) sums.virial[c] = L::sum4(virial[c]);
  return sums;
}

template <class L>
ClusterSums task_on_lanes(const ClusterTask& t, bool with_virial) {
  return with_virial ? task_on_lanes<L, true>(t) : task_on_lanes<L, false>(t);
}

}  // namespace
}  // namespace pelzak::kernels::cluster

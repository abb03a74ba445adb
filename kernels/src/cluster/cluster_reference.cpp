// The plain scalar reference of the engine's cluster-pair order (pelzak/kernels/cluster_pairs.hpp):
// one pair at a time, every sum written out in the order the vector kernels keep lane by lane.
#include <algorithm>

#include "cluster/cluster_pair.hpp"
#include "pelzak/kernels/cluster_pairs.hpp"

namespace pelzak::kernels {

namespace {

constexpr int n = cluster_size;

// The fixed reduction of four lanes: (l0 + l2) + (l1 + l3).
double sum4(const double* l) { return (l[0] + l[2]) + (l[1] + l[3]); }

}  // namespace

ClusterSums cluster_task_reference(const ClusterTask& t, bool with_virial) {
  std::fill(t.buffer, t.buffer + static_cast<long>(t.slots) * cluster_doubles, 0.0);
  double energy[n] = {};
  double virial[6][n] = {};
  for (int ci = t.first_i; ci < t.last_i; ++ci) {
    const double* xi = t.xyz + static_cast<long>(ci) * cluster_doubles;
    double acc[3][n][n] = {};  // [axis][a][b]
    const int k = ci - t.first_i;
    for (int e = t.pair_start[k]; e < t.pair_start[k + 1]; ++e) {
      const ClusterPair& p = t.pairs[e];
      const double* xj = t.xyz + static_cast<long>(p.j) * cluster_doubles;
      const double* shift = t.shifts + 3 * p.shift;
      double f[3][n][n], term[n][n], w[6][n][n];
      for (int a = 0; a < n; ++a) {
        const double xa = xi[a] - shift[0], ya = xi[n + a] - shift[1], za = xi[2 * n + a] - shift[2];
        for (int b = 0; b < n; ++b) {
          const double delx = xa - xj[b];
          const double dely = ya - xj[n + b];
          const double delz = za - xj[2 * n + b];
          const double rsq = delx * delx + dely * dely + delz * delz;
          const bool in = rsq < t.cutoff_sq && (p.mask >> (n * a + b) & 1u) != 0;
          const cluster::PairTerms<double> pair = cluster::pair_terms(rsq);
          const double fpair = in ? pair.fpair : 0.0;
          term[a][b] = in ? pair.term : 0.0;
          f[0][a][b] = delx * fpair;
          f[1][a][b] = dely * fpair;
          f[2][a][b] = delz * fpair;
          w[0][a][b] = delx * f[0][a][b];
          w[1][a][b] = dely * f[1][a][b];
          w[2][a][b] = delz * f[2][a][b];
          w[3][a][b] = delx * f[1][a][b];
          w[4][a][b] = delx * f[2][a][b];
          w[5][a][b] = dely * f[2][a][b];
          for (int axis = 0; axis < 3; ++axis) acc[axis][a][b] = acc[axis][a][b] + f[axis][a][b];
        }
      }
      double* fj = t.buffer + static_cast<long>(p.slot) * cluster_doubles;
      for (int b = 0; b < n; ++b) {
        for (int axis = 0; axis < 3; ++axis) {
          const double column[n] = {f[axis][0][b], f[axis][1][b], f[axis][2][b], f[axis][3][b]};
          fj[axis * n + b] = fj[axis * n + b] - sum4(column);
        }
        const double terms[n] = {term[0][b], term[1][b], term[2][b], term[3][b]};
        energy[b] = energy[b] + sum4(terms);
        if (with_virial)
          for (int c = 0; c < 6; ++c) {
            const double products[n] = {w[c][0][b], w[c][1][b], w[c][2][b], w[c][3][b]};
            virial[c][b] = virial[c][b] + sum4(products);
          }
      }
    }
    double* fi = t.buffer + static_cast<long>(k) * cluster_doubles;
    for (int a = 0; a < n; ++a)
      for (int axis = 0; axis < 3; ++axis) fi[axis * n + a] = fi[axis * n + a] + sum4(acc[axis][a]);
  }
  ClusterSums sums;
  sums.energy = sum4(energy);
  if (with_virial)
    for (int c = 0; c < 6; ++c) sums.virial[c] = sum4(virial[c]);
  return sums;
}

}  // namespace pelzak::kernels

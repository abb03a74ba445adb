// The Lennard-Jones forces of a system at any state point, with the potential energy and the
// virial, from the engine's cluster-pair kernels over its cluster-pair list, on a pool of threads.
//
// The sums run in the engine's own order (engine/README.md): clusters of four atoms, tasks that do
// not depend on the thread count, each into its own buffer, the buffers added in task order. The
// same bits for any number of threads and on every kernel set (PELZAK_ISA picks one, as for the
// library); within a part in 10^12 of the plain loop over all pairs, whose order the library keeps.
#pragma once

#include <memory>

#include "pelzak/engine/state_point.hpp"

namespace pelzak::engine {

struct PairSums {
  double energy = 0.0;  // J: 4 eps times the pair sum of (sigma/r)^12 - (sigma/r)^6, plus the tail
  // J: the sums over pairs of del_a f_b (xx, yy, zz, xy, xz, yz), del = r_i - r_j at the minimum
  // image, f the force on i from j, times 1e-9 m/nm. Zero unless asked for.
  double virial[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

class PairForces {
 public:
  // threads: how many threads form the forces and build the lists (1: the calling thread alone),
  // kept for the object's life. The results are the same bits for any number.
  explicit PairForces(const StatePoint& state, int threads = 1);
  ~PairForces();
  PairForces(const PairForces&) = delete;
  PairForces& operator=(const PairForces&) = delete;

  // Overwrites forces (N, configuration layout: all x, then all y, then all z) for positions (nm).
  PairSums compute(const double* positions, double* forces, bool with_virial);

  // The positions the current list was built from (3N doubles, configuration layout) to origin, or,
  // before the first list, false with nothing written. A run continued from a checkpoint builds
  // its list from them (build_list) and then sums every force in the order the uninterrupted run
  // does: the order follows the list (engine/README.md).
  bool list_origin(double* origin) const;
  void build_list(const double* origin);

  // The number of lists built and pruned (between builds) so far, the pairs of clusters the
  // kernels run and the clusters in the current list, and the bytes held for the pair loops now.
  long list_builds() const;
  long list_prunes() const;
  long cluster_pairs() const;
  long clusters() const;
  std::size_t bytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pelzak::engine

#include "pelzak/engine/pair_forces.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "cluster_list.hpp"
#include "pelzak/kernels/cluster_pairs.hpp"
#include "workers.hpp"

namespace pelzak::engine {

namespace {

// Virial sums in nm N to J.
constexpr double joule_per_nm_newton = 1e-9;
// The list's buffers beyond the cut-off, nm (cluster_list.hpp): the outer list serves until some
// atom has moved half of skin, the pruned list the kernels run until some atom has moved half of
// inner_skin. Chosen by measurement (bench/README.md) at 864 and 6,912 atoms of the liquid at
// 94.4 K: an outer list every ~100 steps of 0.01 ps and a prune every ~20 cost 0.84x the steps of
// one list of skin 0.1 nm rebuilt every ~9 (outer 0.2 to 0.4 nm and inner 0.04 to 0.1 nm all
// measure within the machine's noise of this pair; a larger outer list holds more bytes).
constexpr double skin = 0.25;
constexpr double inner_skin = 0.05;
// The most threads a pool may have.
constexpr int most_threads = 64;

// The pairs of free atoms (cluster_list.hpp) with every other atom: free atom f ascending, partner j
// ascending (a free j only after f), the minimum image by division, the cluster kernels' pair terms.
void free_pairs(const StatePoint& state, double cutoff_sq, const std::vector<std::int32_t>& free,
                const double* positions, double* forces, kernels::ClusterSums* sums, bool with_virial) {
  const long atoms = state.atoms;
  const double box = state.box;
  std::vector<std::uint8_t> is_free(atoms, 0);
  for (std::int32_t f : free) is_free[f] = 1;
  constexpr double sigma_sq = model::sigma * model::sigma;
  for (std::int32_t f : free) {
    for (long j = 0; j < atoms; ++j) {
      if (j == f || (is_free[j] && j < f)) continue;
      double del[3];
      for (int k = 0; k < 3; ++k) {
        const double d = positions[k * atoms + f] - positions[k * atoms + j];
        del[k] = d - box * std::round(d / box);
      }
      const double rsq = del[0] * del[0] + del[1] * del[1] + del[2] * del[2];
      if (!(rsq < cutoff_sq)) continue;
      const double r2inv = 1.0 / rsq;
      const double sr2 = sigma_sq * r2inv;
      const double sr6 = (sr2 * sr2) * sr2;
      const double sr12 = sr6 * sr6;
      const double fpair = (2.0 * sr12 - sr6) * (model::force_factor * r2inv);
      double fk[3];
      for (int k = 0; k < 3; ++k) {
        fk[k] = del[k] * fpair;
        forces[k * atoms + f] += fk[k];
        forces[k * atoms + j] -= fk[k];
      }
      sums->energy = sums->energy + (sr12 - sr6);
      if (with_virial) {
        double* w = sums->virial;
        w[0] = w[0] + del[0] * fk[0];
        w[1] = w[1] + del[1] * fk[1];
        w[2] = w[2] + del[2] * fk[2];
        w[3] = w[3] + del[0] * fk[1];
        w[4] = w[4] + del[0] * fk[2];
        w[5] = w[5] + del[1] * fk[2];
      }
    }
  }
}

}  // namespace

struct PairForces::Impl {
  StatePoint state;
  double cutoff_sq;
  double tail_energy;
  Workers workers;
  ClusterList list;
  Impl(const StatePoint& s, const Derived& d, int threads)
      : state(s),
        cutoff_sq(d.cutoff_sq),
        tail_energy(d.tail_energy),
        workers(threads),
        list(s.atoms, s.box, d.cutoff_sq, skin, inner_skin) {}
};

PairForces::PairForces(const StatePoint& state, int threads)
    : impl_(std::make_unique<Impl>(state, derive(state), std::clamp(threads, 1, most_threads))) {}

PairForces::~PairForces() = default;

PairSums PairForces::compute(const double* positions, double* forces, bool with_virial) {
  Impl& s = *impl_;
  const kernels::Isa isa = kernels::isa_for_this_call();
  const int members = s.workers.size();
  s.list.begin();
  s.workers.run([&](int member) {
    const bool prune = s.list.update(s.workers, member, positions, isa);
    s.list.run_tasks(member, isa, with_virial, prune);
    s.workers.barrier();
    s.list.gather_forces(member, members, forces);
  });
  // The tasks' sums in task order, then the free atoms'.
  kernels::ClusterSums total;
  for (int t = 0; t < s.list.tasks(); ++t) {
    const kernels::ClusterSums& part = s.list.sums(t);
    total.energy = total.energy + part.energy;
    if (with_virial)
      for (int k = 0; k < 6; ++k) total.virial[k] = total.virial[k] + part.virial[k];
  }
  if (!s.list.free_atoms().empty())
    free_pairs(s.state, s.cutoff_sq, s.list.free_atoms(), positions, forces, &total, with_virial);
  PairSums sums;
  sums.energy = model::four_eps * total.energy;
  if (s.tail_energy != 0.0) sums.energy += s.tail_energy;
  for (int k = 0; k < 6; ++k) sums.virial[k] = joule_per_nm_newton * total.virial[k];
  return sums;
}

bool PairForces::list_origin(double* origin) const { return impl_->list.origin(origin); }

void PairForces::build_list(const double* origin) {
  Impl& s = *impl_;
  const kernels::Isa isa = kernels::isa_for_this_call();
  s.list.begin();
  s.workers.run([&](int member) { s.list.build(s.workers, member, origin, isa); });
}

long PairForces::list_builds() const { return impl_->list.builds(); }

long PairForces::list_prunes() const { return impl_->list.prunes(); }

long PairForces::cluster_pairs() const { return impl_->list.entries(); }

long PairForces::clusters() const { return impl_->list.clusters(); }

std::size_t PairForces::bytes() const { return impl_->list.bytes(); }

}  // namespace pelzak::engine

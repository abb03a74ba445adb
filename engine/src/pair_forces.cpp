#include "pelzak/engine/pair_forces.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "aligned.hpp"
#include "pelzak/kernels/pair_model.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "threaded_pairs.hpp"
#include "verlet_list.hpp"
#include "workers.hpp"

namespace pelzak::engine {

namespace {

// Virial sums in nm N to J.
constexpr double joule_per_nm_newton = 1e-9;

}  // namespace

struct PairForces::Impl {
  kernels::PairModel model;
  double tail_energy;
  VerletList list;
  Aligned<double> xyz, force_rows;
  kernels::PairScratch scratch;
  Workers workers;
  ThreadedPairs threaded{workers};
  explicit Impl(int threads) : workers(threads) {}
};

PairForces::PairForces(const StatePoint& state, int threads)
    : impl_(std::make_unique<Impl>(std::clamp(threads, 1, ThreadedPairs::max_members))) {
  const Derived d = derive(state);
  Impl& s = *impl_;
  s.model = kernels::pair_model(static_cast<int>(state.atoms), state.box, d.cutoff_sq);
  s.tail_energy = d.tail_energy;
  const auto n = static_cast<std::size_t>(state.atoms);
  s.xyz.resize(4 * n);
  s.force_rows.resize(4 * n);
  s.scratch.xyz = s.xyz.data;
  s.scratch.force_rows = s.force_rows.data;
}

PairForces::~PairForces() = default;

PairSums PairForces::compute(const double* positions, double* forces, bool with_virial) {
  Impl& s = *impl_;
  const long n3 = 3L * s.model.atoms;
  std::fill(forces, forces + n3, 0.0);
  const kernels::Isa isa = kernels::isa_for_this_call();
  const kernels::CandidateList list =
      isa == kernels::Isa::reference ? kernels::CandidateList{} : s.list.current(s.model, positions, isa);
  double lj_sum = 0.0;
  double virial[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  // With a team, the threaded loop: the same sums in the same order, so the same bits (threaded_pairs.hpp).
  if (s.workers.size() > 1 && isa != kernels::Isa::reference)
    s.threaded.compute(s.model, isa, positions, list, s.list.row_blocks(), forces, &lj_sum,
                       with_virial ? virial : nullptr);
  else
    kernels::lj_listed_on(isa, s.model, positions, list, forces, &lj_sum, with_virial ? virial : nullptr,
                          s.scratch);
  PairSums sums;
  sums.energy = model::four_eps * lj_sum;
  if (s.tail_energy != 0.0) sums.energy += s.tail_energy;
  for (int k = 0; k < 6; ++k) sums.virial[k] = joule_per_nm_newton * virial[k];
  return sums;
}

long PairForces::list_builds() const { return impl_->list.builds(); }

std::size_t PairForces::bytes() const {
  const Impl& s = *impl_;
  return s.list.bytes() + s.threaded.bytes() +
         (s.xyz.storage.capacity() + s.force_rows.storage.capacity()) * sizeof(double);
}

}  // namespace pelzak::engine

#include "pelzak/engine/rdf_sampler.hpp"

#include "aligned.hpp"
#include "pelzak/kernels/pair_model.hpp"
#include "pelzak/kernels/state_point_loops.hpp"

namespace pelzak::engine {

struct RdfSampler::Impl {
  kernels::PairModel model;
  Aligned<double> xyz;
  Aligned<std::int32_t> cells_xy, cells_z, row_bins, edge_i4, j4;
  kernels::PairScratch scratch;
};

RdfSampler::RdfSampler(const StatePoint& state) : impl_(std::make_unique<Impl>()) {
  Impl& s = *impl_;
  s.model = kernels::pair_model(static_cast<int>(state.atoms), state.box, derive(state).cutoff_sq);
  const auto n = static_cast<std::size_t>(state.atoms);
  s.xyz.resize(4 * n);
  s.cells_xy.resize(n + kernels::cell_padding);
  s.cells_z.resize(n + kernels::cell_padding);
  for (auto* a : {&s.row_bins, &s.edge_i4, &s.j4}) a->resize(kernels::pair_scratch_ints(state.atoms));
  s.scratch.xyz = s.xyz.data;
  s.scratch.cells_xy = s.cells_xy.data;
  s.scratch.cells_z = s.cells_z.data;
  s.scratch.row_bins = s.row_bins.data;
  s.scratch.edge_i4 = s.edge_i4.data;
  s.scratch.j4 = s.j4.data;
}

RdfSampler::~RdfSampler() = default;

void RdfSampler::sample(const double* positions, double* histogram) {
  kernels::rdf_sample_on(kernels::isa_for_this_call(), impl_->model, positions, histogram, impl_->scratch);
}

}  // namespace pelzak::engine

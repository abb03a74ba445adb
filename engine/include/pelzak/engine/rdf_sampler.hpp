// g(r) of a system at any state point: the library's histogram of pair distances (model::bins
// shells of width L / 400 over half the box, each pair adding 2.0 to the shell its r / dr rounds
// to) from the library's own g(r) kernels, bit for bit the plain loop's, for any atom count and box.
// Every pair is looked at: the cost grows with N^2 (about 0.2 ms for the library's 864 atoms,
// 12 ms for 6,912).
#pragma once

#include <memory>

#include "pelzak/engine/state_point.hpp"

namespace pelzak::engine {

class RdfSampler {
 public:
  explicit RdfSampler(const StatePoint& state);
  ~RdfSampler();
  RdfSampler(const RdfSampler&) = delete;
  RdfSampler& operator=(const RdfSampler&) = delete;

  // Adds the pairs of positions to histogram[0 ... model::bins - 1], as the library's sampler does.
  void sample(const double* positions, double* histogram);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pelzak::engine

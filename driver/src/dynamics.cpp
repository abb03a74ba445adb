#include "dynamics.hpp"

#include <algorithm>

namespace pelzak::md {

bool dynamics_start(Dynamics& d, std::int64_t steps, long atoms, double dt, std::string* problem) {
  const analysis::DynamicsPlan plan =
      analysis::plan_dynamics(dt, steps + 1, static_cast<int>(atoms), true, true);
  if (!analysis::dynamics_start(d.analysis, plan, problem)) return false;
  d.dt = dt;
  d.before.assign(3 * static_cast<std::size_t>(atoms), 0.0);
  d.velocity.assign(3 * static_cast<std::size_t>(atoms), 0.0);
  return true;
}

void dynamics_before_step(Dynamics& d, std::int64_t n, const double* positions) {
  if (n == 1) analysis::add_positions(d.analysis, 0, positions);
  if (analysis::takes_velocities(d.analysis, n - 1))
    std::copy(positions, positions + d.before.size(), d.before.begin());
}

void dynamics_after_step(Dynamics& d, std::int64_t n, const double* positions) {
  if (analysis::takes_velocities(d.analysis, n - 1)) {
    for (std::size_t c = 0; c < d.velocity.size(); ++c) d.velocity[c] = (positions[c] - d.before[c]) / d.dt;
    analysis::add_velocities(d.analysis, n - 1, d.velocity.data());
  }
  analysis::add_positions(d.analysis, n, positions);
}

}  // namespace pelzak::md

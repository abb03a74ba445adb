#include "dynamics.hpp"

#include <algorithm>

#include "pelzak_model.h"

namespace pelzak::md {

bool dynamics_start(Dynamics& d, std::int64_t steps, std::string* problem) {
  const analysis::DynamicsPlan plan = analysis::plan_dynamics(model::dt, steps + 1, model::atoms, true, true);
  if (!analysis::dynamics_start(d.analysis, plan, problem)) return false;
  d.before.assign(model::config_size, 0.0);
  d.velocity.assign(model::config_size, 0.0);
  return true;
}

void dynamics_before_step(Dynamics& d, std::int64_t n, const double* positions) {
  if (n == 1) analysis::add_positions(d.analysis, 0, positions);
  if (analysis::takes_velocities(d.analysis, n - 1))
    std::copy(positions, positions + model::config_size, d.before.begin());
}

void dynamics_after_step(Dynamics& d, std::int64_t n, const double* positions) {
  if (analysis::takes_velocities(d.analysis, n - 1)) {
    for (int c = 0; c < model::config_size; ++c) d.velocity[c] = (positions[c] - d.before[c]) / model::dt;
    analysis::add_velocities(d.analysis, n - 1, d.velocity.data());
  }
  analysis::add_positions(d.analysis, n, positions);
}

}  // namespace pelzak::md

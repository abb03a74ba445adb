// The dynamics the driver feeds to the analysis during production, checked through the results on
// an accelerated flight (tests/support/accelerated_flight.hpp): the MSD from x(0), x(10), ...
// (0.1 ps apart) with origins every 2 ps and Einstein D fitted over 2-10 ps, the VACF of the
// displacement velocities of steps 1, 5, 9, ... (0.04 ps apart) over 127 lags and its Green-Kubo D.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "accelerated_flight.hpp"
#include "dynamics.hpp"
#include "pelzak_model.h"
#include "support.hpp"

namespace {

namespace model = pelzak::model;
using namespace pelzak::test;

TEST(DriverDynamics, AnAcceleratedFlightGivesTheResultsOfTheSchedule) {
  constexpr std::int64_t steps = 2000;  // 20 ps: lags up to 10 ps reach the whole fit window
  pelzak::md::Dynamics d;
  std::string problem;
  ASSERT_TRUE(pelzak::md::dynamics_start(d, steps, model::atoms, model::dt, &problem)) << problem;
  Frames msd_frames{flight_positions(model::atoms, 0.0)}, velocities;
  std::vector<double> before = msd_frames[0];
  for (std::int64_t n = 1; n <= steps; ++n) {
    pelzak::md::dynamics_before_step(d, n, before.data());
    const std::vector<double> after = flight_positions(model::atoms, n * model::dt);
    pelzak::md::dynamics_after_step(d, n, after.data());
    if (n % 10 == 0) msd_frames.push_back(after);
    if ((n - 1) % 4 == 0) {
      std::vector<double> u(model::config_size);
      for (int c = 0; c < model::config_size; ++c) u[c] = (after[c] - before[c]) / model::dt;
      velocities.push_back(u);
    }
    before = after;
  }
  const pelzak::analysis::DynamicsReport r = pelzak::analysis::dynamics_report(d.analysis, "");
  // Origins every 20 frames of 10 steps (2 ps), lags up to 100 (half the run), the fit over lags
  // 20 to 100 (2-10 ps); the VACF over 127 lags of 4 steps.
  const ExpectedDynamics e =
      expected_dynamics(msd_frames, 20, 100, 20, 100, 10 * model::dt, velocities, 127, 4 * model::dt);
  expect_dynamics(r, e);
}

}  // namespace

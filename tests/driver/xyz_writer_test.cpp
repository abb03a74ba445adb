#include <gtest/gtest.h>

#include <cmath>

#include "pelzak/engine/system.hpp"
#include "support.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {
namespace {

using pelzak::test::split_lines;

// The library's liquid with these positions and velocities.
engine::System liquid(const std::vector<double>& x, const std::vector<double>& v) {
  engine::System s{engine::StatePoint{}};
  s.positions = x;
  s.velocities = v;
  return s;
}

Options defaults() {
  Options o;
  o.atoms = model::atoms;
  return o;
}

TEST(DriverXyz, FrameHasCountCommentAndOneLinePerAtomInAngstrom) {
  std::vector<double> x(model::config_size), v(model::config_size, 0.25);
  for (int i = 0; i < model::atoms; ++i) {
    x[i] = 0.001 * i;               // x
    x[model::atoms + i] = 1.0;      // y
    x[2 * model::atoms + i] = 3.0;  // z
  }
  const auto lines = split_lines(xyz_frame(liquid(x, v), "production", 20, 2020, defaults()));
  ASSERT_EQ(lines.size(), 866u);
  EXPECT_EQ(lines[0], "864");
  EXPECT_EQ(
      lines[1],
      "Lattice=\"34.778600000000004 0 0 0 34.778600000000004 0 0 0 34.778600000000004\" "
      "Properties=species:S:1:pos:R:3:vel:R:3:image:I:3 pbc=\"T T T\" Time=20.20 Step=2020 time_ps=20.20 "
      "phase=production step=20");
  // Before the run's first step the velocities are the start's.
  EXPECT_EQ(lines[2], "Ar 0.00000 10.00000 30.00000 2.50000 2.50000 2.50000 0 0 0");
  EXPECT_EQ(lines[865], "Ar 8.63000 10.00000 30.00000 2.50000 2.50000 2.50000 0 0 0");
}

TEST(DriverXyz, AfterAStepTheVelocityIsThatOfTheStepAndPositionsAreWrappedWithImages) {
  std::vector<double> x(model::config_size, 0.0), v(model::config_size, 0.25);
  x[0] = -0.1;                          // just below the box
  x[model::atoms] = model::box + 0.25;  // just above
  x[2 * model::atoms] = -1e-18;         // rounds to exactly L after wrapping: must become 0
  engine::System s = liquid(x, v);
  s.have_half_step = true;
  s.half_step.assign(model::config_size, -0.125);
  const auto lines = split_lines(xyz_frame(s, "production", 1, 1, defaults()));
  EXPECT_EQ(lines[2], "Ar 33.77860 2.50000 0.00000 -1.25000 -1.25000 -1.25000 -1 1 0");
}

}  // namespace
}  // namespace pelzak::md

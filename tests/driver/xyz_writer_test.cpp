#include <gtest/gtest.h>

#include <cmath>

#include "pelzak/engine/system.hpp"
#include "support.hpp"
#include "xyz_writer.hpp"

namespace pelzak::md {
namespace {

using pelzak::test::split_lines;

// The library's liquid with these positions.
engine::System liquid(const std::vector<double>& x) {
  engine::System s{engine::StatePoint{}};
  s.positions = x;
  return s;
}

Options defaults() {
  Options o;
  o.atoms = model::atoms;
  return o;
}

TEST(DriverXyz, FrameHasCountCommentAndOneLinePerAtomInAngstrom) {
  std::vector<double> x(model::config_size);
  for (int i = 0; i < model::atoms; ++i) {
    x[i] = 0.001 * i;               // x
    x[model::atoms + i] = 1.0;      // y
    x[2 * model::atoms + i] = 3.0;  // z
  }
  const auto lines = split_lines(xyz_frame(liquid(x), "production", 20, 2020, defaults()));
  ASSERT_EQ(lines.size(), 866u);
  EXPECT_EQ(lines[0], "864");
  EXPECT_EQ(lines[1],
            "Lattice=\"34.7786 0 0 0 34.7786 0 0 0 34.7786\" Properties=species:S:1:pos:R:3 pbc=\"T T T\" "
            "time_ps=20.20 phase=production step=20");
  EXPECT_EQ(lines[2], "Ar 0.00000 10.00000 30.00000");
  EXPECT_EQ(lines[3], "Ar 0.01000 10.00000 30.00000");
  EXPECT_EQ(lines[865], "Ar 8.63000 10.00000 30.00000");
}

TEST(DriverXyz, PositionsOutsideTheBoxAreWrappedBackIntoIt) {
  std::vector<double> x(model::config_size, 0.0);
  x[0] = -0.1;                          // just below the box
  x[model::atoms] = model::box + 0.25;  // just above
  x[2 * model::atoms] = -1e-18;         // rounds to exactly L after wrapping: must become 0
  x[1] = 7 * model::box + 1.0;          // several boxes away
  const auto lines = split_lines(xyz_frame(liquid(x), "start", 0, 0, defaults()));
  EXPECT_EQ(lines[2], "Ar 33.77860 2.50000 0.00000");
  EXPECT_EQ(lines[3].substr(0, 11), "Ar 10.00000");
  for (size_t n = 2; n < lines.size(); ++n) {
    double v[3];
    ASSERT_EQ(std::sscanf(lines[n].c_str(), "Ar %lf %lf %lf", &v[0], &v[1], &v[2]), 3) << lines[n];
    for (double c : v) {
      EXPECT_GE(c, 0.0);
      EXPECT_LT(c, 34.7786);
    }
  }
}

}  // namespace
}  // namespace pelzak::md

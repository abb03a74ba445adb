// "final_argon.dat": where a run ended, in the start file's layout (what pelzak_lammps export reads):
// positions wrapped into the box, the half-step velocity, read back by the formats module's reader.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "configs.hpp"
#include "final_configuration.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak_model.h"
#include "support.hpp"

namespace {

namespace model = pelzak::model;
using pelzak::test::split_lines;

TEST(DriverFinalConfiguration, ReadsBackWrappedWithTheHalfStepVelocity) {
  std::vector<double> positions, velocities;
  pelzak::test::spread_configuration(positions, velocities);
  std::vector<double> drive(model::config_size);
  for (int n = 0; n < model::config_size; ++n) drive[n] = 40.0 * std::cos(1.3 * n);
  const double scale = 0.98;
  pelzak::engine::System s{pelzak::engine::StatePoint{}};
  s.positions = positions, s.velocities = velocities, s.drive = drive, s.last_scale = scale;
  const std::string text = pelzak::md::final_configuration_text(s);

  const auto lines = split_lines(text);
  ASSERT_EQ(lines.size(), 866u);
  EXPECT_EQ(lines[0], " Test");
  EXPECT_EQ(lines[1], "                  864 Argon");
  for (std::size_t n = 2; n < lines.size(); ++n) ASSERT_EQ(lines[n].size(), 68u) << n;
  EXPECT_EQ(lines[2].substr(0, 20), "    1   Ar   Ar    1");

  std::vector<double> p(model::config_size), v(model::config_size);
  pelzak::formats::ReadDiagnostic diagnostic;
  ASSERT_EQ(pelzak::formats::read_configuration(text.data(), text.size(), p.data(), v.data(), &diagnostic),
            pelzak::formats::ReadStatus::ok)
      << diagnostic.text;
  for (int n = 0; n < model::config_size; ++n) {
    const double wrapped = positions[n] - model::box * std::floor(positions[n] / model::box);
    ASSERT_GE(p[n], 0.0) << n;
    ASSERT_LE(p[n], model::box + 0.0005) << n;
    // The same point of the box: within the 3 decimals, possibly across the wall.
    const double gap = std::fabs(p[n] - wrapped);
    ASSERT_LE(std::min(gap, model::box - gap), 0.0005 + 1e-12) << n;
    ASSERT_NEAR(v[n], velocities[n] + scale * (model::dt / 2) * drive[n], 0.00005 + 1e-12) << n;
  }
}

}  // namespace

// What pelzak_lammps export writes: the LAMMPS data file and input script, and the reading of a
// configuration that names the file it read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "configs.hpp"
#include "export.hpp"
#include "metal_units.hpp"
#include "pelzak/engine/state_options.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak/formats/number_text.hpp"
#include "support.hpp"

namespace {

using pelzak::test::contains;

namespace model = pelzak::model;
using pelzak::formats::shortest;
using pelzak::test::split_lines;

TEST(LammpsExport, TheDataFileHoldsTheReplicatedBoxInMetalUnits) {
  pelzak::lammps::Configuration config{model::atoms, model::box, {}, {}};
  pelzak::test::spread_configuration(config.positions, config.velocities);
  const std::vector<double>& positions = config.positions;
  const std::vector<double>& velocities = config.velocities;
  const std::string text = pelzak::lammps::data_file_text(config, 2, "run/final\n.dat");
  const auto lines = split_lines(text);
  const std::string hi = shortest(2 * model::box * 10.0);
  EXPECT_EQ(
      lines[0],
      "LAMMPS data file: liquid argon from \"run/final?.dat\", replicated 2 x 2 x 2 (pelzak_lammps export; "
      "metal units)");
  EXPECT_EQ(lines[2], "6912 atoms");
  EXPECT_EQ(lines[3], "1 atom types");
  EXPECT_EQ(lines[5], "0 " + hi + " xlo xhi");
  EXPECT_EQ(lines[7], "0 " + hi + " zlo zhi");
  EXPECT_EQ(lines[11], "1 39.947996443314686");
  EXPECT_EQ(lines[13], "Atoms # atomic");
  ASSERT_EQ(lines.size(), 15u + 6912 + 3 + 6912);
  EXPECT_EQ(lines[15 + 6912 + 1], "Velocities");

  const double side = 2 * model::box * 10.0;
  for (int c = 0; c < 8; ++c) {
    for (int i = 0; i < model::atoms; i += 97) {
      const int id = c * model::atoms + i + 1;
      double x[3], v[3];
      int read_id = 0;
      ASSERT_EQ(std::sscanf(lines[15 + id - 1].c_str(), "%d 1 %lf %lf %lf", &read_id, &x[0], &x[1], &x[2]),
                4);
      ASSERT_EQ(read_id, id);
      ASSERT_EQ(
          std::sscanf(lines[15 + 6912 + 3 + id - 1].c_str(), "%d %lf %lf %lf", &read_id, &v[0], &v[1], &v[2]),
          4);
      ASSERT_EQ(read_id, id);
      // Copy c = 4 cx + 2 cy + cz sits cx, cy, cz boxes along.
      const int offset[3] = {c / 4, c / 2 % 2, c % 2};
      for (int k = 0; k < 3; ++k) {
        ASSERT_GE(x[k], 0.0);
        ASSERT_LE(x[k], side);
        const double inside = positions[k * model::atoms + i] -
                              model::box * std::floor(positions[k * model::atoms + i] / model::box);
        ASSERT_NEAR(x[k], (inside + offset[k] * model::box) * 10.0, 1e-9) << id;
        ASSERT_EQ(v[k], velocities[k * model::atoms + i] * 10.0) << id;
      }
    }
  }
}

TEST(LammpsExport, TheInputRunsOurModelWithOurThermostatAndCountsDegreesOfFreedomAsWeDo) {
  pelzak::lammps::ExportOptions options;
  options.replicate = 2;
  options.steps = 300;
  const std::string text = pelzak::lammps::input_text(options, model::atoms, "final_argon.dat");
  for (const char* line : {
           "units           metal\n",
           "read_data       argon.data\n",
           "pair_style      lj/cut 7.65\n",
           "pair_coeff      1 1 0.010342180435061079 3.4000000000000004\n",
           "pair_modify     shift no tail no\n",
           "timestep        0.009999999776482582\n",
           "compute_modify  temp3n extra/dof 0\n",
           "fix             integrate all nve\n",
           "fix             momentum all momentum 1 linear 1 1 1\n",
           "fix             thermostat all temp/rescale 1 94.4 94.4 0.0 1.0\n",
           "fix_modify      thermostat temp temp3n\n",
           "thermo_modify   temp temp3n\n",
           "variable steps        index 300 ",
           "variable seed         index 87287 ",
           "dump            traj all custom ${dump_every} traj_argon.lammpstrj id x y z ix iy iz vx vy vz\n",
           "run             ${steps}\n",
       })
    EXPECT_TRUE(contains(text, line)) << line;
  // The numbers are the model's, converted exactly.
  EXPECT_EQ(shortest(pelzak::lammps::epsilon_ev), shortest(model::epsilon / 1.602176634e-19));
  EXPECT_EQ(pelzak::lammps::cutoff_angstrom, model::cutoff * 10.0);

  options.replicate = 1;
  options.thermostat = pelzak::engine::Thermostat::none;
  options.seed = -1;
  const std::string nve = pelzak::lammps::input_text(options, model::atoms, "final_argon.dat");
  EXPECT_FALSE(contains(nve, "temp/rescale"));
  EXPECT_TRUE(contains(nve, "variable seed         index 0 "));
  options.seed = 5;
  EXPECT_TRUE(
      contains(pelzak::lammps::input_text(options, model::atoms, "x"), "variable seed         index 5 "));
}

TEST(LammpsExport, TheInputFollowsTheStatePoint) {
  pelzak::lammps::ExportOptions options;
  options.temperature = 120.0;
  options.cutoff_sigma = 3.0;
  options.tail = true;
  options.time_step_units = 5;
  options.time_step_decimals = 3;
  options.thermostat = pelzak::engine::Thermostat::csvr;
  options.tau = 0.5;
  const std::string text = pelzak::lammps::input_text(options, 500, "x");
  for (const char* line : {
           "# replicated 1 x 1 x 1: 500 atoms.\n",
           "pair_style      lj/cut 10.2\n",
           "pair_modify     shift no tail yes\n",
           "timestep        0.004999999888241291\n",
           "velocity all create 120 ${seed} ",
           "fix             thermostat all temp/berendsen 120 120 0.5\n",
           "fix_modify      thermostat temp temp3n\n",
       })
    EXPECT_TRUE(contains(text, line)) << line;
  EXPECT_FALSE(contains(text, "temp/rescale"));
  for (const auto& line : split_lines(text)) EXPECT_LE(line.size(), 130u) << line;

  // The box of 500 atoms at 1.2 g/cm^3, its cut-off at most half of twice its side.
  pelzak::lammps::Configuration config{500, pelzak::engine::state_box(500, 1.2), {}, {}};
  config.positions.assign(1500, 0.5);
  options.density = 1.2;
  options.replicate = 2;
  EXPECT_EQ(pelzak::lammps::check_state(options, config), "");
  options.cutoff_sigma = 9.0;
  EXPECT_TRUE(
      contains(pelzak::lammps::check_state(options, config),
               "value '9' of --cutoff is beyond half the box; accepted: at most 8.8927 sigma for 4000 "
               "atoms at 1.20000 g/cm^3"))
      << pelzak::lammps::check_state(options, config);
  options.cutoff_sigma = 2.25;
  config.positions[1499] = config.side + 0.001;
  EXPECT_TRUE(contains(pelzak::lammps::check_state(options, config), "atom 500 lies at"));
}

TEST(LammpsExport, AConfigurationThatCannotBeReadIsNamedInOneLine) {
  pelzak::test::ScratchDir dir;
  pelzak::lammps::Configuration config;
  std::string message;
  EXPECT_FALSE(pelzak::lammps::read_start("start.dat", config, &message));
  EXPECT_EQ(message, "cannot read \"start.dat\": No such file or directory");

  pelzak::test::write_bytes("start.dat", " Test\n   864 Argon\n    1   Ar   Ar    1   1.0x0\n");
  EXPECT_FALSE(pelzak::lammps::read_start("start.dat", config, &message));
  EXPECT_EQ(message.rfind("\"start.dat\", line 3: bad value \"1.0x0\"", 0), 0u) << message;

  pelzak::test::write_bytes("short.dat", " Test\n   864 Argon\n");
  EXPECT_FALSE(pelzak::lammps::read_start("short.dat", config, &message));
  EXPECT_EQ(message.rfind("\"short.dat\", line 3: end of file", 0), 0u) << message;
  EXPECT_FALSE(contains(message, "pelzak_initial")) << message;
}

}  // namespace

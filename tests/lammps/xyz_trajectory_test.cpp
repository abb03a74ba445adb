// pelzak_md's trajectory as the frames of a run: which frames the analysis takes, the velocities of
// the frame after each, unwrapped positions in nm, and the trajectories it refuses (a file cut short:
// tests/lammps/cli_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pelzak/formats/trajectory_writer.hpp"
#include "support.hpp"
#include "xyz_trajectory.hpp"

namespace {

using pelzak::lammps::Dump;
using pelzak::lammps::DumpOptions;
using pelzak::lammps::read_xyz;
using pelzak::test::contains;
using pelzak::test::ScratchDir;
using pelzak::test::write_bytes;
namespace trajectory = pelzak::formats::trajectory;

constexpr double box = 2.0;  // nm

// Two atoms at step `step` of `phase`: atom 0 at x = 0.1 step nm (leaving the box), velocity
// `step` nm/ps along x.
std::string frame(std::int64_t step, const std::string& phase, double side = box) {
  const double x[] = {0.1 * step, 1.0, 0.5, 0.5, 0.5, 0.5};
  const double v[] = {1.0 * step, 0.0, 0.0, 0.0, 0.0, 0.0};
  trajectory::Frame f;
  f.time = std::to_string(step) + ".0";
  f.step = step;
  f.phase = phase;
  trajectory::fill_frame(f, 2, side, x, v);
  return trajectory::frame_text(f);
}

struct Read {
  bool ok = false;
  Dump dump;
  std::string message, warning, note;
};

Read read(const std::string& text) {
  write_bytes("t.xyz", text);
  Read r;
  r.ok = read_xyz("t.xyz", DumpOptions{}, r.dump, &r.message, &r.warning, &r.note);
  return r;
}

TEST(LammpsXyz, ProductionAndTheFrameBeforeItEachWithTheNextFramesVelocities) {
  ScratchDir dir;
  const Read r = read(frame(0, "start") + frame(10, "push-off") + frame(20, "equilibration") +
                      frame(30, "production") + frame(40, "production") + frame(50, "production"));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.note, "production: 4 of the 6 frames (steps 20 to 50)");
  EXPECT_EQ(r.dump.timesteps, (std::vector<std::int64_t>{20, 30, 40, 50}));
  EXPECT_EQ(r.dump.times, (std::vector<double>{20.0, 30.0, 40.0, 50.0}));
  EXPECT_EQ(r.dump.program, "pelzak_md");
  EXPECT_EQ(r.dump.atoms, 2);
  EXPECT_DOUBLE_EQ(r.dump.box, box);
  EXPECT_TRUE(r.dump.continuous && r.dump.has_velocities);
  ASSERT_EQ(r.dump.velocity_frames(), 3u);
  for (std::size_t f = 0; f < 4; ++f)
    EXPECT_NEAR(r.dump.frame_positions(f)[0], 2.0 + f, 1e-12) << f;  // unwrapped
  for (std::size_t f = 0; f < 3; ++f) EXPECT_EQ(r.dump.frame_velocities(f)[0], 30.0 + 10 * f) << f;
  EXPECT_EQ(r.dump.frame_positions(3)[2], 0.5);  // atom 0's y
}

TEST(LammpsXyz, TheFrameBeforeProductionOnlyWhenOneSpacingEarlier) {
  ScratchDir dir;
  Read r = read(frame(25, "equilibration") + frame(30, "production") + frame(40, "production"));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.dump.timesteps, (std::vector<std::int64_t>{30, 40}));
  EXPECT_EQ(r.dump.frame_velocities(0)[0], 40.0);
  // Without production every frame is taken, and nothing is said.
  r = read(frame(0, "start") + frame(10, "push-off"));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.dump.frames(), 2u);
  EXPECT_EQ(r.note, "");
}

TEST(LammpsXyz, RefusesWhatIsNotOneRunInOneBox) {
  ScratchDir dir;
  const struct {
    std::string text, message;
  } cases[] = {
      {frame(10, "production") + frame(20, "equilibration"),
       "\"t.xyz\", line 5: the frame of Step=20 is not of production, yet production frames came before it"},
      {frame(10, "production") + frame(10, "production"),
       "\"t.xyz\", line 5: Step=10 does not follow Step=10"},
      {frame(10, "production") + frame(20, "production", 2.5), "\"t.xyz\", line 5: the box changes"},
      {"", "\"t.xyz\": the trajectory is empty"},
      {frame(10, "production").substr(0, 30),
       "line 2: the file ends inside a frame: there is no complete frame"},
  };
  for (const auto& c : cases) {
    const Read r = read(c.text);
    EXPECT_FALSE(r.ok) << c.message;
    EXPECT_TRUE(contains(r.message, c.message)) << "expected \"" << c.message << "\" in " << r.message;
  }
}

}  // namespace

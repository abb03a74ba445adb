// The trajectory "traj_argon.xyz": the frame's exact bytes, wrapping with image counts, the writer's
// text read back and written again byte for byte, and every refusal naming the file and the line.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pelzak/formats/trajectory_reader.hpp"
#include "pelzak/formats/trajectory_writer.hpp"

namespace pelzak::formats::trajectory {
namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The text as a file in memory.
File memory_file(std::string& text) { return File(fmemopen(text.data(), text.size(), "rb"), &std::fclose); }

struct Read {
  std::vector<Frame> frames;
  Reader::Result last = Reader::Result::end;
  std::string message;
};

Read read_all(std::string text) {
  Read r;
  File file = memory_file(text);
  auto reader = std::make_unique<Reader>(file.get(), "t.xyz");
  for (Frame f; (r.last = reader->next(f, &r.message)) == Reader::Result::frame;) r.frames.push_back(f);
  return r;
}

// Two atoms in a 10 nm box: one inside, one a box and a half below zero.
Frame two_atoms() {
  const double positions[] = {1.0, -15.0, 2.0, 0.5, 3.0, 25.0};  // nm: x x y y z z
  const double velocities[] = {0.1, -0.2, 0.0, -0.0, 0.123456, -1e-7};
  Frame f;
  f.time = "20.01";
  f.step = 2001;
  f.phase = "production";
  f.phase_step = 1;
  fill_frame(f, 2, 10.0, positions, velocities);
  return f;
}

TEST(FormatsTrajectory, FrameBytes) {
  EXPECT_EQ(frame_text(two_atoms()),
            "2\n"
            "Lattice=\"100 0 0 0 100 0 0 0 100\" Properties=species:S:1:pos:R:3:vel:R:3:image:I:3 "
            "pbc=\"T T T\" Time=20.01 Step=2001 time_ps=20.01 phase=production step=1\n"
            "Ar 10.00000 20.00000 30.00000 1.00000 0.00000 1.23456 0 0 0\n"
            "Ar 50.00000 5.00000 50.00000 -2.00000 -0.00000 -0.00000 -2 0 2\n");
}

TEST(FormatsTrajectory, WrappedPositionPlusImagesIsThePath) {
  const double box = 3.47786;  // nm
  const double x[] = {-0.1, box + 0.25, -1e-18, 7 * box + 1.0, -box, 1e-300, -123.456};
  const std::size_t n = sizeof x / sizeof x[0];
  std::vector<double> positions(3 * n, 0.0), velocities(3 * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) positions[i] = x[i];
  Frame f;
  fill_frame(f, static_cast<long>(n), box, positions.data(), velocities.data());
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_GE(f.positions[i], 0.0) << x[i];
    EXPECT_LT(f.positions[i], f.box) << x[i];
    EXPECT_EQ(f.images[i], std::floor(f.images[i]));
    EXPECT_NEAR(unwrapped(f, i), 10 * x[i], 1e-12) << x[i];
  }
  EXPECT_EQ(f.positions[2], 0.0);  // -1e-18 would round to L itself
  EXPECT_EQ(f.images[2], 0.0);
  EXPECT_EQ(f.images[3], 7.0);
}

TEST(FormatsTrajectory, WrittenFramesReadBackAndWriteTheSameBytes) {
  const long atoms = 100;
  const double box = 3.47786;
  std::vector<double> positions(3 * atoms), velocities(3 * atoms);
  std::string text;
  for (int frame = 0; frame < 3; ++frame) {
    for (long n = 0; n < 3 * atoms; ++n) {
      positions[n] = std::sin(0.37 * n + frame) * 40.0 * (n % 7) / 7.0;  // up to 12 boxes either way
      velocities[n] = std::cos(1.3 * n - frame) * 0.3;
    }
    Frame f;
    f.time = std::to_string(frame) + ".50";
    f.step = 50 * frame;
    if (frame > 0) f.phase = "equilibration", f.phase_step = frame;
    fill_frame(f, atoms, box, positions.data(), velocities.data());
    text += frame_text(f);
  }
  const Read r = read_all(text);
  ASSERT_EQ(r.last, Reader::Result::end) << r.message;
  ASSERT_EQ(r.frames.size(), 3u);
  std::string again;
  for (const Frame& f : r.frames) again += frame_text(f);
  EXPECT_EQ(again, text);
  EXPECT_EQ(r.frames[2].time_ps, 2.5);
  EXPECT_EQ(r.frames[2].step, 100);
  EXPECT_EQ(r.frames[0].phase, "");
  EXPECT_EQ(r.frames[1].phase, "equilibration");
  EXPECT_EQ(r.frames[2].box, box * 10);
  for (long n = 0; n < 3 * atoms; ++n)
    EXPECT_NEAR(unwrapped(r.frames[2], n), 10 * positions[n], 0.5e-5 + 1e-12) << n;
}

TEST(FormatsTrajectory, CarriageReturnsAndOtherKeysAreAccepted) {
  const Read r = read_all(
      "1\r\nfoo=\"a b\" Lattice=\"5 0 0 0 5 0 0 0 5\" Properties=species:S:1:pos:R:3:vel:R:3:image:I:3 "
      "pbc=\"T T T\" Step=0 Time=0 \r\n  Ar\t1 2 3 4 5 6 -1 0 1  \r\n");
  ASSERT_EQ(r.last, Reader::Result::end) << r.message;
  ASSERT_EQ(r.frames.size(), 1u);
  EXPECT_EQ(unwrapped(r.frames[0], 0), -4.0);
  EXPECT_EQ(r.frames[0].velocities[2], 6.0);
}

TEST(FormatsTrajectory, BrokenFilesAreRefusedWithFileLineAndReason) {
  const std::string comment =
      "Lattice=\"5 0 0 0 5 0 0 0 5\" Properties=species:S:1:pos:R:3:vel:R:3:image:I:3 pbc=\"T T T\" Time=0 "
      "Step=0\n";
  const std::string atom = "Ar 1 2 3 4 5 6 0 0 0\n";
  const std::string good = "1\n" + comment + atom;
  const struct {
    std::string text;
    Reader::Result result;
    std::string message;
  } cases[] = {
      {"x\n" + comment + atom, Reader::Result::error, "line 1: expected the atom count"},
      {"0\n" + comment, Reader::Result::error, "line 1: expected the atom count"},
      {"100000001\n", Reader::Result::error, "line 1: expected the atom count"},
      {good + "2\n", Reader::Result::error, "line 4: the frame has 2 atoms, the first had 1"},
      {"1\nLattice=\"5 0 0 0 5 0 0 0 5\" Time=0 Step=0\n", Reader::Result::error,
       "line 2: the comment line has no Properties="},
      {"1\n" + std::string(comment).replace(9, 1, "6"), Reader::Result::error,
       "is not a cubic box with a positive side"},
      {"1\n" + std::string(comment).replace(11, 1, "1"), Reader::Result::error,
       "is not a cubic box (off-diagonal terms)"},
      {"1\n" + std::string(comment).replace(8, 19, "\"5 0 0\""), Reader::Result::error,
       "is not nine finite numbers"},
      {"1\nLattice=\"5 0 0 0 5 0 0 0 5\n", Reader::Result::error,
       "the value of Lattice has no closing quote"},
      {"1\nLattice\n", Reader::Result::error, "expected key=value in the comment line"},
      {"1\nTime=1 Time=2\n", Reader::Result::error, "the key Time appears twice"},
      {"1\n" + std::string(comment).replace(comment.find(":S:1"), 4, ":S:2"), Reader::Result::error,
       "Properties=species:S:2"},
      {"1\n" + std::string(comment).replace(comment.find("T T T"), 5, "T T F"), Reader::Result::error,
       "pbc=\"T T F\""},
      {"1\n" + std::string(comment).replace(comment.find("Time=0"), 6, "Time=x"), Reader::Result::error,
       "bad Time=x"},
      {"1\n" + std::string(comment).replace(comment.find("Step=0"), 6, "Step=-1"), Reader::Result::error,
       "bad Step=-1"},
      {"1\n" + comment + "Ar 1 2 3 4 5 6 0 0\n", Reader::Result::error, "line 3: expected \"Ar x y z"},
      {"1\n" + comment + "He 1 2 3 4 5 6 0 0 0\n", Reader::Result::error, "the species is \"He\""},
      {"1\n" + comment + "Ar 1 2 nan 4 5 6 0 0 0\n", Reader::Result::error, "bad position \"nan\""},
      {"1\n" + comment + "Ar 1 2 3 4 +5 6 0 0 0\n", Reader::Result::error, "bad velocity \"+5\""},
      {"1\n" + comment + "Ar 1 2 3 4 5 1e999 0 0 0\n", Reader::Result::error, "bad velocity \"1e999\""},
      {"1\n" + comment + "Ar 1 2 3 4 5 6 0 0.5 0\n", Reader::Result::error, "bad image count \"0.5\""},
      {"1\n" + comment + "Ar 1 2 3 4 5 6 0 0 9007199254740993\n", Reader::Result::error, "bad image count"},
      {"1\n" + comment + "Ar 1 2 3 4 5 6 0 0 99999999999999999999\n", Reader::Result::error,
       "bad image count"},
      {"1\n" + comment.substr(0, comment.size() - 1) + " phase=\"a b\"\n", Reader::Result::error,
       "bad phase=\"a b\""},
      {"1\n" + std::string(70000, 'x') + "\n", Reader::Result::error,
       "line 2: a line longer than 65536 bytes"},
      {"2\n" + comment + atom, Reader::Result::truncated, "line 3: the file ends inside a frame"},
      {"1\n" + comment + "Ar 1 2 3 4 5 6 0 0 0", Reader::Result::truncated,
       "line 3: the file ends inside a frame"},
  };
  for (const auto& c : cases) {
    const Read r = read_all(c.text);
    EXPECT_EQ(r.last, c.result) << c.text;
    EXPECT_EQ(r.message.rfind("\"t.xyz\", line ", 0), 0u) << r.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos)
        << "expected \"" << c.message << "\" in " << r.message;
  }
}

}  // namespace
}  // namespace pelzak::formats::trajectory

// The LAMMPS dump reader: the column layouts it accepts, the order it stores atoms in, and every way
// a dump can be unfit, each refused with the file and line named.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dump_reader.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/formats/text_input.hpp"
#include "support.hpp"

namespace {

using pelzak::test::contains;

using pelzak::formats::shortest;
using pelzak::lammps::Dump;
using pelzak::lammps::DumpOptions;
using pelzak::lammps::read_dump;
using pelzak::test::ScratchDir;
using pelzak::test::write_bytes;

constexpr double frame_side = 20.5;  // Å

// One atom as a dump holds it: id, wrapped position, image flags, velocity (Å, Å/ps).
struct Atom {
  long long id;
  double x[3];
  int image[3];
  double v[3];
};

const std::vector<Atom> frame_atoms = {
    {3, {1.25, 19.75, 0.5}, {0, -1, 2}, {0.5, -1.5, 2.25}},
    {1, {10.0, 2.0, 3.0}, {1, 0, 0}, {-0.25, 0.0, 1.0}},
    {2, {0.0, 7.5, 20.0}, {-3, 1, -1}, {3.0, 2.0, -4.5}},
};

std::string header(long long step, std::size_t atoms, const std::string& bounds = "pp pp pp",
                   double side = frame_side) {
  std::string h = "ITEM: TIMESTEP\n" + std::to_string(step) + "\nITEM: NUMBER OF ATOMS\n" +
                  std::to_string(atoms) + "\nITEM: BOX BOUNDS " + bounds + "\n";
  for (int k = 0; k < 3; ++k) h += "0 " + shortest(side) + "\n";
  return h;
}

// Appends a blank and the word.
void word(std::string& line, const std::string& w) {
  line += ' ';
  line += w;
}

enum class Layout { wrapped_with_images, unwrapped, wrapped_only, no_velocities };

// A frame of frame_atoms (file order as listed), each atom moved by `shift` Å along x.
std::string frame(long long step, Layout layout, double shift = 0.0) {
  std::string f = header(step, frame_atoms.size());
  switch (layout) {
    case Layout::wrapped_with_images: f += "ITEM: ATOMS id type x y z ix iy iz vx vy vz\n"; break;
    case Layout::unwrapped: f += "ITEM: ATOMS id xu yu zu vx vy vz\n"; break;
    case Layout::wrapped_only: f += "ITEM: ATOMS id x y z vx vy vz\n"; break;
    case Layout::no_velocities: f += "ITEM: ATOMS id x y z ix iy iz\n"; break;
  }
  for (const Atom& a : frame_atoms) {
    f += std::to_string(a.id);
    if (layout == Layout::wrapped_with_images) f += " 1";
    for (int k = 0; k < 3; ++k) {
      const double x = a.x[k] + (k == 0 ? shift : 0.0);
      word(f, shortest(layout == Layout::unwrapped ? x + a.image[k] * frame_side : x));
    }
    if (layout == Layout::wrapped_with_images || layout == Layout::no_velocities)
      for (int k = 0; k < 3; ++k) word(f, std::to_string(a.image[k]));
    if (layout != Layout::no_velocities)
      for (int k = 0; k < 3; ++k) word(f, shortest(a.v[k]));
    f += "\n";
  }
  return f;
}

struct Read {
  bool ok;
  Dump dump;
  std::string message;
  std::string warning;
};

Read read_text(const std::string& text, DumpOptions options = {}) {
  write_bytes("test.lammpstrj", text);
  Read r;
  r.ok = read_dump("test.lammpstrj", options, r.dump, &r.message, &r.warning);
  return r;
}

TEST(LammpsDumpReader, StoresAtomsByIdAxisByAxisInNanometres) {
  ScratchDir dir;
  const Read r =
      read_text(frame(0, Layout::wrapped_with_images) + frame(20, Layout::wrapped_with_images, 0.5));
  ASSERT_TRUE(r.ok) << r.message;
  const Dump& d = r.dump;
  EXPECT_EQ(d.atoms, 3);
  EXPECT_EQ(d.box, frame_side / 10.0);
  EXPECT_TRUE(d.continuous);
  EXPECT_TRUE(d.has_velocities);
  EXPECT_EQ(d.ids, (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(d.timesteps, (std::vector<std::int64_t>{0, 20}));
  ASSERT_EQ(d.frames(), 2u);
  ASSERT_EQ(d.positions.size(), 2u * 3 * 3);
  // Atom id 3 is the first in the file and the last stored; its y lies one box below.
  const Atom& a = frame_atoms[0];
  const double* p = d.frame_positions(0);
  EXPECT_EQ(p[0 * 3 + 2], a.x[0] / 10.0);
  EXPECT_EQ(p[1 * 3 + 2], (a.x[1] + a.image[1] * frame_side) / 10.0);
  EXPECT_EQ(p[2 * 3 + 2], (a.x[2] + a.image[2] * frame_side) / 10.0);
  EXPECT_EQ(d.frame_velocities(0)[1 * 3 + 2], a.v[1] / 10.0);
  EXPECT_EQ(d.frame_positions(1)[0 * 3 + 2], (a.x[0] + 0.5) / 10.0);
}

TEST(LammpsDumpReader, WrappedWithImageFlagsAndUnwrappedGiveTheSamePositions) {
  ScratchDir dir;
  const Read wrapped =
      read_text(frame(0, Layout::wrapped_with_images) + frame(10, Layout::wrapped_with_images, 2.0));
  const Read unwrapped = read_text(frame(0, Layout::unwrapped) + frame(10, Layout::unwrapped, 2.0));
  ASSERT_TRUE(wrapped.ok) << wrapped.message;
  ASSERT_TRUE(unwrapped.ok) << unwrapped.message;
  EXPECT_TRUE(unwrapped.dump.continuous);
  EXPECT_EQ(wrapped.dump.positions, unwrapped.dump.positions);
  EXPECT_EQ(wrapped.dump.velocities, unwrapped.dump.velocities);

  // Without image flags the positions stay in the box: g(r) is possible, displacements are not.
  const Read inside = read_text(frame(0, Layout::wrapped_only));
  ASSERT_TRUE(inside.ok) << inside.message;
  EXPECT_FALSE(inside.dump.continuous);
  EXPECT_EQ(inside.dump.frame_positions(0)[1 * 3 + 2], frame_atoms[0].x[1] / 10.0);

  const Read still = read_text(frame(0, Layout::no_velocities));
  ASSERT_TRUE(still.ok) << still.message;
  EXPECT_FALSE(still.dump.has_velocities);
  EXPECT_TRUE(still.dump.velocities.empty());
  EXPECT_EQ(still.dump.positions,
            std::vector<double>(wrapped.dump.positions.begin(), wrapped.dump.positions.begin() + 9));
}

TEST(LammpsDumpReader, TimeComesFromTheDumpOrFromTheTimeStep) {
  ScratchDir dir;
  DumpOptions options;
  options.dt = 0.002;
  Read r = read_text(frame(0, Layout::unwrapped) + frame(500, Layout::unwrapped), options);
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.dump.times, (std::vector<double>{0.0, 500 * 0.002}));
  r = read_text("ITEM: TIME\n1.25\n" + frame(0, Layout::unwrapped) + "ITEM: UNITS\nmetal\nITEM: TIME\n1.5\n" +
                frame(100, Layout::unwrapped));
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.dump.times, (std::vector<double>{1.25, 1.5}));
}

TEST(LammpsDumpReader, ATruncatedLastFrameIsAnErrorUnlessAllowed) {
  ScratchDir dir;
  const std::string whole = frame(0, Layout::wrapped_with_images) + frame(20, Layout::wrapped_with_images);
  const std::string third = frame(40, Layout::wrapped_with_images);
  // Cut inside the header, after a whole atom line, and in the middle of an atom line.
  for (const std::size_t keep : {std::size_t{20}, third.size() - third.size() / 4, third.size() - 3}) {
    const std::string text = whole + third.substr(0, keep);
    const Read strict = read_text(text);
    EXPECT_FALSE(strict.ok) << keep;
    EXPECT_TRUE(contains(strict.message, "\"test.lammpstrj\", line ")) << strict.message;
    EXPECT_TRUE(contains(strict.message, "ends inside frame 3")) << strict.message;
    EXPECT_TRUE(contains(strict.message, "--allow-truncated analyses the 2 complete frames"))
        << strict.message;

    DumpOptions options;
    options.allow_truncated = true;
    const Read lenient = read_text(text, options);
    ASSERT_TRUE(lenient.ok) << lenient.message;
    EXPECT_EQ(lenient.dump.timesteps, (std::vector<std::int64_t>{0, 20}));
    EXPECT_EQ(lenient.dump.positions.size(), 2u * 9);
    EXPECT_TRUE(contains(lenient.warning, "2 complete frames before it are analysed")) << lenient.warning;
  }
  // A last line without its line feed was cut off, however whole it looks.
  const std::string full = whole + third;
  EXPECT_FALSE(read_text(full.substr(0, full.size() - 1)).ok);
  EXPECT_TRUE(read_text(full).ok);
  // Nothing complete at all is an error even when truncation is allowed.
  DumpOptions options;
  options.allow_truncated = true;
  const Read none = read_text(whole.substr(0, 100), options);
  EXPECT_FALSE(none.ok);
  EXPECT_TRUE(contains(none.message, "no complete frame")) << none.message;
}

TEST(LammpsDumpReader, RefusesBoxesThatAreNotCubicAndPeriodic) {
  ScratchDir dir;
  const std::string atoms = frame(0, Layout::unwrapped).substr(header(0, 3).size());
  const struct {
    std::string text;
    std::string says;
  } cases[] = {
      {"ITEM: TIMESTEP\n0\nITEM: NUMBER OF ATOMS\n3\nITEM: BOX BOUNDS pp pp pp\n0 20.5\n0 20.5\n0 21\n" +
           atoms,
       "the box is not cubic: its sides are 20.5, 20.5 and 21 Å"},
      {"ITEM: TIMESTEP\n0\nITEM: NUMBER OF ATOMS\n3\nITEM: BOX BOUNDS xy xz yz pp pp pp\n0 20.5 0\n0 20.5 "
       "0\n0 "
       "20.5 0\n" +
           atoms,
       "triclinic"},
      {header(0, 3, "pp pp ff") + atoms, "not periodic"},
      {frame(0, Layout::unwrapped) + header(10, 3, "pp pp pp", 21.0) + atoms,
       "the box changes between frames"},
  };
  for (const auto& c : cases) {
    const Read r = read_text(c.text);
    EXPECT_FALSE(r.ok) << c.says;
    EXPECT_TRUE(contains(r.message, c.says)) << r.message;
  }
  // Sides that differ in the last digits of their text are one side.
  const Read r = read_text(
      "ITEM: TIMESTEP\n0\nITEM: NUMBER OF ATOMS\n3\nITEM: BOX BOUNDS pp pp pp\n-1 19.5\n0 "
      "20.500000000000004\n"
      "0.5 21\n" +
      atoms);
  EXPECT_TRUE(r.ok) << r.message;
}

TEST(LammpsDumpReader, RefusesMalformedAndInconsistentDumps) {
  ScratchDir dir;
  const std::string good = frame(0, Layout::wrapped_with_images);
  const std::string atoms_item = "ITEM: ATOMS id type x y z ix iy iz vx vy vz\n";
  const std::string first_atom = "3 1 1.25 19.75 0.5 0 -1 2 0.5 -1.5 2.25\n";
  auto replace = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  const struct {
    std::string text;
    std::string says;
  } cases[] = {
      {"", "the dump is empty"},
      {"hello\n", "line 1: expected an \"ITEM:\" line, found \"hello\""},
      {replace(good, first_atom, "3 1 1.25 19.75 0.5 0 -1 2 0.5 -1.5 x\n"), "line 10: bad velocity \"x\""},
      {replace(good, first_atom, "3 1 1.25 nan 0.5 0 -1 2 0.5 -1.5 2\n"), "bad position \"nan\""},
      {replace(good, first_atom, "3 1 1.25 19.75 0.5 0 -1.5 2 0.5 -1.5 2\n"), "bad image flag \"-1.5\""},
      {replace(good, first_atom, "3 1 1.25 19.75 0.5\n"), "expected 11 values in an atom line, found 5"},
      {replace(good, first_atom, "1 1 1.25 19.75 0.5 0 -1 2 0.5 -1.5 2.25\n"), "atom id 1 appears twice"},
      {replace(good, atoms_item, "ITEM: ATOMS n type x y z ix iy iz vx vy vz\n"), "no \"id\" column"},
      {replace(good, atoms_item, "ITEM: ATOMS id type xs ys zs ix iy iz vx vy vz\n"), "no positions"},
      {replace(good, "ITEM: NUMBER OF ATOMS\n3\n", "ITEM: NUMBER OF ATOMS\n1\n"), "fewer than 2 atoms"},
      {replace(good, "ITEM: TIMESTEP\n0\n", ""), "no ITEM: TIMESTEP"},
      {"ITEM: UNITS\nreal\n" + good, "units \"real\""},
      {"ITEM: BONDS\n" + good, "unknown item \"ITEM: BONDS\""},
      {good + good, "timestep 0 does not follow timestep 0"},
      {good + replace(frame(20, Layout::wrapped_with_images), "\n3 1 ", "\n4 1 "),
       "atom id 4 is not in the first frame"},
      {good + frame(20, Layout::unwrapped), "differ from those of the first frame"},
      {good + std::string(pelzak::formats::longest_line + 10, 'x'), "a line longer than 65536 bytes"},
  };
  for (const auto& c : cases) {
    const Read r = read_text(c.text);
    EXPECT_FALSE(r.ok) << c.says;
    EXPECT_TRUE(contains(r.message, c.says)) << "expected \"" << c.says << "\" in: " << r.message;
    EXPECT_EQ(r.message.find('\n'), std::string::npos) << r.message;
  }
  Dump dump;
  std::string message, warning;
  EXPECT_FALSE(read_dump("missing.lammpstrj", {}, dump, &message, &warning));
  EXPECT_EQ(message, "cannot read the dump \"missing.lammpstrj\": No such file or directory");
  EXPECT_FALSE(read_dump(".", {}, dump, &message, &warning));
  EXPECT_TRUE(contains(message, "Is a directory")) << message;
}

}  // namespace

// pelzak_lammps as a program: its command line, and each failure ending in one line and a non-zero
// status with nothing half-written left behind. LAMMPS itself is not needed: a stand-in lmp and
// hand-written dumps take its place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pelzak/formats/number_text.hpp"
#include "programs.hpp"
#include "support.hpp"

namespace {

using pelzak::test::contains;
using pelzak::test::csv_column;
using pelzak::test::driver_program;

using pelzak::test::generator_program;
using pelzak::test::lammps_program;
using pelzak::test::read_bytes;
using pelzak::test::run_program;
using pelzak::test::RunResult;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;

std::vector<std::string> folder(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

RunResult lammps(std::vector<std::string> args) {
  args.insert(args.begin(), lammps_program);
  return run_program(args);
}

// One line on stderr starting with "pelzak_lammps: " and saying `says`.
void expect_one_line_failure(const RunResult& r, const std::string& says, int status = 1) {
  EXPECT_EQ(r.status, status) << r.err;
  const auto lines = split_lines(r.err);
  ASSERT_GE(lines.size(), 1u) << r.err;
  EXPECT_EQ(lines[0].rfind("pelzak_lammps: ", 0), 0u) << r.err;
  EXPECT_TRUE(contains(lines[0], says)) << "expected \"" << says << "\" in: " << r.err;
}

// A dump of `atoms` uniformly placed atoms in a box of side (Å), a frame every 20 steps.
std::string random_dump(int atoms, double side, int frames, bool velocities = true) {
  std::mt19937_64 engine(5);
  std::uniform_real_distribution<double> uniform(0.0, side);
  std::string text;
  for (int f = 0; f < frames; ++f) {
    const std::string box = "0 " + pelzak::formats::shortest(side) + "\n";
    text += "ITEM: TIMESTEP\n" + std::to_string(20 * f) + "\nITEM: NUMBER OF ATOMS\n" +
            std::to_string(atoms) + "\nITEM: BOX BOUNDS pp pp pp\n" + box + box + box +
            "ITEM: ATOMS id x y z ix iy iz" + (velocities ? " vx vy vz" : "") + "\n";
    for (int i = 1; i <= atoms; ++i) {
      std::string line = std::to_string(i);
      for (int k = 0; k < 3; ++k) {
        line += ' ';
        line += pelzak::formats::shortest(uniform(engine));
      }
      line += " 0 0 0";
      if (velocities) line += " 1.5 -0.5 2";
      text += line + "\n";
    }
  }
  return text;
}

// A dump of `atoms` atoms walking at random with unwrapped positions (xu yu zu), `frames` frames
// 0.04 ps apart (4 steps, each frame with its time), with or without velocities.
std::string walking_dump(int atoms, int frames, bool velocities) {
  std::mt19937_64 engine(9);
  std::normal_distribution<double> step(0.0, 0.1);
  std::uniform_real_distribution<double> uniform(0.0, 30.0);
  std::vector<double> x(3 * atoms);
  for (double& c : x) c = uniform(engine);
  std::string text;
  for (int f = 0; f < frames; ++f) {
    const std::string box = "0 30\n";
    text += "ITEM: TIME\n" + pelzak::formats::shortest(f * 0.04) + "\nITEM: TIMESTEP\n" +
            std::to_string(4 * f) + "\nITEM: NUMBER OF ATOMS\n" + std::to_string(atoms) +
            "\nITEM: BOX BOUNDS pp pp pp\n" + box + box + box + "ITEM: ATOMS id xu yu zu" +
            (velocities ? " vx vy vz" : "") + "\n";
    for (int i = 0; i < atoms; ++i) {
      std::string line = std::to_string(i + 1);
      for (int k = 0; k < 3; ++k) {
        const double d = step(engine);
        x[k * atoms + i] += d;
        line += ' ';
        line += pelzak::formats::shortest(x[k * atoms + i]);
      }
      for (int k = 0; k < 3 && velocities; ++k) {
        line += ' ';
        line += pelzak::formats::shortest(step(engine) * 25.0);
      }
      text += line + "\n";
    }
  }
  return text;
}

TEST(LammpsCli, HelpVersionAndUsageErrors) {
  ScratchDir dir;
  auto r = lammps({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"export", "run", "analyse"}) EXPECT_TRUE(contains(r.out, word)) << word;
  r = lammps({"export", "--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* option :
       {"--replicate", "--steps", "--dump-every", "--thermo-every", "--seed", "--temperature", "--density",
        "--cutoff", "--tail", "--time-step", "--thermostat", "--tau", "--force", "--from"})
    EXPECT_TRUE(contains(r.out, option)) << option;
  r = lammps({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "pelzak_lammps " PELZAK_VERSION "\n");

  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"export"},
           {"export", "--replicate", "0", "out"},
           {"export", "--replicate", "136", "out"},
           {"export", "--steps", "ten", "out"},
           {"export", "--temperature", "0", "out"},
           {"export", "--thermostat", "nose", "out"},
           {"export", "--seed", "900000001", "out"},
           {"export", "--atoms", "100", "out"},
           {"export", "--nve", "out"},
           {"run", "--np", "0", "out"},
           {"analyse", "--dt", "-1", "out"},
           {"analyse", "a", "b"},
           {"analyse", "--dump", "d.lammpstrj", "--xyz", "t.xyz", "out"},
       }) {
    r = lammps(args);
    EXPECT_EQ(r.status, 64) << args.size();
    const auto lines = split_lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_EQ(lines[0].rfind("pelzak_lammps: ", 0), 0u) << r.err;
    EXPECT_EQ(lines[1], "Try 'pelzak_lammps --help' for more information.");
  }
  EXPECT_TRUE(folder(dir.path()).empty());
}

TEST(LammpsCli, ExportNeedsAConfigurationAndWritesNothingWithoutOne) {
  ScratchDir dir;
  expect_one_line_failure(lammps({"export", "out"}),
                          "no \"final_argon.dat\" in the working directory: run pelzak_md first");
  expect_one_line_failure(lammps({"export", "--from", "start.dat", "out"}),
                          "cannot read \"start.dat\": No such file or directory");
  write_bytes("start.dat",
              " Test\n  864 Argon\n    1   Ar   Ar    1   1.000   2.000   3.000  0.1000  0.2000\n");
  expect_one_line_failure(lammps({"export", "--from", "start.dat", "out"}),
                          "\"start.dat\", line 4: end of file");
  EXPECT_EQ(folder(dir.path()), std::vector<std::string>{"start.dat"});
}

TEST(LammpsCli, ExportWritesTheInputAndDataOrNothing) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  auto r = lammps({"export", "--from", "ar_simulation.dat", "--replicate", "2", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder("out"), (std::vector<std::string>{"argon.data", "in.argon"}));
  EXPECT_TRUE(contains(r.out, "6912 atoms")) << r.out;
  EXPECT_TRUE(contains(read_bytes("out/argon.data"), "\n6912 atoms\n"));

  write_bytes("file", "");
  expect_one_line_failure(lammps({"export", "--from", "ar_simulation.dat", "file"}),
                          "cannot open the output folder \"file\": Not a directory");
  // A folder where a file is to go stops the export before anything is written.
  std::filesystem::create_directories("taken/in.argon");
  expect_one_line_failure(lammps({"export", "--force", "--from", "ar_simulation.dat", "taken"}),
                          "\"taken/in.argon\" is a directory: move it away so the result can be written");
  EXPECT_EQ(folder("taken"), std::vector<std::string>{"in.argon"});
  if (pelzak::test::can_test_permissions()) {
    mkdir("locked", 0555);
    chmod("locked", 0555);
    r = run_program({lammps_program, "export", "--from", "ar_simulation.dat", "locked"}, true);
    expect_one_line_failure(r, "cannot create files in the output folder \"locked\": Permission denied");
    EXPECT_TRUE(folder("locked").empty());
  }
}

TEST(LammpsCli, ExportRefusesAFolderHoldingARunUnlessForcedAndThenClearsOnlyTheRunsFiles) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  ASSERT_EQ(lammps({"export", "--from", "ar_simulation.dat", "out"}).status, 0);
  for (const char* name :
       {"traj_argon.lammpstrj", "log.lammps", "rdf_argon.dat", "msd_argon.csv", "notes.txt"})
    write_bytes(std::string("out/") + name, "earlier\n");
  const std::string input = read_bytes("out/in.argon");
  RunResult r = lammps({"export", "--from", "ar_simulation.dat", "--temperature", "120", "out"});
  expect_one_line_failure(r,
                          "\"out\" holds a run (in.argon, argon.data, traj_argon.lammpstrj, log.lammps, "
                          "rdf_argon.dat, msd_argon.csv): export into another folder, or give --force",
                          64);
  EXPECT_EQ(read_bytes("out/in.argon"), input);
  EXPECT_EQ(read_bytes("out/log.lammps"), "earlier\n");

  r = lammps({"export", "--force", "--from", "ar_simulation.dat", "--temperature", "120", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "replaced the earlier run's in.argon, argon.data, traj_argon.lammpstrj"))
      << r.out;
  EXPECT_TRUE(contains(r.out, "the dump will take about 18.3 MB: 251 frames of 864 atoms")) << r.out;
  EXPECT_TRUE(contains(r.out, "run it with: pelzak_lammps run --np P out")) << r.out;
  EXPECT_EQ(folder("out"), (std::vector<std::string>{"argon.data", "in.argon", "notes.txt"}));
  EXPECT_TRUE(contains(read_bytes("out/in.argon"), "temp/rescale 1 120 120 0.0 1.0\n"));

  // pelzak_md's folder is never a LAMMPS run's, not even with --force: its g(r) would go.
  write_bytes("final_argon.dat", read_bytes("ar_simulation.dat"));
  write_bytes("rdf_argon.dat", "pelzak_md's\n");
  expect_one_line_failure(lammps({"export", "--force", "."}), "\".\" holds a pelzak_md run (final_argon.dat)",
                          64);
  EXPECT_EQ(read_bytes("rdf_argon.dat"), "pelzak_md's\n");
}

TEST(LammpsCli, RunSaysWhenLammpsOrMpirunIsMissingAndWhenLammpsFails) {
  ScratchDir dir;
  std::filesystem::create_directory("out");
  write_bytes("out/in.argon", "# stand-in\n");
  std::filesystem::create_directory("bin");
  // A stand-in lmp: records where and how it ran, and fails when asked to.
  write_bytes("bin/lmp", "#!/bin/sh\npwd > ran.txt\necho \"$@\" >> ran.txt\n[ -f fail ] && exit 3\nexit 0\n");
  chmod("bin/lmp", 0755);
  const std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";

  setenv("PATH", (dir.path() + "/nothing").c_str(), 1);
  RunResult none = lammps({"run", "out"});
  setenv("PATH", (dir.path() + "/bin").c_str(), 1);
  RunResult no_mpirun = lammps({"run", "--np", "2", "out"});
  RunResult ok = lammps({"run", "out"});
  write_bytes("out/fail", "");
  RunResult failed = lammps({"run", "out"});
  RunResult no_input = lammps({"run", "bin"});
  setenv("PATH", saved_path.c_str(), 1);

  expect_one_line_failure(none,
                          "lmp is not installed (not found on PATH); on Debian: apt-get install lammps");
  expect_one_line_failure(
      no_mpirun, "mpirun is not installed (not found on PATH); on Debian: apt-get install openmpi-bin");
  EXPECT_EQ(ok.status, 0) << ok.err;
  const auto ran = split_lines(read_bytes("out/ran.txt"));
  ASSERT_EQ(ran.size(), 2u);
  EXPECT_EQ(std::filesystem::path(ran[0]), std::filesystem::canonical("out"));
  EXPECT_EQ(ran[1], "-in in.argon");
  expect_one_line_failure(failed,
                          "\"lmp -in in.argon\" in \"out\" failed with exit status 3; see out/log.lammps");
  expect_one_line_failure(no_input, "cannot read \"bin/in.argon\": No such file or directory");
}

TEST(LammpsCli, AnalyseWritesGofRForAnyBoxAndRefusesUnfitDumps) {
  ScratchDir dir;
  std::filesystem::create_directory("out");
  // 500 atoms in a 30 Å box, 4 frames.
  write_bytes("out/traj_argon.lammpstrj", random_dump(500, 30.0, 4));
  auto r = lammps({"analyse", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "dump: 500 atoms, box 3.00000 nm, 4 frames (steps 0 to 60)")) << r.out;
  EXPECT_TRUE(contains(r.out, "g(r) from 4 frames")) << r.out;
  // Frames 0.2 ps apart over 0.6 ps: too coarse for the VACF and too short for the MSD's fit.
  EXPECT_TRUE(contains(r.err, "too far apart for the VACF")) << r.err;
  EXPECT_TRUE(contains(r.err, "MSD and Einstein D skipped")) << r.err;
  EXPECT_EQ(folder("out"),
            (std::vector<std::string>{"rdf_argon.dat", "rdf_argon.svg", "traj_argon.lammpstrj"}));
  const auto rdf = split_lines(read_bytes("out/rdf_argon.dat"));
  ASSERT_EQ(rdf.size(), 200u);
  for (const auto& line : rdf) ASSERT_EQ(line.size(), 52u);
  EXPECT_TRUE(contains(read_bytes("out/rdf_argon.svg"), "500 Lennard-Jones atoms"));

  // A dump cut off inside its last frame: an error that leaves the earlier results alone...
  const std::string results = read_bytes("out/rdf_argon.dat");
  const std::string dump = random_dump(500, 30.0, 5);
  write_bytes("out/traj_argon.lammpstrj", dump.substr(0, dump.size() - 1000));
  r = lammps({"analyse", "out"});
  expect_one_line_failure(r, "ends inside frame 5");
  EXPECT_EQ(split_lines(r.err).size(), 1u) << r.err;
  EXPECT_EQ(read_bytes("out/rdf_argon.dat"), results);
  // ... or, when allowed, a warning and the complete frames.
  r = lammps({"analyse", "--allow-truncated", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.err, "pelzak_lammps: warning: ")) << r.err;
  EXPECT_TRUE(contains(r.out, "4 frames")) << r.out;

  const std::string kept = read_bytes("out/rdf_argon.dat");
  expect_one_line_failure(lammps({"analyse", "empty"}),
                          "cannot read the dump \"empty/traj_argon.lammpstrj\"");
  std::string box = random_dump(10, 30.0, 1);
  box.replace(box.find("0 30\n0 30\n0 30\n"), 15, "0 30\n0 31\n0 30\n");
  write_bytes("box.lammpstrj", box);
  expect_one_line_failure(lammps({"analyse", "--dump", "box.lammpstrj", "out"}), "the box is not cubic");
  EXPECT_EQ(read_bytes("out/rdf_argon.dat"), kept);

  // No temporaries left by any of it.
  for (const auto& name : folder("out")) EXPECT_EQ(name.find("-staging"), std::string::npos) << name;
}

// The summary's lines that start with `start`.
std::vector<std::string> lines_starting(const std::string& text, const std::string& start) {
  std::vector<std::string> out;
  for (const auto& line : split_lines(text))
    if (line.rfind(start, 0) == 0) out.push_back(line);
  return out;
}

// pelzak_md's trajectory with a frame every step: its production analysed gives pelzak_md's own MSD,
// VACF and spectrum to the precision the frames are written with (1e-5 Angstrom and Angstrom/ps),
// and the same D both ways.
TEST(LammpsCli, AnalyseReadsPelzakMdsTrajectoryAsPelzakMdAnalysesItsRun) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  const RunResult md = run_program({driver_program, "-q", "-p", "100", "-e", "100", "-P", "1000", "-x", "1"});
  ASSERT_EQ(md.status, 0) << md.err;
  std::filesystem::create_directory("out");
  const RunResult r = lammps({"analyse", "--xyz", "traj_argon.xyz", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "pelzak_lammps: production: 1001 of the 1201 frames (steps 200 to 1200)\n");
  EXPECT_TRUE(contains(r.out, "trajectory: 864 atoms, box 3.47786 nm, 1001 frames (steps 200 to 1200)"))
      << r.out;
  EXPECT_EQ(lines_starting(r.out, "D = "), lines_starting(md.out, "D = ")) << r.out << md.out;
  const struct {
    const char* file;
    int column;
    double relative, absolute;
  } compared[] = {
      {"msd_argon.csv", 1, 1e-5, 0.0},       // measured: 1.6e-6 at most
      {"msd_argon.csv", 2, 0.0, 1e-5},       // alpha2, 3e-7
      {"vacf_argon.csv", 1, 0.0, 1e-6},      // 9e-9
      {"spectrum_argon.csv", 1, 0.0, 1e-6},  // 2e-8
  };
  for (const auto& c : compared) {
    const std::string own = read_bytes(c.file), analysed = read_bytes(std::string("out/") + c.file);
    EXPECT_EQ(csv_column(analysed, 0), csv_column(own, 0)) << c.file;
    const auto a = csv_column(analysed, c.column), b = csv_column(own, c.column);
    ASSERT_EQ(a.size(), b.size()) << c.file;
    ASSERT_GT(a.size(), 50u) << c.file;
    for (std::size_t i = 0; i < a.size(); ++i)
      ASSERT_NEAR(a[i], b[i], c.relative * std::fabs(b[i]) + c.absolute) << c.file << " row " << i + 1;
  }

  // Cut inside its fourth frame: refused, naming the file and the line, unless allowed.
  const std::string xyz = read_bytes("traj_argon.xyz"), msd = read_bytes("out/msd_argon.csv");
  std::size_t end = 0;
  for (int line = 0; line < 3 * 866 + 100; ++line) end = xyz.find('\n', end) + 1;
  write_bytes("cut.xyz", xyz.substr(0, end));
  expect_one_line_failure(lammps({"analyse", "--dump", "cut.xyz", "out"}),
                          "\"cut.xyz\", line 2698: the file ends inside a frame (from line 2599)");
  EXPECT_EQ(read_bytes("out/msd_argon.csv"), msd);
  const RunResult cut = lammps({"analyse", "--allow-truncated", "--xyz", "cut.xyz", "out"});
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_TRUE(contains(cut.err, "pelzak_lammps: warning: \"cut.xyz\", line 2698")) << cut.err;
  EXPECT_TRUE(contains(cut.out, "3 frames (steps 0 to 2)")) << cut.out;
}

TEST(LammpsCli, AnalyseWritesTheDynamicsAndSkipsWhatTheDumpLacks) {
  ScratchDir dir;
  std::filesystem::create_directory("out");
  // 200 atoms over 8 ps: the MSD's fit (2-4 ps) and a VACF to 5.08 ps.
  write_bytes("out/traj_argon.lammpstrj", walking_dump(200, 201, true));
  RunResult r = lammps({"analyse", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string short_run =
      "pelzak_lammps: the frames span 8 ps, less than the 10 ps G_s and F_s are followed to: G_s, F_s and "
      "S(k) "
      "skipped\n";
  EXPECT_EQ(r.err, short_run);
  EXPECT_TRUE(contains(r.out, "g(r) from 41 frames")) << r.out;
  EXPECT_TRUE(contains(r.out, "(Einstein; too short for an error")) << r.out;
  EXPECT_TRUE(contains(r.out, "(Green-Kubo; too short for an error")) << r.out;
  EXPECT_EQ(folder("out"),
            (std::vector<std::string>{"dynamics_argon.svg", "msd_argon.csv", "rdf_argon.dat", "rdf_argon.svg",
                                      "spectrum_argon.csv", "traj_argon.lammpstrj", "vacf_argon.csv"}));
  const auto msd = split_lines(read_bytes("out/msd_argon.csv"));
  EXPECT_EQ(msd[0], "t_ps,msd_nm2,alpha2");
  EXPECT_EQ(msd.size(), 1u + 34);  // every third frame, 0.12 ps apart, for lags up to half the 8 ps
  const auto vacf = split_lines(read_bytes("out/vacf_argon.csv"));
  EXPECT_EQ(vacf[0], "t_ps,vacf");
  EXPECT_EQ(vacf.size(), 1u + 128);  // lags 0 to 5.08 ps every 0.04 ps

  // Without velocities the VACF goes, and with it the VACF files of the earlier analysis; the rest stays.
  write_bytes("out/traj_argon.lammpstrj", walking_dump(200, 201, false));
  r = lammps({"analyse", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.err,
      "pelzak_lammps: the dump has no velocities (vx vy vz): VACF, spectrum and Green-Kubo D skipped\n" +
          short_run);
  EXPECT_TRUE(contains(r.out, "(Einstein; too short for an error")) << r.out;
  EXPECT_FALSE(contains(r.out, "Green-Kubo")) << r.out;
  EXPECT_EQ(folder("out"), (std::vector<std::string>{"dynamics_argon.svg", "msd_argon.csv", "rdf_argon.dat",
                                                     "rdf_argon.svg", "traj_argon.lammpstrj"}));
  for (const auto& name : folder("out")) EXPECT_EQ(name.find("-staging"), std::string::npos) << name;
}

}  // namespace

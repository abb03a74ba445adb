// pelzak_md as a program: its command line, its failures, and what it leaves in the working directory.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "programs.hpp"
#include "support.hpp"

namespace {

using pelzak::test::read_bytes;
using pelzak::test::run_program;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;

using pelzak::test::kDriver;
using pelzak::test::kGenerator;

bool exists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A start file of 864 atoms on a simple cubic grid (spacing 0.36 nm), at rest; atom 2 may be put
// on top of atom 1.
void write_grid_start(bool collide) {
  std::string text = " Test\n                  864 Argon\n";
  for (int i = 0; i < 864; ++i) {
    const int a = (collide && i == 1) ? 0 : i;
    char line[80];
    std::snprintf(line, sizeof line, "%5d%5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f\n", i + 1, "Ar", "Ar", i + 1,
                  0.36 * (a % 10), 0.36 * (a / 10 % 10), 0.36 * (a / 100), 0.0, 0.0, 0.0);
    text += line;
  }
  write_bytes("ar_simulation.dat", text);
}

TEST(DriverCli, HelpAndVersionPrintAndTouchNoFile) {
  ScratchDir dir;
  auto r = run_program({kDriver, "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: pelzak_md [OPTION]...\n", 0), 0u) << r.out;
  for (const char* option : {"--push-off", "--equilibration", "--thermo-every", "--xyz-every", "--quiet"})
    EXPECT_TRUE(contains(r.out, option)) << option;
  EXPECT_EQ(r.err, "");
  r = run_program({kDriver, "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "pelzak_md " PELZAK_VERSION "\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DriverCli, UsageErrorsSayWhatIsWrongAndExitWithTwo) {
  ScratchDir dir;
  const struct {
    std::vector<std::string> args;
    std::string first_line;
  } cases[] = {
      {{"--frobnicate"}, "pelzak_md: unknown option '--frobnicate'"},
      {{"-e", "ten"}, "pelzak_md: value 'ten' of --equilibration is not a whole number"},
      {{"--thermo-every=0"}, "pelzak_md: value '0' of --thermo-every must be at least 1"},
      {{"run"}, "pelzak_md: unexpected argument 'run'"},
      {{"--push-off"}, "pelzak_md: option '--push-off' needs a number"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{kDriver};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const auto r = run_program(argv);
    EXPECT_EQ(r.status, 64) << c.first_line;
    EXPECT_EQ(r.out, "");
    const auto lines = split_lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_EQ(lines[0].rfind(c.first_line, 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "Try 'pelzak_md --help' for more information.");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DriverCli, MissingStartIsReportedWithoutLeavingFilesBehind) {
  ScratchDir dir;
  const auto r = run_program({kDriver});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "pelzak_md: no \"ar_simulation.dat\" in the working directory: run pelzak_initial first\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DriverCli, ShortStartEndsWithTheReadersDiagnosticBeforeAnyOutput) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", " Test\n                  864 Argon\n    1   Ar   Ar    1   1.162\n");
  const auto r = run_program({kDriver, "-q"});
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(contains(r.err, "ar_simulation.dat")) << r.err;
  EXPECT_FALSE(exists("thermo_argon.csv"));
  EXPECT_FALSE(exists("rdf_argon.dat"));
}

TEST(DriverCli, AtomsOnTopOfEachOtherStopTheRunAtOnceWithStatusThree) {
  ScratchDir dir;
  write_grid_start(true);
  write_bytes("rdf_argon.svg", "<svg>an earlier run's plot</svg>\n");
  write_bytes("rdf_argon.dat", "an earlier run's g(r)\n");
  const auto r = run_program({kDriver, "-q"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("pelzak_md: the run blew up in push-off step 1 (0.00 ps): potential energy nan J, "
                        "kinetic energy nan J, temperature nan K. ",
                        0),
            0u)
      << r.err;
  const auto log = split_lines(read_bytes("thermo_argon.csv"));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K");
  EXPECT_EQ(log[1], "push-off,1,0.00,nan,nan,nan,nan");
  // Nothing from the earlier run may pass for this run's result.
  EXPECT_FALSE(exists("rdf_argon.svg"));
  EXPECT_FALSE(exists("rdf_argon.dat"));
}

TEST(DriverCli, GeneratorStartWithoutPushOffBlowsUpInEquilibration) {
  ScratchDir dir;
  ASSERT_EQ(run_program({kGenerator}).status, 0);
  const auto r = run_program({kDriver, "--push-off", "0"});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(contains(r.err, "pelzak_md: the run blew up in equilibration step ")) << r.err;
  const auto log = split_lines(read_bytes("thermo_argon.csv"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[1].rfind("equilibration,1,0.00,", 0), 0u);
  EXPECT_TRUE(contains(log.back(), "nan"));
}

TEST(DriverCli, FullDiskStopsTheRunEarlyWithStatusOne) {
  ScratchDir dir;
  ASSERT_EQ(run_program({kGenerator}).status, 0);
  ASSERT_EQ(symlink("/dev/full", "thermo_argon.csv"), 0);
  const auto r = run_program({kDriver, "-q"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pelzak_md: cannot write \"thermo_argon.csv\": No space left on device\n");
  EXPECT_EQ(r.out, "");
}

TEST(DriverCli, UnwritableDirectoryIsReportedByFileName) {
  if (!pelzak::test::can_test_permissions()) GTEST_SKIP() << "cannot drop root privileges here";
  ScratchDir dir;
  ASSERT_EQ(run_program({kGenerator}).status, 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  const auto r = run_program({kDriver, "-q"}, true);
  chmod(dir.path().c_str(), 0777);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pelzak_md: cannot create \"thermo_argon.csv\": Permission denied\n");
}

TEST(DriverCli, TerminalGetsALiveProgressBar) {
  if (access("/usr/bin/script", X_OK) != 0)
    GTEST_SKIP() << "script(1) is needed to give the driver a terminal";
  ScratchDir dir;
  ASSERT_EQ(run_program({kGenerator}).status, 0);
  // script runs the driver on a pseudo-terminal and copies what it shows to "typescript"; without
  // a push-off the run lasts only a few steps, and the first is always drawn.
  const auto r = run_program({"/usr/bin/script", "-q", "-e", "-c", kDriver + " --push-off 0", "typescript"});
  EXPECT_EQ(r.status, 3);
  const std::string shown = read_bytes("typescript");
  EXPECT_TRUE(contains(shown, "\requilibration [..............................] 1/1500  T = ")) << shown;
  EXPECT_TRUE(contains(shown, "\r\npelzak_md: the run blew up in equilibration step")) << shown;  // own line
}

}  // namespace

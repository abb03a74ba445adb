// pelzak_md as a program: its command line, its failures, and what it leaves in the working directory.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "pelzak/formats/fields.hpp"
#include "programs.hpp"
#include "result_files.hpp"
#include "run_fixtures.hpp"
#include "support.hpp"

namespace {

using pelzak::test::contains;

using pelzak::test::read_bytes;
using pelzak::test::run_program;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;

using pelzak::test::driver_program;
using pelzak::test::generator_program;

using pelzak::test::generated_start;
using pelzak::test::grid_start;
using pelzak::test::path_exists;

std::vector<std::string> fields(const std::string& row) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
    out.push_back(row.substr(start, comma - start));
  out.push_back(row.substr(start));
  return out;
}

TEST(DriverCli, HelpAndVersionPrintAndTouchNoFile) {
  ScratchDir dir;
  auto r = run_program({driver_program, "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Usage: pelzak_md [OPTION]...\n", 0), 0u) << r.out;
  for (const char* option : {"--push-off", "--equilibration", "--thermo-every", "--xyz-every", "--quiet"})
    EXPECT_TRUE(contains(r.out, option)) << option;
  EXPECT_TRUE(contains(r.out, "128 + N when stopped by signal N")) << r.out;
  // Every file of a run's set is named, so the help cannot fall behind the set.
  for (const std::string_view file : pelzak::md::result_files)
    EXPECT_TRUE(contains(r.out, "\n  " + std::string(file) + " ")) << file;
  EXPECT_EQ(r.err, "");
  r = run_program({driver_program, "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "pelzak_md " PELZAK_VERSION "\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DriverCli, UsageErrorsSayWhatIsWrongAndExitWith64) {
  ScratchDir dir;
  const struct {
    std::vector<std::string> args;
    std::string first_line;
  } cases[] = {
      {{"--frobnicate"}, "pelzak_md: unknown option '--frobnicate'"},
      {{"-e", "ten"}, "pelzak_md: value 'ten' of --equilibration is not a whole number"},
      {{"--thermo-every=0"},
       "pelzak_md: value '0' of --thermo-every is too small; accepted: a whole number from 1"},
      {{"--cutoff", "9"},
       "pelzak_md: value '9' of --cutoff is beyond half the box; accepted: at most 5.1145 sigma"},
      {{"run"}, "pelzak_md: unexpected argument 'run'"},
      {{"--push-off"}, "pelzak_md: option '--push-off' needs a value"},
      {{"--quiet=1"}, "pelzak_md: option '--quiet' takes no value"},
      {{"-qp"}, "pelzak_md: option '-p' needs a number"},
      {{"--push", "10"}, "pelzak_md: unknown option '--push'"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{driver_program};
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
  const auto r = run_program({driver_program});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.err,
      "pelzak_md: no \"ar_simulation.dat\" in the working directory: run pelzak_initial first, or give a "
      "start with --start FILE\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(DriverCli, ShortStartEndsWithTheReadersDiagnosticBeforeAnyOutput) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", " Test\n                  864 Argon\n    1   Ar   Ar    1   1.162\n");
  const auto r = run_program({driver_program, "-q"});
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(contains(r.err, "ar_simulation.dat")) << r.err;
  EXPECT_FALSE(path_exists("thermo_argon.csv"));
  EXPECT_FALSE(path_exists("rdf_argon.dat"));
}

// A run that blows up is a failed run: it says where and how, and leaves the earlier results.
TEST(DriverCli, AtomsOnTopOfEachOtherStopTheRunAtOnceWithStatusThree) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", grid_start(true));
  write_bytes("rdf_argon.svg", "<svg>an earlier run's plot</svg>\n");
  write_bytes("rdf_argon.dat", "an earlier run's g(r)\n");
  const auto r = run_program({driver_program, "-q"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("pelzak_md: the run blew up in push-off step 1 (0.00 ps): potential energy nan J, "
                        "kinetic energy nan J, temperature nan K. ",
                        0),
            0u)
      << r.err;
  EXPECT_EQ(read_bytes("rdf_argon.svg"), "<svg>an earlier run's plot</svg>\n");
  EXPECT_EQ(read_bytes("rdf_argon.dat"), "an earlier run's g(r)\n");
  EXPECT_FALSE(path_exists("thermo_argon.csv"));
  EXPECT_FALSE(path_exists(".pelzak_md-staging"));
}

TEST(DriverCli, GeneratorStartWithoutPushOffBlowsUpInEquilibration) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  const auto r = run_program({driver_program, "--push-off", "0"});
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(contains(r.err, "pelzak_md: the run blew up in equilibration step ")) << r.err;
  EXPECT_FALSE(path_exists("thermo_argon.csv"));
}

// Options in the conventional forms run the job: a group of short options with the value of the
// last one after it, and a value attached with '='.
TEST(DriverCli, GroupedShortOptionsAndAttachedValuesRun) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", generated_start());
  const auto r = run_program({driver_program, "-qp", "100", "--equilibration=0", "-P1000", "-t1000"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");  // quiet
  const auto log = split_lines(read_bytes("thermo_argon.csv"));
  // One row every 1000 steps of a phase, and its first and last: push-off is 100 steps long.
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[1].rfind("push-off,1,0.00,", 0), 0u) << log[1];
  EXPECT_EQ(log[2].rfind("push-off,100,0.99,", 0), 0u) << log[2];
  EXPECT_EQ(log[3].rfind("production,1,1.00,", 0), 0u) << log[3];
  EXPECT_EQ(log[4].rfind("production,1000,10.99,", 0), 0u) << log[4];
}

// --output-dir puts the whole set into a folder, made with its parents, the same bytes as a run in
// the working directory; the start is still read from the working directory.
TEST(DriverCli, OutputDirHoldsTheSetAndIsMadeIfMissing) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", generated_start());
  const std::vector<std::string> args{driver_program, "-q", "-p", "100", "-e", "0", "-P", "1000"};
  std::vector<std::string> elsewhere = args;
  elsewhere.insert(elsewhere.end(), {"--output-dir", "runs/first"});
  auto r = run_program(elsewhere);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "wrote in \"runs/first/\": thermo_argon.csv, thermo_argon.svg, ")) << r.out;
  EXPECT_FALSE(path_exists("thermo_argon.csv"));
  r = run_program(args);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* name : {"rdf_argon.dat", "thermo_argon.csv", "final_argon.dat", "summary_argon.json"})
    EXPECT_EQ(read_bytes(std::string("runs/first/") + name), read_bytes(name)) << name;

  write_bytes("flat", "a file, not a folder");
  elsewhere.back() = "flat/run";
  r = run_program(elsewhere);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pelzak_md: cannot open the output folder \"flat/run\": Not a directory\n");
}

// A run continued from its checkpoint is the longer run, bit for bit: the same final state, checkpoint
// and log rows (energies and times), csvr's random draws included. What the checkpoint fixes cannot
// be given with --continue, and a damaged checkpoint is refused with the earlier set left as it was.
TEST(DriverCli, AContinuedRunIsTheLongerRunBitForBit) {
  ScratchDir dir;
  const std::vector<std::string> state{driver_program, "-q", "--atoms", "256", "--thermostat", "csvr",
                                       "-p",           "50", "-e",      "50",  "-t",           "1"};
  const auto run = [&state](std::vector<std::string> more) {
    std::vector<std::string> args = state;
    args.insert(args.end(), more.begin(), more.end());
    return run_program(args);
  };
  ASSERT_EQ(run({"-P", "2000", "-o", "long"}).status, 0);
  ASSERT_EQ(run({"-P", "1000", "-o", "short"}).status, 0);
  auto r = run_program({driver_program, "-q", "--continue", "-P", "1000", "-t", "1", "-o", "short"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "start \"short/checkpoint_argon.bin\" at production step 1000 (11.00 ps)"))
      << r.out;
  EXPECT_EQ(read_bytes("short/final_argon.dat"), read_bytes("long/final_argon.dat"));
  EXPECT_EQ(read_bytes("short/checkpoint_argon.bin"), read_bytes("long/checkpoint_argon.bin"));
  const auto long_log = split_lines(read_bytes("long/thermo_argon.csv"));
  const auto continued = split_lines(read_bytes("short/thermo_argon.csv"));
  ASSERT_EQ(continued.size(), 1u + 1000);
  EXPECT_EQ(std::vector<std::string>(continued.begin() + 1, continued.end()),
            std::vector<std::string>(long_log.end() - 1000, long_log.end()));

  r = run_program({driver_program, "--continue", "--seed", "2", "-o", "short"});
  EXPECT_EQ(r.status, 64);
  EXPECT_TRUE(contains(r.err, "pelzak_md: --seed cannot be given with --continue")) << r.err;
  const std::string kept = read_bytes("short/checkpoint_argon.bin");
  write_bytes("short/checkpoint_argon.bin", kept.substr(0, kept.size() - 8));
  r = run_program({driver_program, "--continue", "-o", "short"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "\"short/checkpoint_argon.bin\": its arrays are cut short or damaged"))
      << r.err;
  EXPECT_EQ(read_bytes("short/final_argon.dat"), read_bytes("long/final_argon.dat"));
}

// The centre-of-mass velocity is taken out before every step, so a drift of the whole start
// changes nothing the log shows, beyond rounding: every atom 0.5 nm/ps faster along x gives the
// same energies and temperatures.
TEST(DriverCli, AUniformDriftOfTheStartChangesNothingTheLogShows) {
  const std::vector<std::string> args{driver_program, "-q", "-p", "100", "-e", "0", "-P", "1000", "-t", "5"};
  std::string drifted = generated_start();
  std::size_t line = 0;
  for (std::size_t at = 0; at < drifted.size(); at = drifted.find('\n', at) + 1, ++line) {
    if (line < 2) continue;
    pelzak::formats::put_fixed(drifted.data() + at + 44, 8, 4,
                               std::strtod(drifted.substr(at + 44, 8).c_str(), nullptr) + 0.5);
  }
  std::vector<std::string> logs;
  for (const std::string* start : {&generated_start(), static_cast<const std::string*>(&drifted)}) {
    ScratchDir dir;
    write_bytes("ar_simulation.dat", *start);
    const auto r = run_program(args);
    ASSERT_EQ(r.status, 0) << r.err;
    logs.push_back(read_bytes("thermo_argon.csv"));
  }
  ASSERT_NE(generated_start(), drifted);
  const auto plain = split_lines(logs[0]), moving = split_lines(logs[1]);
  ASSERT_EQ(plain.size(), moving.size());
  // The first rows, before the chaos of the liquid has made rounding differences grow.
  for (std::size_t row = 1; row <= 10; ++row) {
    const auto a = fields(plain[row]), b = fields(moving[row]);
    ASSERT_EQ(a.size(), 11u);
    ASSERT_EQ(b.size(), 11u);
    for (std::size_t column = 0; column < 3; ++column) EXPECT_EQ(a[column], b[column]) << "row " << row;
    for (std::size_t column = 3; column < 11; ++column) {
      const double u = std::strtod(a[column].c_str(), nullptr), v = std::strtod(b[column].c_str(), nullptr);
      EXPECT_NEAR(u, v, 1e-9 * std::fabs(u)) << "row " << row << ", column " << column;
    }
  }
}

TEST(DriverCli, TerminalGetsALiveProgressBar) {
  if (access("/usr/bin/script", X_OK) != 0)
    GTEST_SKIP() << "script(1) is needed to give the driver a terminal";
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  // script runs the driver on a pseudo-terminal and copies what it shows to "typescript"; without
  // a push-off the run lasts only a few steps, and the first is always drawn.
  const auto r =
      run_program({"/usr/bin/script", "-q", "-e", "-c", driver_program + " --push-off 0", "typescript"});
  EXPECT_EQ(r.status, 3);
  const std::string shown = read_bytes("typescript");
  EXPECT_TRUE(contains(shown, "\requilibration [..............................] 1/1500  T = ")) << shown;
  EXPECT_TRUE(contains(shown, "\r\npelzak_md: the run blew up in equilibration step")) << shown;  // own line
}

}  // namespace

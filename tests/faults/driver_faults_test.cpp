// pelzak_md against a start file that is not a configuration, and against a standard output that
// cannot take the summary. (A missing start, disks that fill up, refusals and interrupts, which
// all leave the earlier results as they were, are covered by the driver's own tests.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "programs.hpp"
#include "run_fixtures.hpp"
#include "support.hpp"

using namespace pelzak::test;

namespace {

using pelzak::test::driver_program;
using pelzak::test::generator_program;

using pelzak::test::path_exists;

const std::string& generated() { return pelzak::test::generated_start(); }

std::string first_lines(const std::string& text, int n) {
  std::size_t end = 0;
  for (int k = 0; k < n; ++k) end = text.find('\n', end) + 1;
  return text.substr(0, end);
}

// A short run of the generator's start whose log depends on every position and velocity read.
RunResult short_run(bool unprivileged = false) {
  return run_program({driver_program, "-q", "-p", "100", "-e", "0", "-P", "1000", "-t", "50"}, unprivileged);
}

}  // namespace

// The library's reader stops the program before it writes anything: the diagnostic names the
// file, the line and the reason, the status is 2, and an earlier run's results stay as they were.
TEST(FaultsDriver, AStartThatIsNoConfigurationStopsBeforeAnyOutput) {
  const std::string good = generated();
  const struct {
    const char* name;
    std::string content;
    std::string message;  // what stderr starts with
  } cases[] = {
      {"empty", "", "pelzak_aux: \"ar_simulation.dat\", line 1: end of file: the file has 0 lines"},
      {"865 lines", first_lines(good, 865),
       "pelzak_aux: \"ar_simulation.dat\", line 866: end of file: the file has 865 lines"},
      {"a 10 MB line", std::string(10 << 20, '7'),
       "pelzak_aux: \"ar_simulation.dat\", line 1: more than 1048576 bytes without a line feed"},
      {"NUL bytes", first_lines(good, 2) + std::string(100, '\0'),
       "pelzak_aux: \"ar_simulation.dat\", line 3: bad value \"\\x00\\x00\\x00\\x00\\x00\" in the "
       "atom index field"},
      {"binary bytes",
       first_lines(good, 2) + "\x7f"
                              "ELF\x02\x01\x01\n",
       "pelzak_aux: \"ar_simulation.dat\", line 3: bad value \"\\x7fELF\\x02\" in the atom index field"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    write_bytes("ar_simulation.dat", c.content);
    write_bytes("rdf_argon.dat", "an earlier result\n");
    const RunResult r = run_program({driver_program, "-q"});
    EXPECT_EQ(r.status, 2) << c.name;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << c.name << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_FALSE(path_exists("thermo_argon.csv")) << c.name;
    EXPECT_FALSE(path_exists(".pelzak_md-staging")) << c.name;
    EXPECT_EQ(read_bytes("rdf_argon.dat"), "an earlier result\n") << c.name;
  }
}

TEST(FaultsDriver, StartsThatCannotBeReadAtAll) {
  {
    ScratchDir dir;
    ASSERT_EQ(mkdir("ar_simulation.dat", 0755), 0);
    const RunResult r = run_program({driver_program, "-q"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "pelzak_aux: \"ar_simulation.dat\": cannot open: Is a directory\n");
  }
  if (access("/dev/zero", R_OK) == 0) {
    ScratchDir dir;
    ASSERT_EQ(symlink("/dev/zero", "ar_simulation.dat"), 0);
    const RunResult r = run_program({driver_program, "-q"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("pelzak_aux: \"ar_simulation.dat\", line 1: more than 1048576 bytes", 0), 0u)
        << r.err;
  }
}

// CR LF line ends are read as LF ones, and a write-protected start reads normally: both runs
// log exactly what the plain start logs.
TEST(FaultsDriver, CrLfAndWriteProtectedStartsRunAsThePlainOne) {
  std::string plain_log;
  {
    ScratchDir dir;
    write_bytes("ar_simulation.dat", generated());
    const RunResult r = short_run();
    ASSERT_EQ(r.status, 0) << r.err;
    plain_log = read_bytes("thermo_argon.csv");
    ASSERT_GT(split_lines(plain_log).size(), 2u);
  }
  {
    ScratchDir dir;
    std::string crlf;
    for (char c : generated()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    write_bytes("ar_simulation.dat", crlf);
    const RunResult r = short_run();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes("thermo_argon.csv"), plain_log);
  }
  if (!can_test_permissions()) GTEST_SKIP() << "cannot drop root privileges here";
  ScratchDir dir;
  write_bytes("ar_simulation.dat", generated());
  ASSERT_EQ(chmod("ar_simulation.dat", 0444), 0);
  const RunResult r = short_run(true);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_bytes("thermo_argon.csv"), plain_log);
  EXPECT_EQ(read_bytes("ar_simulation.dat"), generated());
}

// A summary that cannot reach standard output is a failure, not a success. It is printed once the
// results are in place, so they are complete all the same.
TEST(FaultsDriver, AnUnwritableStandardOutputFailsTheRun) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  ScratchDir dir;
  write_bytes("ar_simulation.dat", generated());
  const std::string command = "'" + driver_program + "' -q -p 100 -e 0 -P 1000 > /dev/full 2> err.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(read_bytes("err.txt"),
            "pelzak_md: cannot write the summary to standard output: No space left on device\n");
  EXPECT_EQ(read_bytes("rdf_argon.dat").size(), 10600u);
  EXPECT_TRUE(path_exists("rdf_argon.svg"));
  EXPECT_FALSE(path_exists(".pelzak_md-staging"));
}

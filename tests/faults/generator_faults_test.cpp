// pelzak_initial against whatever "ar_simulation.dat" held before, against a disk that fills up in
// the middle of the file, and against arguments it does not take. (A full /dev/full, an unwritable directory,
// a write-protected file and a directory in the file's place are covered by the generator's own tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "limited_run.hpp"
#include "programs.hpp"
#include "run_fixtures.hpp"
#include "support.hpp"

using namespace pelzak::test;

namespace {

using pelzak::test::generator_program;
const char* const file_name = "ar_simulation.dat";
constexpr std::size_t header_bytes = 6 + 28;  // " Test\n" and the count line
constexpr std::size_t record_bytes = 69;
constexpr std::size_t file_bytes = header_bytes + 864 * record_bytes;

const std::string& generated() { return generated_start(); }

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

// --help and --version print and change nothing; any other argument is a usage error (64) that
// changes nothing either: an earlier file stays as it was, and none is created.
TEST(FaultsGenerator, ArgumentsItDoesNotTakeWriteNothing) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out_start, err;
  } cases[] = {
      {{"--help"}, 0, "Usage: pelzak_initial [OPTION]\n", ""},
      {{"-h", "other.dat"}, 0, "Usage: pelzak_initial [OPTION]\n", ""},
      {{"--version"}, 0, "pelzak_initial " PELZAK_VERSION "\n", ""},
      {{"-V"}, 0, "pelzak_initial " PELZAK_VERSION "\n", ""},
      {{"other.dat"},
       64,
       "",
       "pelzak_initial: unexpected argument 'other.dat' (the program takes no input)\n"
       "Try 'pelzak_initial --help' for more information.\n"},
      {{"-n", "10"},
       64,
       "",
       "pelzak_initial: unknown option '-n'\nTry 'pelzak_initial --help' for more information.\n"},
      {{""},
       64,
       "",
       "pelzak_initial: unexpected argument '' (the program takes no input)\n"
       "Try 'pelzak_initial --help' for more information.\n"},
      {{"--help=1"},
       64,
       "",
       "pelzak_initial: option '--help' takes no value\nTry 'pelzak_initial --help' for more information.\n"},
      {{"--seed", "--help"},
       64,
       "",
       "pelzak_initial: option '--seed' needs a whole number from 0 to 4294967295, not '--help'\n"
       "Try 'pelzak_initial --help' for more information.\n"},
      {{"--seed=4294967296"},
       64,
       "",
       "pelzak_initial: option '--seed' needs a whole number from 0 to 4294967295, not '4294967296'\n"
       "Try 'pelzak_initial --help' for more information.\n"},
      {{"--seed", "-1"},
       64,
       "",
       "pelzak_initial: option '--seed' needs a whole number from 0 to 4294967295, not '-1'\n"
       "Try 'pelzak_initial --help' for more information.\n"},
      {{"--seed"},
       64,
       "",
       "pelzak_initial: option '--seed' needs a value, a whole number from 0 to 4294967295\n"
       "Try 'pelzak_initial --help' for more information.\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{generator_program};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    for (bool earlier : {false, true}) {
      ScratchDir dir;
      if (earlier) write_bytes(file_name, "an earlier start\n");
      const RunResult r = run_program(argv);
      EXPECT_EQ(r.status, c.status) << argv[1];
      EXPECT_EQ(r.out.rfind(c.out_start, 0), 0u) << r.out;
      EXPECT_EQ(c.out_start.empty(), r.out.empty()) << r.out;
      EXPECT_EQ(r.err, c.err);
      if (earlier)
        EXPECT_EQ(read_bytes(file_name), "an earlier start\n") << argv[1];
      else
        EXPECT_FALSE(path_exists(file_name)) << argv[1];
    }
  }
}

TEST(FaultsGenerator, ReplacesWhateverTheFileHeld) {
  ASSERT_EQ(generated().size(), file_bytes);
  const std::string lines_865 = generated().substr(0, file_bytes - record_bytes);
  const struct {
    const char* name;
    std::string old;
  } cases[] = {
      {"empty", ""},
      {"865 lines", lines_865},
      {"a 10 MB line without a line feed", std::string(10 << 20, 'x')},
      {"NUL and binary bytes", std::string("\0\x01\xff\xfe\r\n\0\x80", 8) + std::string(70000, '\0')},
      {"CR LF line ends", crlf(generated())},
      {"the file itself", generated()},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    write_bytes(file_name, c.old);
    const RunResult r = run_program({generator_program});
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.err, "") << c.name;
    EXPECT_TRUE(read_bytes(file_name) == generated()) << c.name;
  }
}

// Wherever the disk fills up, the program says so and exits 1, and what is left ends with a
// whole line and is a prefix of the full file: plainly shorter than 866 lines, never a last
// record cut inside a number that a reader would take for a value.
TEST(FaultsGenerator, ADiskFillingUpLeavesOnlyWholeLines) {
  const std::size_t limits[] = {0,
                                3,
                                header_bytes - 1,
                                header_bytes,
                                header_bytes + 30,
                                header_bytes + 100 * record_bytes,
                                header_bytes + 100 * record_bytes + 1,
                                file_bytes - record_bytes + 44,
                                file_bytes - 1};
  for (std::size_t limit : limits) {
    ScratchDir dir;
    const RunResult r = pelzak::test::run_with_file_limit({generator_program}, limit);
    EXPECT_EQ(r.status, 1) << limit;
    EXPECT_EQ(r.err, "pelzak_initial: cannot write \"ar_simulation.dat\": File too large\n") << limit;
    const std::string left = read_bytes(file_name);
    EXPECT_LE(left.size(), limit);
    EXPECT_TRUE(left.empty() || left.back() == '\n') << limit;
    EXPECT_EQ(generated().compare(0, left.size(), left), 0) << limit;
    EXPECT_LT(split_lines(left).size(), 866u) << limit;
  }
  // With room for exactly the whole file nothing fails.
  ScratchDir dir;
  const RunResult r = pelzak::test::run_with_file_limit({generator_program}, file_bytes);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(read_bytes(file_name) == generated());
}

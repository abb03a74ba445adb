// pelzak_initial against whatever "ar_simulation.dat" held before, and against a disk that fills
// up in the middle of the file. (A full /dev/full, an unwritable directory, a write-protected
// file and a directory in the file's place are covered by the generator's own tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "limited_run.hpp"
#include "programs.hpp"
#include "support.hpp"

using namespace pelzak::test;

namespace {

using pelzak::test::kGenerator;
const char* const kFile = "ar_simulation.dat";
constexpr std::size_t kHeaderBytes = 6 + 28;  // " Test\n" and the count line
constexpr std::size_t kRecordBytes = 69;
constexpr std::size_t kFileBytes = kHeaderBytes + 864 * kRecordBytes;

const std::string& generated() {
  static const std::string bytes = [] {
    ScratchDir dir;
    const RunResult r = run_program({kGenerator});
    EXPECT_EQ(r.status, 0) << r.err;
    return read_bytes(kFile);
  }();
  return bytes;
}

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

TEST(FaultsGenerator, ReplacesWhateverTheFileHeld) {
  ASSERT_EQ(generated().size(), kFileBytes);
  const std::string lines_865 = generated().substr(0, kFileBytes - kRecordBytes);
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
    write_bytes(kFile, c.old);
    const RunResult r = run_program({kGenerator});
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_EQ(r.err, "") << c.name;
    EXPECT_TRUE(read_bytes(kFile) == generated()) << c.name;
  }
}

// Wherever the disk fills up, the program says so and exits 1, and what is left ends with a
// whole line and is a prefix of the full file: plainly shorter than 866 lines, never a last
// record cut inside a number that a reader would take for a value.
TEST(FaultsGenerator, ADiskFillingUpLeavesOnlyWholeLines) {
  const std::size_t limits[] = {0,
                                3,
                                kHeaderBytes - 1,
                                kHeaderBytes,
                                kHeaderBytes + 30,
                                kHeaderBytes + 100 * kRecordBytes,
                                kHeaderBytes + 100 * kRecordBytes + 1,
                                kFileBytes - kRecordBytes + 44,
                                kFileBytes - 1};
  for (std::size_t limit : limits) {
    ScratchDir dir;
    const RunResult r = pelzak::test::run_with_file_limit({kGenerator}, limit);
    EXPECT_EQ(r.status, 1) << limit;
    EXPECT_EQ(r.err, "pelzak_initial: cannot write \"ar_simulation.dat\": File too large\n") << limit;
    const std::string left = read_bytes(kFile);
    EXPECT_LE(left.size(), limit);
    EXPECT_TRUE(left.empty() || left.back() == '\n') << limit;
    EXPECT_EQ(generated().compare(0, left.size(), left), 0) << limit;
    EXPECT_LT(split_lines(left).size(), 866u) << limit;
  }
  // With room for exactly the whole file nothing fails.
  ScratchDir dir;
  const RunResult r = pelzak::test::run_with_file_limit({kGenerator}, kFileBytes);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(read_bytes(kFile) == generated());
}

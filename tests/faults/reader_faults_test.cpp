// The library's reader against files no generator writes: empty, one line short, endless lines,
// binary bytes, endless streams, unreadable descriptors. (A missing, unreadable or
// write-protected file, a directory in its place, CR LF line ends and bad values in each field
// are covered by the library's own reader tests.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "configs.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak_model.h"
#include "support.hpp"

namespace model = pelzak::model;

using namespace pelzak::test;
using pelzak::formats::longest_input_line;
using pelzak::formats::ReadDiagnostic;
using pelzak::formats::ReadStatus;
using pelzak::test::ScratchDir;
using pelzak::test::write_bytes;
using testing::ExitedWithCode;

namespace {

// Fails the test instead of hanging it if the reader never returns.
constexpr unsigned patience_seconds = 30;

void read_configuration() {
  alarm(patience_seconds);
  Config r, v;
  auxiliary_read_file(r.data(), v.data());
  std::_Exit(0);
}

std::string first_lines(const std::string& text, int n) {
  std::size_t end = 0;
  for (int k = 0; k < n; ++k) end = text.find('\n', end) + 1;
  return text.substr(0, end);
}

const std::string too_long = std::to_string(longest_input_line);

}  // namespace

TEST(FaultsReaderDeathTest, EveryBrokenFileEndsWithTheFileLineAndReason) {
  const std::string good = sample_file();
  const std::string ten_mb(10 << 20, 'x');
  const struct {
    const char* name;
    std::string content;
    std::string message;  // regular expression
  } cases[] = {
      {"empty", "", "line 1: end of file: the file has 0 lines, a configuration needs 866"},
      {"865 lines", first_lines(good, 865),
       "line 866: end of file: the file has 865 lines, .*run pelzak_initial to write one"},
      {"a 10 MB first line without a line feed", ten_mb,
       "line 1: more than " + too_long +
           " bytes without a line feed: this is not a "
           "configuration file \\(records are 68 columns\\); run pelzak_initial to write one"},
      {"a 10 MB line after four good ones", first_lines(good, 4) + ten_mb + "\n" + good,
       "line 5: more than " + too_long + " bytes without a line feed"},
      {"a record of NUL bytes", first_lines(good, 2) + std::string(68, '\0') + "\n",
       "line 3: bad value \"\\\\x00\\\\x00\\\\x00\\\\x00\\\\x00\" in the atom index field"},
      {"binary bytes in a position", first_lines(good, 2) + "    1   Ar   Ar    1\x80\xff\xfe\x01",
       "line 3: bad value \"\\\\x80\\\\xff\\\\xfe\\\\x01\" in the x position field"},
      {"an executable (this test program)", pelzak::test::read_bytes("/proc/self/exe"),
       "line [0-9]+: (bad value|value out of range|end of file|more than)"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    write_bytes("ar_simulation.dat", c.content);
    EXPECT_EXIT(read_configuration(), ExitedWithCode(2), "^pelzak_aux: \"ar_simulation.dat\", " + c.message)
        << c.name;
  }
}

TEST(FaultsReaderDeathTest, OddButHarmlessBytesAreReadThrough) {
  const std::string good = sample_file();
  std::string binary_names = good;
  const std::string old = sample_record(9);
  binary_names.replace(binary_names.find(old) + 5, 10, std::string("\0\xff\r\t\x1b\0\x80 \0\0", 10));
  const std::string cases[] = {
      std::string(longest_input_line, 'x') + "\n" + good.substr(good.find('\n') + 1),  // just fits
      std::string(3, '\0') + "\n\xff\xfe\n" + first_lines(good, 866).substr(first_lines(good, 2).size()),
      binary_names,  // the two name columns are text and are not looked at
  };
  for (const std::string& content : cases) {
    ScratchDir dir;
    write_bytes("ar_simulation.dat", content);
    EXPECT_EXIT(read_configuration(), ExitedWithCode(0), "");
  }
}

// A name that leads to an endless stream without line feeds ends with a diagnostic instead of
// reading forever.
TEST(FaultsReaderDeathTest, AnEndlessStreamEnds) {
  if (access("/dev/zero", R_OK) != 0) GTEST_SKIP() << "/dev/zero is not available here";
  ScratchDir dir;
  ASSERT_EQ(symlink("/dev/zero", "ar_simulation.dat"), 0);
  EXPECT_EXIT(
      read_configuration(), ExitedWithCode(2),
      "^pelzak_aux: \"ar_simulation.dat\", line 1: more than " + too_long + " bytes without a line feed");
}

TEST(FaultsReader, ADescriptorThatCannotBeReadIsAReadError) {
  ScratchDir dir;
  const int fd = open(".", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  Config r, v;
  ReadDiagnostic diagnostic;
  EXPECT_EQ(pelzak::formats::read_configuration(fd, r.data(), v.data(), &diagnostic), ReadStatus::read_error);
  close(fd);
  EXPECT_STREQ(diagnostic.text, "\"ar_simulation.dat\", line 1: cannot read: Is a directory");
}

TEST(FaultsReader, MemoryAndDescriptorReadsAgreeAcrossChunkBoundaries) {
  // Lines of every length around the 4096-byte chunk, so each boundary falls inside a line,
  // on a CR and on a line feed somewhere.
  ScratchDir dir;
  std::string text = " Test\r\n" + std::string(4090, '#') + "\r\n";
  for (int i = 1; i <= model::atoms; ++i) text += sample_record(i) + std::string(i % 97, ' ') + "\r\n";
  write_bytes("ar_simulation.dat", text);
  Config from_memory, memory_v, from_fd, fd_v;
  ReadDiagnostic diagnostic;
  ASSERT_EQ(pelzak::formats::read_configuration(text.data(), text.size(), from_memory.data(), memory_v.data(),
                                                &diagnostic),
            ReadStatus::ok)
      << diagnostic.text;
  const int fd = open("ar_simulation.dat", O_RDONLY);
  ASSERT_EQ(pelzak::formats::read_configuration(fd, from_fd.data(), fd_v.data(), &diagnostic), ReadStatus::ok)
      << diagnostic.text;
  close(fd);
  EXPECT_EQ(from_memory, from_fd);
  EXPECT_EQ(memory_v, fd_v);
  Config expected, expected_v;
  const std::string plain = sample_file();
  ASSERT_EQ(pelzak::formats::read_configuration(plain.data(), plain.size(), expected.data(),
                                                expected_v.data(), &diagnostic),
            ReadStatus::ok);
  EXPECT_EQ(from_fd, expected);
  EXPECT_EQ(fd_v, expected_v);
}

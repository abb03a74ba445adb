#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support.hpp"
#include "text_file.hpp"

namespace pelzak::md {
namespace {

using pelzak::test::read_bytes;
using pelzak::test::ScratchDir;

TEST(DriverTextFile, WritesAndReplacesTheWholeFile) {
  ScratchDir dir;
  pelzak::test::write_bytes("out.txt", "old content that is longer\n");
  TextFile f;
  std::string message;
  ASSERT_TRUE(text_open_in(f, AT_FDCWD, "out.txt", &message)) << message;
  text_write(f, "one\n");
  text_write(f, "");
  text_write(f, "two\n");
  ASSERT_TRUE(text_close(f, &message)) << message;
  EXPECT_EQ(read_bytes("out.txt"), "one\ntwo\n");
}

TEST(DriverTextFile, FullDiskIsReportedAtCloseWithNameAndReason) {
  ScratchDir dir;
  ASSERT_EQ(symlink("/dev/full", "log.csv"), 0);
  TextFile f;
  std::string message;
  ASSERT_TRUE(text_open_in(f, AT_FDCWD, "log.csv", &message)) << message;
  for (int n = 0; n < 1000; ++n) text_write(f, "a line that will never reach the disk\n");
  EXPECT_FALSE(text_close(f, &message));
  EXPECT_EQ(message, "cannot write \"log.csv\": No space left on device");
}

TEST(DriverTextFile, UncreatableFileIsReportedAtOpen) {
  ScratchDir dir;
  TextFile f;
  std::string message;
  EXPECT_FALSE(text_open_in(f, AT_FDCWD, "no/such/dir/out.txt", &message));
  EXPECT_EQ(message, "cannot create \"no/such/dir/out.txt\": No such file or directory");
  // Writing to and closing a file that never opened does nothing and reports nothing new.
  text_write(f, "x");
  EXPECT_TRUE(text_close(f, &message));
}

}  // namespace
}  // namespace pelzak::md

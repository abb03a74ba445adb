// The library's read_file: whole files, and every way a file can be wrong (the field rules are
// the formats module's, tests/formats/fields_test.cpp).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "configs.hpp"
#include "pelzak/formats/fields.hpp"
#include "pelzak_model.h"
#include "programs.hpp"
#include "support.hpp"

namespace model = pelzak::model;

using namespace pelzak::test;
using pelzak::test::read_bytes;
using pelzak::test::ScratchDir;
using pelzak::test::write_bytes;
using testing::ExitedWithCode;

namespace {

// The nearest double to a decimal text with a point, by the C library in the C locale.
double nearest(const char* text) { return std::strtod(text, nullptr); }

struct Arrays {
  Config positions{};
  Config velocities{};
};

Arrays read_config() {
  Arrays a;
  auxiliary_read_file(a.positions.data(), a.velocities.data());
  return a;
}

}  // namespace

TEST(AuxReadFile, ReadsTheNearestDoublesOfThePrintedDecimals) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", sample_file());
  const Arrays a = read_config();
  char field[16];
  for (int i = 1; i <= model::atoms; ++i) {
    for (int k = 1; k <= 3; ++k) {
      std::snprintf(field, sizeof field, "%.3f", sample_position(i, k));
      ASSERT_EQ(at(a.positions, i, k), nearest(field)) << "atom " << i << " axis " << k;
      std::snprintf(field, sizeof field, "%.4f", sample_velocity(i, k));
      ASSERT_EQ(at(a.velocities, i, k), nearest(field)) << "atom " << i << " axis " << k;
    }
  }
}

TEST(AuxReadFile, HeaderContentTrailingLinesAndLineEndsDoNotMatter) {
  ScratchDir dir;
  write_bytes("ar_simulation.dat", sample_file());
  const Arrays plain = read_config();

  std::string odd = sample_file();
  odd.replace(0, odd.find('\n', 6) + 1, std::string("\xff\0garbage\n\n", 11));
  static constexpr char trailer[] = "  this line is never read\n\0\0\0 nor this one";
  odd += std::string(trailer, sizeof trailer - 1);
  write_bytes("ar_simulation.dat", odd);
  const Arrays other = read_config();
  EXPECT_EQ(other.positions, plain.positions);
  EXPECT_EQ(other.velocities, plain.velocities);

  write_bytes("ar_simulation.dat", sample_file("\r\n"));
  const Arrays crlf = read_config();
  EXPECT_EQ(crlf.positions, plain.positions);
  EXPECT_EQ(crlf.velocities, plain.velocities);

  // Reading twice gives the same arrays.
  const Arrays again = read_config();
  EXPECT_EQ(again.positions, crlf.positions);
}

TEST(AuxReadFile, ColumnsBeyond68AreIgnoredHoweverLongTheLine) {
  ScratchDir dir;
  std::string text = sample_file();
  // Make atom 5's line 100000 characters long, full of garbage ending in CR, and drop the
  // file's final line feed.
  const std::string line5 = sample_record(5);
  const auto at5 = text.find(line5);
  ASSERT_NE(at5, std::string::npos);
  text.insert(at5 + line5.size(), std::string(100000, '\x7f') + "\r");
  text.pop_back();
  write_bytes("ar_simulation.dat", text);
  const Arrays a = read_config();
  EXPECT_EQ(at(a.positions, 5, 1), nearest(line5.substr(20, 8).c_str()));
  EXPECT_EQ(at(a.velocities, 5, 3), nearest(line5.substr(60, 8).c_str()));
  char last[16];
  std::snprintf(last, sizeof last, "%.4f", sample_velocity(model::atoms, 3));
  EXPECT_EQ(at(a.velocities, model::atoms, 3), nearest(last));  // last line without line feed
}

TEST(AuxReadFile, ALineCutAfterColumn44HasZeroVelocities) {
  ScratchDir dir;
  std::string text = sample_file();
  const std::string line3 = sample_record(3);
  const auto pos = text.find(line3);
  ASSERT_NE(pos, std::string::npos);
  text.erase(pos + 44, 68 - 44);
  write_bytes("ar_simulation.dat", text);
  const Arrays a = read_config();
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(at(a.velocities, 3, k), 0.0);
    EXPECT_EQ(at(a.positions, 3, k), nearest(line3.substr(12 + 8 * k, 8).c_str()));
  }
}

TEST(AuxReadFileDeathTest, AMissingFileIsLeftBehindEmpty) {
  ScratchDir dir;
  EXPECT_EXIT(read_config(), ExitedWithCode(2),
              "^pelzak_aux: \"ar_simulation.dat\", line 1: end of file: the file has 0 lines, a "
              "configuration needs 866 .*run pelzak_initial");
  struct stat st {};
  ASSERT_EQ(stat("ar_simulation.dat", &st), 0);
  EXPECT_EQ(st.st_size, 0);
}

TEST(AuxReadFileDeathTest, AShortFileNamesTheMissingLine) {
  ScratchDir dir;
  const std::string text = sample_file();
  std::string first_100;
  for (std::size_t pos = 0, n = 0; n < 100; ++n) {
    const auto end = text.find('\n', pos) + 1;
    first_100 += text.substr(pos, end - pos);
    pos = end;
  }
  write_bytes("ar_simulation.dat", first_100);
  EXPECT_EXIT(read_config(), ExitedWithCode(2),
              "line 101: end of file: the file has 100 lines, .*pelzak_initial");
  write_bytes("ar_simulation.dat", " Test");
  EXPECT_EXIT(read_config(), ExitedWithCode(2), "line 2: end of file: the file has 1 line, ");
}

TEST(AuxReadFileDeathTest, ABadValueNamesLineFieldAndText) {
  ScratchDir dir;
  std::string text = sample_file();
  // Line 7 is atom 5: put "12a.4" into its y position field (columns 29-36).
  std::size_t pos = 0;
  for (int n = 1; n < 7; ++n) pos = text.find('\n', pos) + 1;
  text.replace(pos + 28, 8, "   12a.4");
  write_bytes("ar_simulation.dat", text);
  EXPECT_EXIT(read_config(), ExitedWithCode(2),
              "^pelzak_aux: \"ar_simulation.dat\", line 7: bad value \"12a.4\" in the y position "
              "field \\(columns 29-36\\)\n$");

  text.replace(pos + 28, 8,
               std::string("  1\0"
                           "2.00",
                           8));
  write_bytes("ar_simulation.dat", text);
  EXPECT_EXIT(read_config(), ExitedWithCode(2), "line 7: bad value \"1\\\\x002.00\" in the y position field");

  text.replace(pos + 28, 8, "   1.000");
  text.replace(pos, 5, "  5.0");
  write_bytes("ar_simulation.dat", text);
  EXPECT_EXIT(read_config(), ExitedWithCode(2),
              "line 7: bad value \"5.0\" in the atom index field \\(columns 1-5\\)");

  text.replace(pos, 5, "    5");
  text.replace(pos + 60, 8, "1.0E9999");
  write_bytes("ar_simulation.dat", text);
  EXPECT_EXIT(read_config(), ExitedWithCode(2),
              "line 7: value out of range \"1.0E9999\" in the z velocity field \\(columns 61-68\\)");
}

TEST(AuxReadFileDeathTest, UnreadableAndUncreatableFiles) {
  ScratchDir dir;
  mkdir("ar_simulation.dat", 0755);
  EXPECT_EXIT(read_config(), ExitedWithCode(2),
              "^pelzak_aux: \"ar_simulation.dat\": cannot open: Is a directory");
  rmdir("ar_simulation.dat");

  if (!pelzak::test::can_test_permissions()) GTEST_SKIP() << "cannot drop privileges here";
  write_bytes("ar_simulation.dat", sample_file());
  chmod("ar_simulation.dat", 0);
  EXPECT_EXIT(
      {
        if (!pelzak::test::drop_privileges()) std::_Exit(99);
        read_config();
      },
      ExitedWithCode(2), "^pelzak_aux: \"ar_simulation.dat\": cannot open: Permission denied");

  // Write-protected is fine: reading needs no write permission.
  chmod("ar_simulation.dat", 0444);
  EXPECT_EXIT(
      {
        if (!pelzak::test::drop_privileges()) std::_Exit(99);
        read_config();
        std::_Exit(0);
      },
      ExitedWithCode(0), "");

  // A missing file in a directory nobody may write to cannot be left behind.
  mkdir("locked", 0555);
  chmod("locked", 0555);
  EXPECT_EXIT(
      {
        if (!pelzak::test::drop_privileges() || chdir("locked") != 0) std::_Exit(99);
        read_config();
      },
      ExitedWithCode(2), "\"ar_simulation.dat\": cannot open: Permission denied");
}

// Parsing must not follow the process locale: read a file under a locale whose decimal point
// is a comma, built for the occasion when the system has the locale sources.
TEST(AuxReadFileDeathTest, IndependentOfTheLocale) {
  ScratchDir dir;
  if (access("/usr/share/i18n/locales/de_DE", R_OK) != 0 ||
      std::system("command -v localedef >/dev/null") != 0)
    GTEST_SKIP() << "no locale sources to build de_DE";
  const std::string locales = dir.path() + "/locales";
  mkdir(locales.c_str(), 0755);
  const std::string build = "localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0) GTEST_SKIP() << "localedef failed";

  write_bytes("ar_simulation.dat", sample_file());
  const Arrays expected = read_config();
  EXPECT_EXIT(
      {
        setenv("LOCPATH", locales.c_str(), 1);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) std::_Exit(98);
        if (std::localeconv()->decimal_point[0] != ',') std::_Exit(97);
        const Arrays a = read_config();
        std::_Exit(a.positions == expected.positions && a.velocities == expected.velocities ? 0 : 1);
      },
      ExitedWithCode(0), "");
}

// The generator's own output reads back to the nearest doubles of what it printed.
TEST(AuxReadFile, ReadsWhatTheGeneratorWrites) {
  ScratchDir dir;
  const auto run = pelzak::test::run_program({pelzak::test::generator_program});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string text = read_bytes("ar_simulation.dat");
  const auto lines = pelzak::test::split_lines(text);
  ASSERT_EQ(lines.size(), 866u);
  const Arrays a = read_config();
  for (int i = 1; i <= model::atoms; ++i) {
    const std::string& line = lines[i + 1];
    for (int k = 1; k <= 3; ++k) {
      ASSERT_EQ(at(a.positions, i, k), nearest(line.substr(12 + 8 * k, 8).c_str())) << line;
      ASSERT_EQ(at(a.velocities, i, k), nearest(line.substr(36 + 8 * k, 8).c_str())) << line;
    }
  }
}

// Whatever the bytes, the reader either reads the file or stops with status 2: never a crash,
// never a read or write out of bounds (the sanitizer build watches this).
TEST(AuxReadFileDeathTest, MutatedFilesEitherReadOrStopCleanly) {
  ScratchDir dir;
  std::mt19937 rng(866);
  const std::string good = sample_file();
  auto ends_cleanly = [](int status) {
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 2);
  };
  for (int n = 0; n < 60; ++n) {
    std::string text = good;
    const int edits = 1 + static_cast<int>(rng() % 20);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = rng() % text.size();
      switch (rng() % 4) {
        case 0: text[at] = static_cast<char>(rng()); break;  // any byte
        case 1: text.insert(at, std::string(rng() % 5000, static_cast<char>(rng()))); break;
        case 2: text.erase(at, rng() % 200); break;
        case 3: text.resize(at); break;  // truncated
      }
      if (text.empty()) break;
    }
    write_bytes("ar_simulation.dat", text);
    EXPECT_EXIT(
        {
          read_config();
          std::_Exit(0);
        },
        ends_cleanly, "")
        << "mutation " << n;
  }
}

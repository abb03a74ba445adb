// The program pelzak_initial as users run it: the bytes of the file it writes, the order and
// spread of its random draws, and every way writing can fail.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "link_names.hpp"
#include "pelzak/formats/fields.hpp"
#include "pelzak_model.h"
#include "programs.hpp"
#include "random_range.hpp"
#include "support.hpp"

namespace model = pelzak::model;

using namespace pelzak::test;

namespace {

const std::string program = pelzak::test::generator_program;
const std::string file_name = "ar_simulation.dat";
constexpr size_t file_size = 6 + 28 + model::atoms * 69;

// Runs the program in the current directory; a normal run says in one line what it wrote.
std::string run_quietly(
    const std::vector<std::string>& args = {},
    const std::string& says = "wrote \"ar_simulation.dat\": 864 atoms, seed 5489 (the default)\n") {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  const RunResult r = run_program(argv);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, says);
  EXPECT_EQ(r.err, "");
  return read_bytes(file_name);
}

// The file of one run in a fresh directory, for the tests that only read it.
const std::string& reference_file() {
  static const std::string bytes = [] {
    ScratchDir dir;
    return run_quietly();
  }();
  return bytes;
}

std::vector<std::string> atom_lines() {
  std::vector<std::string> lines = split_lines(reference_file());
  lines.erase(lines.begin(), lines.begin() + std::min<size_t>(2, lines.size()));
  return lines;
}

// Column c (1-based) of an atom record, the blanks in front taken off.
std::string field(const std::string& line, size_t column, size_t width) {
  std::string f = line.substr(column - 1, width);
  return f.substr(std::min(f.find_first_not_of(' '), f.size()));
}

// An optional minus sign, at least one digit, the decimal point and exactly `decimals` digits.
bool is_fixed_point(const std::string& text, size_t decimals) {
  const size_t digits_from = text.rfind('-', 0) == 0 ? 1 : 0;
  const size_t point = text.find('.');
  if (point == std::string::npos || point == digits_from || text.size() - point - 1 != decimals) return false;
  for (size_t i = digits_from; i < text.size(); ++i) {
    if (i != point && (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

double number(const std::string& text) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << "'" << text << "'";
  return value;
}

// Printed position (axis 0..2) or velocity (axis 3..5) of every atom.
std::vector<double> column_values(int axis) {
  std::vector<double> values;
  for (const std::string& line : atom_lines()) values.push_back(number(field(line, 21 + 8 * axis, 8)));
  return values;
}

std::string fixed(double value, int decimals) {
  std::string s(8, '?');
  pelzak::formats::put_fixed(s.data(), 8, decimals, value);
  return s;
}

// Largest velocity component, nm/ps: f * sqrt(T kB / m), from the literals the constants widen.
double velocity_bound() {
  const double sigma_v = std::sqrt((model::target_temperature * model::boltzmann) / model::mass);
  return double{0.001f} * sigma_v;
}

}  // namespace

TEST(GeneratorProgram, WritesTheConfigurationLayoutColumnForColumn) {
  const std::string& bytes = reference_file();
  ASSERT_EQ(bytes.size(), file_size);
  EXPECT_EQ(bytes.back(), '\n');
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  const std::vector<std::string> lines = split_lines(bytes);
  ASSERT_EQ(lines.size(), 866u);
  EXPECT_EQ(lines[0], " Test");
  EXPECT_EQ(lines[1], "                  864 Argon");
  for (int i = 1; i <= model::atoms; ++i) {
    const std::string& line = lines[static_cast<size_t>(i) + 1];
    ASSERT_EQ(line.size(), 68u) << "atom " << i;
    std::string index(5, ' ');
    pelzak::formats::put_integer(index.data(), 5, i);
    EXPECT_EQ(line.substr(0, 20), index + "   Ar   Ar" + index);
    for (int k = 0; k < 6; ++k) {
      const std::string cell = line.substr(20 + 8 * static_cast<size_t>(k), 8);
      EXPECT_EQ(cell.front(), ' ') << "atom " << i << " field " << k << " fills its columns";
      EXPECT_TRUE(is_fixed_point(field(line, 21 + 8 * static_cast<size_t>(k), 8), k < 3 ? 3 : 4))
          << "atom " << i << ": '" << cell << "'";
    }
  }
  // The sequence is fixed to the bit, so these lines are the same on every platform.
  EXPECT_EQ(lines[2], "    1   Ar   Ar    1   1.162   0.268   0.360  0.0882 -0.1022  0.1138");
  EXPECT_EQ(lines[865], "  864   Ar   Ar  864   0.199   1.308   0.307  0.0806  0.1215  0.1341");
}

TEST(GeneratorProgram, RunsAreByteIdenticalWhateverTheEnvironment) {
  ScratchDir dir;
  EXPECT_EQ(run_quietly(), reference_file());
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  setenv("PELZAK_SEED", "42", 1);
  const std::string with_environment = run_quietly();
  unsetenv("LC_ALL");
  unsetenv("PELZAK_SEED");
  EXPECT_EQ(with_environment, reference_file());
}

TEST(GeneratorProgram, EachSeedIsItsOwnReplica) {
  ScratchDir dir;
  // The default sequence is seed 5489's; another seed gives another start, the same on every run.
  EXPECT_EQ(run_quietly({"--seed", "5489"}, "wrote \"ar_simulation.dat\": 864 atoms, seed 5489\n"),
            reference_file());
  const std::string replica = run_quietly({"--seed=7"}, "wrote \"ar_simulation.dat\": 864 atoms, seed 7\n");
  EXPECT_EQ(replica.size(), file_size);
  EXPECT_NE(replica, reference_file());
  EXPECT_EQ(run_quietly({"--seed", "7"}, "wrote \"ar_simulation.dat\": 864 atoms, seed 7\n"), replica);
}

TEST(GeneratorProgram, RewritesALongerFileInPlace) {
  ScratchDir dir;
  std::string old;
  for (int i = 0; i < 3000; ++i) old += "old content that must not survive, line " + std::to_string(i) + "\n";
  write_bytes(file_name, old);
  ASSERT_EQ(link(file_name.c_str(), "second_name.dat"), 0);
  struct stat before, after;
  ASSERT_EQ(stat(file_name.c_str(), &before), 0);
  EXPECT_EQ(run_quietly(), reference_file());
  ASSERT_EQ(stat(file_name.c_str(), &after), 0);
  // The same file, not a new one renamed over it: the inode and the other hard link see the rewrite.
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(read_bytes("second_name.dat"), reference_file());
  EXPECT_EQ(split_lines(read_bytes(file_name)).size(), 866u);
}

TEST(GeneratorProgram, DrawsAllVelocitiesFirstThenEachAtomsPositionWithItsRecord) {
  // Replays the stream: draws 1..2592 are the velocity components (atoms ascending, x, y, z),
  // draws 2593..2595 the x, y, z of atom 1, and so on.
  const std::vector<std::string> lines = atom_lines();
  ASSERT_EQ(lines.size(), static_cast<size_t>(model::atoms));
  const double sigma_v = std::sqrt((model::target_temperature * model::boltzmann) / model::mass);
  const double lower = -sigma_v, upper = sigma_v, zero = 0.0, side = 1.73893;
  pelzak::initial::restart_uniform_stream();
  for (const std::string& line : lines) {
    for (size_t k = 0; k < 3; ++k) {
      const double v = double{0.001f} * pelzak_random_range(&lower, &upper);
      ASSERT_EQ(line.substr(44 + 8 * k, 8), fixed(v, 4)) << line;
    }
  }
  for (const std::string& line : lines) {
    for (size_t k = 0; k < 3; ++k) {
      ASSERT_EQ(line.substr(20 + 8 * k, 8), fixed(pelzak_random_range(&zero, &side), 3)) << line;
    }
  }
}

TEST(GeneratorProgram, PrintedPositionsAndVelocitiesStayInTheirRanges) {
  const double v_limit = std::round(velocity_bound() * 1e4) / 1e4;  // 0.1402 nm/ps
  EXPECT_EQ(fixed(v_limit, 4), "  0.1402");
  for (int axis = 0; axis < 3; ++axis) {
    const std::vector<double> x = column_values(axis);
    const auto [low, high] = std::minmax_element(x.begin(), x.end());
    EXPECT_GE(*low, 0.0);
    EXPECT_LE(*high, 1.739);
    // The whole half box is covered, not the full side or a unit range.
    EXPECT_LT(*low, 0.01);
    EXPECT_GT(*high, 1.73);
    const std::vector<double> v = column_values(3 + axis);
    double largest = 0;
    for (double c : v) largest = std::max(largest, std::fabs(c));
    EXPECT_LE(largest, v_limit + 1e-12);
    EXPECT_GT(largest, 0.139);
  }
}

TEST(GeneratorProgram, VelocitiesAreUniformNotNormal) {
  std::vector<double> v;
  for (int axis = 3; axis < 6; ++axis) {
    const std::vector<double> c = column_values(axis);
    v.insert(v.end(), c.begin(), c.end());
  }
  const double n = static_cast<double>(v.size());
  double mean = 0;
  for (double c : v) mean += c;
  mean /= n;
  double m2 = 0, m4 = 0;
  for (double c : v) {
    m2 += (c - mean) * (c - mean);
    m4 += std::pow(c - mean, 4);
  }
  m2 /= n;
  m4 /= n;
  // Uniform on [-b, b]: variance b^2 / 3 and kurtosis 1.8; a normal law has kurtosis 3.
  const double b = velocity_bound();
  EXPECT_NEAR(mean, 0.0, 4 * std::sqrt(m2 / n));
  EXPECT_NEAR(m2 / (b * b / 3), 1.0, 0.05);
  EXPECT_NEAR(m4 / (m2 * m2), 1.8, 0.1);
  // Ten equal bins over [-b, b] are filled evenly: chi-square below 27.9, its 0.1 % point for 9
  // degrees of freedom (a normal law would crowd the middle bins).
  std::vector<double> bins(10, 0.0);
  for (double c : v) bins[std::min<size_t>(9, static_cast<size_t>((c + b) / (2 * b) * 10))] += 1;
  double chi2 = 0;
  for (double count : bins) chi2 += (count - n / 10) * (count - n / 10) / (n / 10);
  EXPECT_LT(chi2, 27.9);
}

TEST(GeneratorFailure, FullDiskIsReportedWithTheFileAndReason) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available here";
  ScratchDir dir;
  ASSERT_EQ(symlink("/dev/full", file_name.c_str()), 0);
  const RunResult r = run_program({program});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "pelzak_initial: cannot write \"ar_simulation.dat\": No space left on device\n");
  struct stat info;
  ASSERT_EQ(lstat(file_name.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link itself is left in place";
}

TEST(GeneratorFailure, UnwritableDirectoryIsReportedWithTheFileAndReason) {
  if (!can_test_permissions()) GTEST_SKIP() << "cannot drop root privileges here";
  ScratchDir dir;
  ASSERT_EQ(mkdir("locked", 0555), 0);
  ASSERT_EQ(chmod("locked", 0555), 0);
  ASSERT_EQ(chdir("locked"), 0);
  const RunResult r = run_program({program}, true);
  ASSERT_EQ(chdir(".."), 0);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "pelzak_initial: cannot open \"ar_simulation.dat\": Permission denied\n");
  EXPECT_NE(access("locked/ar_simulation.dat", F_OK), 0);
}

TEST(GeneratorFailure, WriteProtectedFileIsReportedAndLeftUnchanged) {
  if (!can_test_permissions()) GTEST_SKIP() << "cannot drop root privileges here";
  ScratchDir dir;
  const std::string old = " Test\n                  864 Argon\nan older configuration\n";
  write_bytes(file_name, old);
  ASSERT_EQ(chmod(file_name.c_str(), 0444), 0);
  const RunResult r = run_program({program}, true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "pelzak_initial: cannot write \"ar_simulation.dat\": Permission denied\n");
  EXPECT_EQ(read_bytes(file_name), old);
}

TEST(GeneratorFailure, DirectoryInTheFilesPlaceIsReported) {
  ScratchDir dir;
  ASSERT_EQ(mkdir(file_name.c_str(), 0755), 0);
  const RunResult r = run_program({program});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pelzak_initial: cannot open \"ar_simulation.dat\": Is a directory\n");
}

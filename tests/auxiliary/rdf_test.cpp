// The g(r) sampler: histogram bins, the life of "rdf_argon.dat", and a statistical check of
// the whole sampler against uniformly random positions.
//
// The open output file is process-wide state, so every scenario that opens it (step 1 or
// step 1000) runs in a child process; the parent only samples (steps 21, 41, ...) or reads
// the files the children left behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "configs.hpp"
#include "pelzak_model.h"
#include "support.hpp"

namespace model = pelzak::model;

using namespace pelzak::test;
using pelzak::test::read_bytes;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;
using pelzak::test::write_bytes;
using testing::ExitedWithCode;

namespace {

using Histogram = std::array<double, model::bins>;

void call(std::int64_t step, const Config& positions, Histogram& h) {
  auxiliary_radial_dist(&step, positions.data(), h.data());
}

// Two atoms `distance` nm apart along x, all others NaN (counted nowhere).
Config pair_at(double distance) {
  Config c = nan_config();
  for (int k = 1; k <= 3; ++k) at(c, 1, k) = at(c, 2, k) = 0.0;
  at(c, 2, 1) = distance;
  return c;
}

// Runs body in a child process; the child's exit status is body's return value.
#define IN_CHILD(body) EXPECT_EXIT(std::_Exit([&]() -> int body()), ExitedWithCode(0), "")

off_t file_size(const char* name) {
  struct stat st {};
  return stat(name, &st) == 0 ? st.st_size : -1;
}

int open_descriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

double shell_norm(int b) {  // 864 * (ideal-gas pairs per atom in shell b) * 50 samples
  const double c = (model::four_thirds * model::pi) * model::density;
  const double r_in = (b - 1) * model::bin_width, r_out = b * model::bin_width;
  return (864.0 * (r_out * (r_out * r_out) * c - r_in * (r_in * r_in) * c)) * 50.0;
}

}  // namespace

TEST(AuxRadialDistSampling, OnlyStepsOneModuloTwentySample) {
  ScratchDir dir;
  Histogram h;
  h.fill(1.0);
  const Config pos = pair_at(0.05);  // r / dr = 5.75...: bin 7 (index 6)
  for (std::int64_t step = 2; step <= 20; ++step) call(step, pos, h);
  for (double v : h) ASSERT_EQ(v, 1.0);

  for (std::int64_t step : {21, 41, 981, 1001, -19, -39}) call(step, pos, h);
  EXPECT_EQ(h[6], 1.0 + 6 * 2.0);
  for (std::int64_t step : {INT64_MIN, INT64_MIN + 1, INT64_MAX, std::int64_t{0}, std::int64_t{-1}})
    call(step, pos, h);  // none of these is 1 modulo 20
  for (int b = 0; b < model::bins; ++b) EXPECT_EQ(h[b], b == 6 ? 13.0 : 1.0) << b;
  EXPECT_EQ(file_size("rdf_argon.dat"), -1);  // no file without step 1 or 1000
}

TEST(AuxRadialDistSampling, BinsAreCentredOnMultiplesOfTheWidth) {
  struct Case {
    double r_over_dr;
    int bin;  // 0-based, -1 for nowhere
  };
  for (const Case& c : {Case{0.0, 0}, Case{0.49, 0}, Case{0.51, 1}, Case{1.49, 1}, Case{5.75, 6},
                        Case{198.6, 199}, Case{199.0, 199}, Case{199.4, 199}, Case{199.6, -1}}) {
    Histogram h{};
    call(21, pair_at(c.r_over_dr * model::bin_width), h);
    for (int b = 0; b < model::bins; ++b)
      ASSERT_EQ(h[b], b == c.bin ? 2.0 : 0.0) << "r/dr " << c.r_over_dr << " bin " << b;
  }
  // Along the box diagonal, minimum-image distances reach sqrt(3) L / 2 (r / dr up to 346).
  Histogram h{};
  Config diagonal = pair_at(1.7);
  at(diagonal, 2, 2) = at(diagonal, 2, 3) = 1.7;
  call(21, diagonal, h);
  for (double v : h) ASSERT_EQ(v, 0.0);
  // Through the periodic boundary: raw separation L - 0.05 is 0.05 apart.
  call(21, pair_at(model::box - 0.05), h);
  EXPECT_EQ(h[6], 2.0);
}

TEST(AuxRadialDistSampling, NonFiniteAndHugeDistancesLandNowhereOutside) {
  for (double x : {double{NAN}, double{INFINITY}, -double{INFINITY}, 1e300, -1e300, 1e20, DBL_MAX}) {
    Histogram h{};
    Config pos = pair_at(0.0);
    at(pos, 2, 1) = x;
    at(pos, 3, 1) = 0.0, at(pos, 3, 2) = 1.0, at(pos, 3, 3) = 0.0;  // 1 nm from atom 1
    call(21, pos, h);
    double total = 0.0;
    for (double v : h) total += v;
    EXPECT_GE(h[115], 2.0) << x;  // round(1 / dr) = 115: the finite pair always counts
    EXPECT_LE(total, 6.0) << x;
  }
}

TEST(AuxRadialDistFileDeathTest, StepOneEmptiesTheFileClearsTheHistogramAndSamples) {
  ScratchDir dir;
  write_bytes("rdf_argon.dat", "old content\n");
  IN_CHILD({
    Histogram h;
    h.fill(7.0);
    call(1, pair_at(0.05), h);
    for (int b = 0; b < model::bins; ++b)
      if (h[b] != (b == 6 ? 2.0 : 0.0)) return 1;
    return file_size("rdf_argon.dat") == 0 ? 0 : 2;
  });
  // A run that stops before step 1000 leaves the file empty.
  EXPECT_EQ(file_size("rdf_argon.dat"), 0);
}

TEST(AuxRadialDistFileDeathTest, Step1000Writes200LinesAndTakesNoSample) {
  ScratchDir dir;
  IN_CHILD({
    Histogram h;
    call(1, nan_config(), h);
    for (int b = 0; b < model::bins; ++b) h[b] = 2.0 * (b + 1) * (b + 1) * (b % 3);
    const Histogram before = h;
    call(1000, pair_at(0.05), h);
    return h == before ? 0 : 1;
  });
  // The table, byte for byte: r/sigma and g = h / ((864 shell) 50) of every bin in the number
  // fields, bin 1's label in scientific notation, the rest fixed (data/ holds it).
  EXPECT_EQ(read_bytes("rdf_argon.dat"),
            read_bytes(PELZAK_SOURCE_DIR "/tests/auxiliary/data/rdf_step1000.dat"));
}

TEST(AuxRadialDistFileDeathTest, StepsBeyond1000KeepSamplingAndASecond1000Appends) {
  ScratchDir dir;
  IN_CHILD({
    Histogram h;
    call(1, nan_config(), h);
    call(1000, nan_config(), h);
    call(1001, pair_at(0.05), h);
    call(1000, nan_config(), h);
    return h[6] == 2.0 ? 0 : 1;
  });
  const auto lines = split_lines(read_bytes("rdf_argon.dat"));
  ASSERT_EQ(lines.size(), 400u);
  EXPECT_EQ(lines[6].substr(27), "  0.0000000000000000     ");
  EXPECT_NE(lines[206].substr(27), "  0.0000000000000000     ");
  EXPECT_EQ(lines[206].substr(0, 27), lines[6].substr(0, 27));
}

TEST(AuxRadialDistFileDeathTest, Step1000WithoutStep1OpensTheFileAsStep1Would) {
  ScratchDir dir;
  write_bytes("rdf_argon.dat", std::string(50000, 'x'));
  IN_CHILD({
    Histogram h{};
    call(1000, pair_at(0.05), h);
    return h[6] == 0.0 ? 0 : 1;
  });
  EXPECT_EQ(split_lines(read_bytes("rdf_argon.dat")).size(), 200u);
  EXPECT_EQ(file_size("rdf_argon.dat"), 200 * 53);
}

TEST(AuxRadialDistFileDeathTest, ASecondStep1StartsAfreshInTheSameFile) {
  ScratchDir dir;
  IN_CHILD({
    Histogram h;
    call(1, pair_at(0.05), h);
    call(1000, nan_config(), h);
    struct stat first {};
    if (stat("rdf_argon.dat", &first) != 0 || first.st_size != 200 * 53) return 1;
    const int descriptors = open_descriptors();
    call(1, pair_at(0.1), h);  // r / dr = 11.5...: bin 13 (index 12)
    struct stat second {};
    if (stat("rdf_argon.dat", &second) != 0 || second.st_size != 0) return 2;
    if (second.st_ino != first.st_ino || open_descriptors() != descriptors) return 3;
    if (h[6] != 0.0 || h[12] != 2.0) return 4;
    call(1000, nan_config(), h);
    return file_size("rdf_argon.dat") == 200 * 53 ? 0 : 5;
  });
  const auto lines = split_lines(read_bytes("rdf_argon.dat"));
  ASSERT_EQ(lines.size(), 200u);
  EXPECT_EQ(lines[6].substr(27), "  0.0000000000000000     ");
}

TEST(AuxRadialDistFileDeathTest, OutputMayGoToADevice) {
  ScratchDir dir;
  ASSERT_EQ(symlink("/dev/null", "rdf_argon.dat"), 0);
  IN_CHILD({
    Histogram h;
    call(1, nan_config(), h);
    call(1000, nan_config(), h);
    call(1, nan_config(), h);  // nothing to empty on a device: not an error
    call(1000, nan_config(), h);
    return 0;
  });
}

TEST(AuxRadialDistFileDeathTest, AFullDiskStopsTheProcessAtStep1000) {
  ScratchDir dir;
  ASSERT_EQ(symlink("/dev/full", "rdf_argon.dat"), 0);
  EXPECT_EXIT(
      {
        Histogram h;
        call(1, nan_config(), h);
        call(1000, nan_config(), h);
        std::_Exit(0);
      },
      ExitedWithCode(2), "^pelzak_aux: \"rdf_argon.dat\": cannot write g\\(r\\): No space left on device\n$");
}

TEST(AuxRadialDistFileDeathTest, AFileThatCannotBeCreatedStopsTheProcessAtStep1) {
  ScratchDir dir;
  if (!pelzak::test::can_test_permissions()) GTEST_SKIP() << "cannot drop privileges here";
  mkdir("locked", 0555);
  chmod("locked", 0555);
  EXPECT_EXIT(
      {
        if (!pelzak::test::drop_privileges() || chdir("locked") != 0) std::_Exit(99);
        Histogram h;
        call(1, nan_config(), h);
        std::_Exit(0);
      },
      ExitedWithCode(2), "^pelzak_aux: \"rdf_argon.dat\": cannot open for writing: Permission denied\n$");
}

// For uniformly random positions over the whole box the pair density is (N - 1) / V around
// each atom, so g of bin b >= 2, which collects r / dr in [b - 3/2, b - 1/2) but is normalised
// over the shell [b - 1, b), is (863/864) ((b - 1/2)^3 - (b - 3/2)^3) / (b^3 - (b - 1)^3).
// Pair counts in a shell are nearly Poisson, so the 199 standardised deviations form a
// chi-square with 199 degrees of freedom.
TEST(AuxRadialDistFileDeathTest, UniformRandomPositionsGiveTheIdealGasShellRatios) {
  ScratchDir dir;
  IN_CHILD({
    std::mt19937_64 rng(864);
    std::uniform_real_distribution<double> coordinate(0.0, model::box);
    Histogram h;
    Config pos;
    for (std::int64_t step = 1; step <= 1000; step += 20) {
      for (double& x : pos) x = coordinate(rng);
      call(step, pos, h);
    }
    call(1000, pos, h);
    return 0;
  });
  const auto lines = split_lines(read_bytes("rdf_argon.dat"));
  ASSERT_EQ(lines.size(), 200u);
  double chi_square = 0.0;
  for (int b = 2; b <= model::bins; ++b) {
    const double g = std::strtod(lines[b - 1].substr(27).c_str(), nullptr);
    const double bb = b;
    const double expected = (863.0 / 864.0) * (std::pow(bb - 0.5, 3) - std::pow(bb - 1.5, 3)) /
                            (std::pow(bb, 3) - std::pow(bb - 1, 3));
    const double pairs_expected = expected * shell_norm(b) / 2.0;
    const double sd = 2.0 * std::sqrt(pairs_expected) / shell_norm(b);
    chi_square += std::pow((g - expected) / sd, 2);
  }
  RecordProperty("chi_square", std::to_string(chi_square));
  EXPECT_GT(chi_square, 199.0 - 5 * std::sqrt(2 * 199.0));
  EXPECT_LT(chi_square, 199.0 + 5 * std::sqrt(2 * 199.0));
  const double g1 = std::strtod(lines[0].substr(27).c_str(), nullptr);
  EXPECT_LT(g1, 20.0);  // about 0.02 pairs expected in bin 1 over the run
}

// The error bars of the summary come from block averages (pelzak/analysis/block_stats.hpp). Here
// they meet a series whose answer is known: an AR(1) process
//     x(t) = phi x(t-1) + sqrt(1 - phi^2) e(t),   e(t) independent standard normal,
// has unit variance, autocorrelation phi^|k| and, for the mean of n values, the exact variance
//     Var(mean) = (1/n) [ (1 + phi)/(1 - phi) - 2 phi (1 - phi^n) / (n (1 - phi)^2) ],
// (1 + phi)/(1 - phi) being the statistical inefficiency: 19 at phi = 0.9, i.e. 19 correlated
// values are worth one independent one. Blocks much longer than that correlation give the true
// standard error; blocks of about its length give one that is too small, and the test shows it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"

namespace pelzak::analysis {
namespace {

constexpr double phi = 0.9;

// Standard normal numbers from a 64-bit linear congruential generator (Knuth's MMIX constants) and
// the Box-Muller transform: the same series on every machine and library.
class Normal {
 public:
  double next() {
    if (have_spare_) return have_spare_ = false, spare_;
    const double u1 = uniform(), u2 = uniform();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    spare_ = radius * std::sin(2.0 * M_PI * u2);
    have_spare_ = true;
    return radius * std::cos(2.0 * M_PI * u2);
  }

 private:
  double uniform() {  // in (0, 1]: the top 53 bits, plus one
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return (static_cast<double>(state_ >> 11) + 1.0) / 9007199254740992.0;
  }
  std::uint64_t state_ = 20261209u;
  double spare_ = 0.0;
  bool have_spare_ = false;
};

std::vector<double> ar1_series(std::size_t n) {
  Normal normal;
  std::vector<double> x(n);
  const double noise = std::sqrt(1.0 - phi * phi);
  x[0] = normal.next();  // drawn from the stationary distribution: no start-up transient
  for (std::size_t t = 1; t < n; ++t) x[t] = phi * x[t - 1] + noise * normal.next();
  return x;
}

double exact_standard_error_of_mean(double n) {
  const double inefficiency = (1.0 + phi) / (1.0 - phi);
  const double finite = 2.0 * phi * (1.0 - std::pow(phi, n)) / (n * (1.0 - phi) * (1.0 - phi));
  return std::sqrt((inefficiency - finite) / n);
}

double block_error(const std::vector<double>& x, long long per_block, long long* blocks) {
  BlockAverage average;
  average.per_block = per_block;
  for (double v : x) block_average_add(average, v);
  *blocks = average.blocks.count;
  return block_standard_error(average.blocks);
}

TEST(BlockError, MatchesTheKnownStandardErrorOfAnAr1Series) {
  constexpr std::size_t n = 1 << 20;
  const std::vector<double> x = ar1_series(n);
  const double exact = exact_standard_error_of_mean(static_cast<double>(n));  // 0.00426

  // Blocks of 2048 values, 100 correlation times: 512 of them. An error estimated from m blocks
  // scatters by 1/sqrt(2 (m - 1)) of itself (3.1 % here); the window is four of those, and the
  // blocks' own shortness biases the estimate low by 0.5 %.
  long long blocks = 0;
  const double good = block_error(x, 2048, &blocks);
  EXPECT_EQ(blocks, 512);
  const double window = 4.0 / std::sqrt(2.0 * (blocks - 1.0));
  EXPECT_NEAR(good / exact, 1.0, window) << "block error " << good << ", exact " << exact;

  // The mean itself lies within four standard errors of the process's mean, 0.
  BlockAverage whole;
  whole.per_block = 2048;
  for (double v : x) block_average_add(whole, v);
  EXPECT_LT(std::fabs(block_average_mean(whole)), 4.0 * exact);

  // Blocks of one correlation time (20 values) are correlated with their neighbours and report an
  // error a quarter too small; single values (no blocking) report less than a quarter of it. The
  // window above tells both from the right length.
  long long short_blocks = 0;
  const double too_short = block_error(x, 20, &short_blocks);
  EXPECT_GT(std::fabs(too_short / exact - 1.0), window) << too_short;
  EXPECT_LT(block_error(x, 1, &short_blocks) / exact, 0.3);
}

TEST(BlockError, BlocksAreConsecutiveRunsOfExactlyTheirLength) {
  // 1..14 in blocks of 3: block means 2, 5, 8, 11; the last two values (13, 14) count in the mean
  // but form no block. The four means have variance 15, so the standard error is sqrt(15 / 4).
  BlockAverage a;
  a.per_block = 3;
  for (int v = 1; v <= 14; ++v) block_average_add(a, v);
  EXPECT_EQ(a.blocks.count, 4);
  EXPECT_DOUBLE_EQ(a.blocks.mean, 6.5);
  EXPECT_DOUBLE_EQ(block_standard_error(a.blocks), std::sqrt(15.0 / 4.0));
  EXPECT_DOUBLE_EQ(block_average_mean(a), 7.5);
}

}  // namespace
}  // namespace pelzak::analysis

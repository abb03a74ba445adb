// The van Hove self function and F_s(k, t): exact sums against brute force, the known answers of
// Gaussian displacements, a departure that the measure sees, the files' text, and the sines they rest on.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "estimators/sine.hpp"
#include "pelzak/analysis/scattering_csv.hpp"
#include "pelzak/analysis/self_motion.hpp"
#include "synthetic.hpp"

namespace pelzak::analysis {
namespace {

using test::Frames;

SelfMotionResult run(const Frames& frames, const SelfMotionSettings& s) {
  SelfMotionAccumulator acc;
  std::string problem;
  EXPECT_TRUE(self_motion_start(acc, s, &problem)) << problem;
  for (const auto& f : frames) self_motion_add_frame(acc, f.data());
  return self_motion_result(acc);
}

double ulps(double value, long double truth) {
  const double t = static_cast<double>(truth);
  return std::fabs(static_cast<double>(value - truth)) / std::ldexp(1.0, std::ilogb(t) - 52);
}

TEST(AnalysisSine, WithinThreeUlpsOfTheTrueValues) {
  std::mt19937_64 rng(5);
  double worst_sin = 0, worst_cos = 0, worst_sinc = 0;
  for (double range : {2.0, 100.0, 1e5}) {
    std::uniform_real_distribution<double> u(-range, range);
    for (int i = 0; i < 20000; ++i) {
      Lanes x, s, c, q;
      for (int l = 0; l < lane_count; ++l) x[l] = u(rng);
      sine_cosine(x, &s, &c);
      sinc(x, &q);
      for (int l = 0; l < lane_count; ++l) {
        const long double xl = x[l];
        worst_sin = std::max(worst_sin, ulps(s[l], std::sin(xl)));
        worst_cos = std::max(worst_cos, ulps(c[l], std::cos(xl)));
        worst_sinc = std::max(worst_sinc, ulps(q[l], std::sin(xl) / xl));
      }
    }
  }
  EXPECT_LT(worst_sin, 3.0);
  EXPECT_LT(worst_cos, 3.0);
  EXPECT_LT(worst_sinc, 3.5);
  Lanes zero = {}, one;
  sinc(zero, &one);
  EXPECT_EQ(one[0], 1.0);
}

TEST(AnalysisSelfMotion, EqualsBruteForceSumsOverTheSameOrigins) {
  // 13 atoms (not a multiple of the 8 lanes), origins every 3 frames, blocks of 4, a run ending in the
  // middle of windows: every lag averages the origins that reached it.
  const int atoms = 13, frames = 157, max_lag = 30, every = 3, bins = 40;
  const double w = 0.05;
  const Frames traj = test::random_walk(atoms, frames, 0.3, 0.1, 21);
  SelfMotionSettings s{atoms, 0.1, max_lag, every, 4, {3.0, 11.5}, w, bins};
  const SelfMotionResult r = run(traj, s);
  ASSERT_EQ(r.time.size(), static_cast<size_t>(max_lag + 1));
  for (int lag = 0; lag <= max_lag; ++lag) {
    long double r2 = 0, fs[2] = {0, 0};
    std::vector<double> counts(bins, 0.0);
    double total = 0;
    for (int o = 0; o + lag < frames; o += every)
      for (int i = 0; i < atoms; ++i, ++total) {
        long double d2 = 0;
        for (int a = 0; a < 3; ++a) {
          const long double d = traj[o + lag][a * atoms + i] - traj[o][a * atoms + i];
          d2 += d * d;
        }
        const long double d = std::sqrt(d2);
        r2 += d2;
        for (int k = 0; k < 2; ++k)
          fs[k] += d == 0 ? 1.0L : std::sin(s.wave_numbers[k] * d) / (s.wave_numbers[k] * d);
        if (d / w < bins) counts[static_cast<int>(d / w)] += 1;
      }
    EXPECT_NEAR(r.msd[lag], static_cast<double>(r2 / total), 1e-13 * r.msd[lag]) << lag;
    for (int k = 0; k < 2; ++k) EXPECT_NEAR(r.fs[k][lag], static_cast<double>(fs[k] / total), 1e-14) << lag;
    for (int b = 0; b < bins; ++b) EXPECT_EQ(r.gs[lag][b], counts[b] / total / w) << lag << " " << b;
  }
  EXPECT_EQ(r.fs[0][0], 1.0);
  EXPECT_EQ(r.blocks, 10);  // of the 53 origins, the 43 up to frame 126 reach lag 30: blocks 0-9
}

TEST(AnalysisSelfMotion, GaussianDisplacementsGiveTheirGaussianAndExponentialFs) {
  // Random walks: the displacement over any lag is Gaussian, so G_s is its Gaussian (the departure is
  // counting noise, about 1/sqrt(samples)) and F_s = exp(-k^2 MSD / 6) = exp(-k^2 D t), which falls to
  // 1/e at t = 1 / (k^2 D). Half the atoms held still is as far from Gaussian as motion gets.
  const int atoms = 400, frames = 600;
  const double d = 0.05, dt = 0.1;
  SelfMotionSettings s{atoms, dt, 40, 5, 20, {4.0, 8.0}, 0.02, 150};
  const SelfMotionResult r = run(test::random_walk(atoms, frames, d, dt, 3), s);
  for (size_t lag = 1; lag < r.time.size(); ++lag) {
    EXPECT_LT(r.departure[lag], 0.02) << lag;
    for (size_t k = 0; k < 2; ++k) {
      const double q = s.wave_numbers[k];
      EXPECT_NEAR(r.fs[k][lag], std::exp(-q * q * r.msd[lag] / 6.0), 0.01) << lag;
    }
  }
  for (size_t k = 0; k < 2; ++k) {
    const double q = s.wave_numbers[k];
    EXPECT_NEAR(r.relaxation[k], 1.0 / (q * q * d), 4.0 * r.relaxation_error[k] + 0.02) << k;
    EXPECT_LT(r.relaxation_error[k], 0.05 * r.relaxation[k]);
  }
  double area = 0, gauss_area = 0;
  for (size_t b = 0; b < r.gs[20].size(); ++b) {
    area += r.gs[20][b] * s.bin_width;
    gauss_area += r.gauss[20][b] * s.bin_width;
  }
  EXPECT_NEAR(area, 1.0, 1e-12);       // no displacement beyond 3 nm, 3.9 times the spread
  EXPECT_NEAR(gauss_area, 1.0, 1e-8);  // and a Gaussian tail of 1e-9 there

  Frames half = test::random_walk(atoms, frames, d, dt, 3);
  for (auto& f : half)
    for (int a = 0; a < 3; ++a)
      for (int i = 0; i < atoms / 2; ++i) f[a * atoms + i] = half[0][a * atoms + i];
  const SelfMotionResult caged = run(half, s);
  EXPECT_GT(caged.departure[20], 0.3);
  EXPECT_GT(caged.largest_departure.y, 0.3);
}

TEST(AnalysisSelfMotion, FilesCarryTheirUnitsAndWaveNumbers) {
  // Two atoms at rest: F_s = 1, every displacement in the first bin, the Gaussian of MSD 0 there too.
  const Frames still(5, std::vector<double>{0.1, 0.2, 0.3, 0.4, 0.5, 0.6});
  const SelfMotionResult r = run(still, {2, 0.5, 2, 1, 0, {19.7, 2.5}, 0.01, 2});
  EXPECT_EQ(fsk_csv(r), "t_ps,Fs_k19.7_per_nm,Fs_k2.5_per_nm\n0,1,1\n0.5,1,1\n1,1,1\n");
  EXPECT_EQ(vanhove_csv(r, {1.0, 3.0}),
            "t_ps,r_nm,four_pi_r2_Gs_per_nm,gaussian_per_nm\n1,0.005,100,100\n1,0.015,0,0\n");
}

TEST(AnalysisSelfMotion, RefusesSettingsThatMakeNoSense) {
  SelfMotionAccumulator acc;
  std::string problem;
  EXPECT_FALSE(self_motion_start(acc, {0, 0.1, 10, 1, 0, {}, 0.0, 0}, &problem));
  EXPECT_FALSE(self_motion_start(acc, {5, 0.1, 10, 1, 0, {-1.0}, 0.0, 0}, &problem));
  EXPECT_EQ(problem, "the wave numbers of F_s must be positive");
  EXPECT_FALSE(self_motion_start(acc, {5, 0.1, 10, 1, 0, {}, std::nan(""), 10}, &problem));
  const double x[15] = {};
  self_motion_add_frame(acc, x);  // refused: takes nothing
  EXPECT_TRUE(self_motion_result(acc).time.empty());
}

}  // namespace
}  // namespace pelzak::analysis

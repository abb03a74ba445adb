#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "pelzak/analysis/msd.hpp"
#include "synthetic.hpp"
#include "unwrap.hpp"

namespace pelzak::analysis {
namespace {

using pelzak::test::unwrap_frame;
using pelzak::test::unwrap_start;
using pelzak::test::Unwrapper;
using test::Frames;

MsdResult run_msd(const Frames& frames, const MsdSettings& settings) {
  MsdAccumulator acc;
  std::string problem;
  EXPECT_TRUE(msd_start(acc, settings, &problem)) << problem;
  for (const auto& f : frames) msd_add_frame(acc, f.data());
  return msd_result(acc);
}

MsdSettings settings(int atoms, double frame_time, int max_lag, int origin_every, int per_block,
                     int fit_first, int fit_last) {
  MsdSettings s;
  s.atoms = atoms;
  s.frame_time = frame_time;
  s.max_lag = max_lag;
  s.origin_every = origin_every;
  s.origins_per_block = per_block;
  s.fit_first = fit_first;
  s.fit_last = fit_last;
  return s;
}

TEST(AnalysisMsd, BallisticFlightGivesVSquaredTSquaredAndAlpha2OfTheSpeeds) {
  // Atoms flying straight: dr = v t exactly, so MSD = <v^2> t^2 and alpha2 = 3<v^4>/(5<v^2>^2) - 1
  // at every lag (the distribution of |dr| is that of |v|, stretched).
  const int atoms = 50, frames = 300;
  const double dt = 0.04;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> r0(3 * atoms), v(3 * atoms);
  for (double& x : r0) x = 3.0 * u(rng);
  for (double& x : v) x = u(rng);
  double v2 = 0, v4 = 0;
  for (int i = 0; i < atoms; ++i) {
    const double s = v[i] * v[i] + v[atoms + i] * v[atoms + i] + v[2 * atoms + i] * v[2 * atoms + i];
    v2 += s / atoms;
    v4 += s * s / atoms;
  }
  Frames traj(frames, std::vector<double>(3 * atoms));
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < 3 * atoms; ++c) traj[f][c] = r0[c] + v[c] * (f * dt);
  const MsdResult r = run_msd(traj, settings(atoms, dt, 100, 7, 5, 20, 100));
  ASSERT_EQ(r.time.size(), 101u);
  EXPECT_EQ(r.msd[0], 0.0);
  EXPECT_EQ(r.alpha2[0], 0.0);
  for (int lag = 1; lag <= 100; ++lag) {
    const double t = lag * dt;
    EXPECT_DOUBLE_EQ(r.time[lag], t);
    EXPECT_NEAR(r.msd[lag], v2 * t * t, 1e-11 * v2 * t * t) << lag;
    EXPECT_NEAR(r.alpha2[lag], 3.0 * v4 / (5.0 * v2 * v2) - 1.0, 1e-9) << lag;
  }
}

TEST(AnalysisMsd, EqualsBruteForceSumsOverTheSameOrigins) {
  // 13 atoms (not a multiple of the 8 summation lanes), origins every 3 frames, a run that ends in
  // the middle of windows: every lag averages exactly the origins that reached it.
  const int atoms = 13, frames = 257, max_lag = 40, every = 3;
  const Frames traj = test::random_walk(atoms, frames, 0.3, 0.1, 11);
  const MsdResult r = run_msd(traj, settings(atoms, 0.1, max_lag, every, 4, 5, 40));
  ASSERT_EQ(r.msd.size(), static_cast<size_t>(max_lag + 1));
  for (int lag = 1; lag <= max_lag; ++lag) {
    long double s2 = 0, s4 = 0;
    int origins = 0;
    for (int s = 0; s + lag < frames; s += every, ++origins)
      for (int i = 0; i < atoms; ++i) {
        long double rsq = 0;
        for (int k = 0; k < 3; ++k) {
          const long double d = traj[s + lag][k * atoms + i] - traj[s][k * atoms + i];
          rsq += d * d;
        }
        s2 += rsq;
        s4 += rsq * rsq;
      }
    const long double m2 = s2 / (atoms * origins), m4 = s4 / (atoms * origins);
    EXPECT_NEAR(r.msd[lag], static_cast<double>(m2), 1e-13 * static_cast<double>(m2)) << lag;
    EXPECT_NEAR(r.alpha2[lag], static_cast<double>(3 * m4 / (5 * m2 * m2) - 1), 1e-12) << lag;
  }
}

TEST(AnalysisMsd, RandomWalkGivesItsDiffusionCoefficientWithinTheBlockError) {
  const double d = 0.0025, dt = 0.1;
  const Frames traj = test::random_walk(200, 4000, d, dt, 3);
  // 9 complete blocks of 80 origins (400 frames); the rest of the run still counts in the MSD.
  const MsdResult r = run_msd(traj, settings(200, dt, 100, 5, 80, 10, 100));
  EXPECT_EQ(r.blocks, 9);
  EXPECT_LT(std::fabs(r.diffusion - d), 4.0 * r.diffusion_error);
  EXPECT_GT(r.diffusion_error, 0.0);
  EXPECT_LT(r.diffusion_error, 0.05 * d);
  EXPECT_DOUBLE_EQ(r.fit_start, 1.0);
  EXPECT_DOUBLE_EQ(r.fit_end, 10.0);
  for (int lag = 1; lag <= 100; ++lag) EXPECT_NEAR(r.alpha2[lag], 0.0, 0.03) << "Gaussian steps, lag " << lag;

  // Longer lags add rows but change neither the fit nor its blocks, which end with the fit window.
  const MsdResult longer = run_msd(traj, settings(200, dt, 1000, 5, 80, 10, 100));
  EXPECT_EQ(longer.msd.size(), 1001u);
  EXPECT_EQ(longer.diffusion, r.diffusion);
  EXPECT_EQ(longer.diffusion_error, r.diffusion_error);
  EXPECT_EQ(longer.blocks, 9);
}

TEST(AnalysisMsd, BlockErrorMeasuresTheScatterOfIndependentRuns) {
  // Over independent walks, (D - D_true) / error should scatter with unit variance.
  const double d = 0.01, dt = 0.1;
  double chi2 = 0;
  const int runs = 24;
  for (int run = 0; run < runs; ++run) {
    const MsdResult r =
        run_msd(test::random_walk(60, 1500, d, dt, 100 + run), settings(60, dt, 40, 4, 25, 5, 40));
    ASSERT_EQ(r.blocks, 14);
    chi2 += std::pow((r.diffusion - d) / r.diffusion_error, 2) / runs;
  }
  EXPECT_GT(chi2, 0.3);
  EXPECT_LT(chi2, 3.0);
}

TEST(AnalysisMsd, HalfTheAtomsAtRestGiveAlpha2OfOne) {
  // A mixture of Gaussians with variances s^2 and 0: alpha2 = 2 (s^4 + 0) / (s^2 + 0)^2 - 1 = 1.
  const int atoms = 400;
  Frames traj = test::random_walk(atoms, 1200, 0.01, 0.1, 5);
  for (auto& f : traj)
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < atoms / 2; ++i) f[k * atoms + i] = traj[0][k * atoms + i];
  const MsdResult r = run_msd(traj, settings(atoms, 0.1, 50, 2, 0, 10, 50));
  for (int lag = 1; lag <= 50; ++lag) EXPECT_NEAR(r.alpha2[lag], 1.0, 0.06) << lag;
  EXPECT_TRUE(std::isnan(r.diffusion_error));
  EXPECT_EQ(r.blocks, 0);
}

TEST(AnalysisMsd, ShortRunStopsAtTheLongestLagReachedAndHasNoFit) {
  const MsdResult r = run_msd(test::random_walk(4, 30, 0.1, 0.1, 1), settings(4, 0.1, 50, 1, 5, 10, 50));
  EXPECT_EQ(r.msd.size(), 30u);
  EXPECT_TRUE(std::isnan(r.diffusion));
  EXPECT_TRUE(std::isnan(r.fit.slope));
  EXPECT_EQ(r.blocks, 0);
  const MsdResult none = run_msd({}, settings(4, 0.1, 50, 1, 5, 10, 50));
  EXPECT_TRUE(none.msd.empty());
  EXPECT_TRUE(std::isnan(none.diffusion));
}

TEST(AnalysisMsd, MemoryDoesNotGrowWithTheRun) {
  MsdAccumulator acc;
  std::string problem;
  ASSERT_TRUE(msd_start(acc, settings(10, 0.1, 20, 4, 3, 5, 20), &problem));
  const size_t origins = acc.origin_positions.size(), sums = acc.sum_r2.size(), blocks = acc.block_r2.size();
  EXPECT_EQ(origins, 6u * 30u);  // 20 / 4 + 1 origin frames of 3 * 10 coordinates
  const Frames traj = test::random_walk(10, 2000, 0.1, 0.1, 2);
  for (const auto& f : traj) msd_add_frame(acc, f.data());
  EXPECT_EQ(acc.origin_positions.size(), origins);
  EXPECT_EQ(acc.sum_r2.size(), sums);
  EXPECT_EQ(acc.block_r2.size(), blocks);
  // 2000 frames: origins at 0, 4, ..., 1996; blocks of 3 complete while their last origin's window
  // (20 frames) fits: origin 1976 + 20 = 1996 < 2000, origin 1980 ends at 2000 (not reached).
  EXPECT_EQ(msd_result(acc).blocks, (1976 / 4 + 1) / 3);
}

TEST(AnalysisMsd, RejectsSettingsThatMakeNoSense) {
  const MsdSettings good = settings(5, 0.1, 20, 2, 3, 5, 20);
  MsdAccumulator acc;
  std::string problem;
  EXPECT_TRUE(msd_start(acc, good, &problem));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // An accumulator refused its settings takes frames without harm and reports nothing.
  MsdAccumulator refused;
  EXPECT_FALSE(msd_start(refused, settings(5, 0.1, 20, 0, 3, 5, 20), &problem));
  const std::vector<double> frame(15, 1.0);
  msd_add_frame(refused, frame.data());
  EXPECT_TRUE(msd_result(refused).msd.empty());
  EXPECT_TRUE(std::isnan(msd_result(refused).diffusion));
  MsdAccumulator untouched;
  msd_add_frame(untouched, frame.data());
  EXPECT_TRUE(msd_result(untouched).msd.empty());
  for (MsdSettings bad : {settings(0, 0.1, 20, 2, 3, 5, 20), settings(5, 0.0, 20, 2, 3, 5, 20),
                          settings(5, nan, 20, 2, 3, 5, 20), settings(5, -1.0, 20, 2, 3, 5, 20),
                          settings(5, 0.1, 0, 2, 3, 0, 0), settings(5, 0.1, 20, 0, 3, 5, 20),
                          settings(5, 0.1, 20, 2, -1, 5, 20), settings(5, 0.1, 20, 2, 3, 5, 5),
                          settings(5, 0.1, 20, 2, 3, 5, 21), settings(5, 0.1, 20, 2, 3, -1, 20)}) {
    problem.clear();
    EXPECT_FALSE(msd_start(acc, bad, &problem));
    EXPECT_FALSE(problem.empty());
  }
}

TEST(AnalysisMsd, DisplacementMomentsAreExactOnIntegers) {
  // Integer displacements: every product and sum is exact, whatever the lane order.
  for (int atoms : {1, 7, 8, 11, 64}) {
    std::vector<double> r(3 * atoms), r0(3 * atoms);
    long long s2 = 0, s4 = 0;
    for (int i = 0; i < atoms; ++i) {
      long long rsq = 0;
      for (int k = 0; k < 3; ++k) {
        r0[k * atoms + i] = 100 + i;
        r[k * atoms + i] = r0[k * atoms + i] + (i * 3 + k) % 7 - 3;
        rsq += ((i * 3 + k) % 7 - 3) * ((i * 3 + k) % 7 - 3);
      }
      s2 += rsq;
      s4 += rsq * rsq;
    }
    double sum2 = -1, sum4 = -1;
    displacement_moments(r.data(), r0.data(), atoms, &sum2, &sum4);
    EXPECT_EQ(sum2, static_cast<double>(s2)) << atoms;
    EXPECT_EQ(sum4, static_cast<double>(s4)) << atoms;
  }
}

TEST(AnalysisUnwrap, FoldedWalkUnfoldsToThePathItTook) {
  // Steps of 0.14 (sd) in a box of 1.5, across several images in every direction.
  const int atoms = 20;
  const double box = 1.5;
  const Frames walk = test::random_walk(atoms, 500, 0.01, 1.0, 9);
  Unwrapper u;
  unwrap_start(u, atoms, box);
  std::vector<double> folded(3 * atoms);
  double farthest = 0;
  for (size_t f = 0; f < walk.size(); ++f) {
    for (int c = 0; c < 3 * atoms; ++c) folded[c] = walk[f][c] - box * std::floor(walk[f][c] / box);
    const double* path = unwrap_frame(u, folded.data());
    for (int c = 0; c < 3 * atoms; ++c) {
      // The path is rebuilt from the first folded frame, so it differs from the walk by that
      // frame's whole-box shift.
      const double shift = walk[0][c] - box * std::floor(walk[0][c] / box) - walk[0][c];
      ASSERT_NEAR(path[c], walk[f][c] + shift, 1e-11) << f << " " << c;
      farthest = std::fmax(farthest, std::fabs(walk[f][c] - walk[0][c]));
    }
  }
  EXPECT_GT(farthest, 3 * box);
}

}  // namespace
}  // namespace pelzak::analysis

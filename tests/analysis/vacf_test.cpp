#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "pelzak/analysis/curve_features.hpp"
#include "pelzak/analysis/spectrum.hpp"
#include "pelzak/analysis/vacf.hpp"
#include "synthetic.hpp"

namespace pelzak::analysis {
namespace {

using test::Frames;

VacfSettings settings(int atoms, double frame_time, int max_lag, int per_block) {
  VacfSettings s;
  s.atoms = atoms;
  s.frame_time = frame_time;
  s.max_lag = max_lag;
  s.windows_per_block = per_block;
  return s;
}

VacfResult run_vacf(const Frames& frames, const VacfSettings& s) {
  VacfAccumulator acc;
  std::string problem;
  EXPECT_TRUE(vacf_start(acc, s, &problem)) << problem;
  for (const auto& f : frames) vacf_add_frame(acc, f.data());
  return vacf_finish(acc);
}

TEST(AnalysisVacf, TransformSumsEqualDirectSumsOverAllOrigins) {
  // Windows of 16 frames; runs shorter than a window, ending on a window boundary and in the middle
  // of one: every lag averages all the frames - lag origins, once each.
  const int atoms = 5, max_lag = 15;
  for (int frames : {1, 2, 7, 16, 17, 64, 100}) {
    std::mt19937_64 rng(frames);
    std::normal_distribution<double> g(0.3, 1.0);  // a mean, so that every lag has a large part
    Frames v(frames, std::vector<double>(3 * atoms));
    for (auto& f : v)
      for (double& x : f) x = g(rng);
    const VacfResult r = run_vacf(v, settings(atoms, 0.01, max_lag, 0));
    const std::vector<double> brute = test::brute_correlation(v, atoms, max_lag);
    ASSERT_EQ(r.vacf.size(), brute.size()) << frames;
    for (size_t t = 0; t < brute.size(); ++t) {
      EXPECT_NEAR(r.vacf[t], brute[t], 1e-13 * brute[0]) << frames << " frames, lag " << t;
      EXPECT_DOUBLE_EQ(r.time[t], t * 0.01);
      EXPECT_DOUBLE_EQ(r.normalised[t], r.vacf[t] / r.vacf[0]);
    }
  }
}

TEST(AnalysisVacf, BallisticFlightIsCorrelatedForever) {
  // Constant velocities: VACF(t) = <v^2> at every lag, normalised 1, and the Green-Kubo integral
  // over lags 0..L is <v^2> L dt / 3.
  const int atoms = 30, max_lag = 63;
  std::mt19937_64 rng(4);
  std::uniform_real_distribution<double> u(-2.0, 2.0);
  std::vector<double> v(3 * atoms);
  for (double& x : v) x = u(rng);
  double v2 = 0;
  for (double x : v) v2 += x * x / atoms;
  const VacfResult r = run_vacf(Frames(500, v), settings(atoms, 0.04, max_lag, 2));
  ASSERT_EQ(r.normalised.size(), 64u);
  for (int t = 0; t <= max_lag; ++t) {
    EXPECT_NEAR(r.vacf[t], v2, 1e-13 * v2) << t;
    EXPECT_NEAR(r.normalised[t], 1.0, 1e-13) << t;
  }
  EXPECT_NEAR(r.diffusion, v2 * max_lag * 0.04 / 3.0, 1e-12 * v2);
  // 500 frames: 7 full windows of 64 and the 8th partial; windows 0..5 are followed by a full one.
  EXPECT_EQ(r.blocks, 3);
  EXPECT_NEAR(r.diffusion_error, 0.0, 1e-12 * r.diffusion);
}

TEST(AnalysisVacf, RandomWalkVelocitiesGiveItsDiffusionCoefficient) {
  // Displacement velocities of a random walk are uncorrelated from one frame to the next:
  // C(0) = 6 D / dt, C(t > 0) = 0, and the trapezoid gives (dt / 3) C(0) / 2 = D.
  const double d = 0.0025, dt = 0.04;
  const Frames v = test::velocities_of(test::random_walk(300, 3001, d, dt, 8), dt);
  const VacfResult r = run_vacf(v, settings(300, dt, 24, 10));
  EXPECT_NEAR(r.vacf[0], 6 * d / dt, 0.02 * 6 * d / dt);
  for (size_t t = 1; t < r.normalised.size(); ++t) EXPECT_NEAR(r.normalised[t], 0.0, 0.01) << t;
  EXPECT_EQ(r.blocks, 11);  // 3000 frames: 120 windows of 25, the last without a successor
  EXPECT_LT(std::fabs(r.diffusion - d), 4 * r.diffusion_error);
  EXPECT_LT(r.diffusion_error, 0.05 * d);
}

TEST(AnalysisVacf, HarmonicOscillatorsGiveACosineAndASpectralLineAtTheirFrequency) {
  // x = A cos(w t + phi) with random A and phi per coordinate: v = -A w sin(w t + phi), and over
  // whole periods <v(s) v(s + t)> is proportional to cos(w t).
  const int atoms = 100, frames = 4000;
  const double nu = 1.25, omega = 2 * M_PI * nu, dt = 0.02;  // THz, rad/ps, ps: 40 frames per period
  std::mt19937_64 rng(12);
  std::uniform_real_distribution<double> amp(0.5, 1.5), phase(0, 2 * M_PI);
  std::vector<double> a(3 * atoms), phi(3 * atoms);
  for (int c = 0; c < 3 * atoms; ++c) a[c] = amp(rng), phi[c] = phase(rng);
  Frames v(frames, std::vector<double>(3 * atoms));
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < 3 * atoms; ++c) v[f][c] = -a[c] * omega * std::sin(omega * f * dt + phi[c]);
  const VacfResult r = run_vacf(v, settings(atoms, dt, 200, 0));
  for (size_t t = 0; t < r.normalised.size(); ++t)
    EXPECT_NEAR(r.normalised[t], std::cos(omega * t * dt), 5e-3) << t;
  EXPECT_NEAR(first_zero(r.time, r.normalised).x, 0.25 / nu, 1e-3);
  const CurvePoint lowest = first_minimum(r.time, r.normalised);
  EXPECT_NEAR(lowest.x, 0.5 / nu, 1e-3);
  EXPECT_NEAR(lowest.y, -1.0, 5e-3);
  const Spectrum s = vacf_spectrum(r.normalised, dt, 0.01, 500);
  EXPECT_NEAR(main_peak(s.frequency, s.density).x, nu, 0.01);
}

TEST(AnalysisVacf, FinishIsFinal) {
  const Frames v = test::velocities_of(test::random_walk(3, 40, 0.1, 0.1, 1), 0.1);
  VacfAccumulator acc;
  std::string problem;
  ASSERT_TRUE(vacf_start(acc, settings(3, 0.1, 9, 1), &problem));
  for (const auto& f : v) vacf_add_frame(acc, f.data());
  const VacfResult first = vacf_finish(acc);
  vacf_add_frame(acc, v[0].data());
  const VacfResult& again = vacf_finish(acc);
  EXPECT_EQ(again.vacf, first.vacf);
  EXPECT_EQ(acc.frames, 39);
  VacfAccumulator empty;
  ASSERT_TRUE(vacf_start(empty, settings(3, 0.1, 9, 1), &problem));
  EXPECT_TRUE(vacf_finish(empty).vacf.empty());
  EXPECT_TRUE(std::isnan(vacf_finish(empty).diffusion));
}

TEST(AnalysisVacf, RejectsSettingsThatMakeNoSense) {
  VacfAccumulator acc;
  std::string problem;
  EXPECT_TRUE(vacf_start(acc, settings(2, 0.1, 1, 0), &problem));
  const double inf = std::numeric_limits<double>::infinity();
  VacfAccumulator refused;
  EXPECT_FALSE(vacf_start(refused, settings(0, 0.1, 10, 1), &problem));
  vacf_add_frame(refused, nullptr);  // not started: the frame is not even looked at
  EXPECT_TRUE(vacf_finish(refused).vacf.empty());
  EXPECT_TRUE(std::isnan(vacf_finish(refused).diffusion));
  for (VacfSettings bad : {settings(0, 0.1, 10, 1), settings(2, 0.0, 10, 1), settings(2, inf, 10, 1),
                           settings(2, 0.1, 0, 1), settings(2, 0.1, 10, -1)}) {
    problem.clear();
    EXPECT_FALSE(vacf_start(acc, bad, &problem));
    EXPECT_FALSE(problem.empty());
  }
}

}  // namespace
}  // namespace pelzak::analysis

// Shear viscosity by Green-Kubo on a stress whose autocorrelation is known, its units, and its line.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "pelzak/analysis/correlations_summary.hpp"
#include "pelzak/analysis/viscosity.hpp"
#include "pelzak_model.h"

namespace pelzak::analysis {
namespace {

TEST(AnalysisViscosity, OrnsteinUhlenbeckStressGivesItsIntegral) {
  // Each component an Ornstein-Uhlenbeck process of spread s and correlation time tau, sampled every
  // dt: <P(0) P(n dt)> = s^2 a^n, a = exp(-dt / tau), so eta = V / (kB T) times the trapezoid sum
  // dt s^2 (1/2 + a + ... + a^(L-1) + a^L / 2) to the last lag L, times 1e-9 for mPa s.
  const double dt = 0.01, tau = 0.2, spread = 2e6, volume = 4.2e-26, temperature = 94.4;
  const int lags = 200, frames = 100000;
  ViscosityAccumulator acc;
  std::string problem;
  ASSERT_TRUE(viscosity_start(acc, {dt, lags, 50}, &problem)) << problem;
  std::mt19937_64 rng(17);
  std::normal_distribution<double> noise(0.0, 1.0);
  const double a = std::exp(-dt / tau), kick = spread * std::sqrt(1.0 - a * a);
  double stress[3] = {spread * noise(rng), spread * noise(rng), spread * noise(rng)};
  for (int f = 0; f < frames; ++f) {
    viscosity_add_frame(acc, stress, volume, temperature);
    for (double& p : stress) p = a * p + kick * noise(rng);
  }
  const ViscosityResult r = viscosity_finish(acc);
  double sum = 0.5 * (1.0 + std::pow(a, lags));
  for (int n = 1; n < lags; ++n) sum += std::pow(a, n);
  const double expected = volume / (model::boltzmann * temperature) * dt * spread * spread * sum * 1e-9;
  ASSERT_EQ(r.time.size(), static_cast<size_t>(lags + 1));
  EXPECT_NEAR(r.acf[0], spread * spread, 0.05 * spread * spread);
  EXPECT_NEAR(r.viscosity, expected, 4.0 * r.viscosity_error);
  EXPECT_LT(r.viscosity_error, 0.1 * expected);
  EXPECT_GT(r.viscosity_error, 0.005 * expected);
  EXPECT_EQ(r.blocks, frames / ((lags + 1) * 50));
  EXPECT_NEAR(r.running.back(), r.viscosity, 1e-12 * r.viscosity);
  // sigma^2 / sqrt(m eps) = (0.34e-9 m)^2 / sqrt(6.6335e-26 kg 1.657e-21 J) = 11026 per Pa s.
  EXPECT_NEAR(r.reduced / r.viscosity, 11.026, 0.001);
  EXPECT_NEAR(r.reduced_error / r.viscosity_error, 11.026, 0.001);
}

TEST(AnalysisViscosity, RefusesSettingsAndReportsItsLine) {
  ViscosityAccumulator acc;
  std::string problem;
  EXPECT_FALSE(viscosity_start(acc, {0.0, 10, 0}, &problem));
  EXPECT_EQ(problem, "the viscosity needs a positive time between frames");
  EXPECT_FALSE(viscosity_start(acc, {0.01, 0, 0}, &problem));
  EXPECT_TRUE(viscosity_finish(acc).time.empty());
  ViscosityResult r;
  r.time = {0.0, 1.0, 2.0};
  r.viscosity = 0.2824;
  r.viscosity_error = 0.0101;
  r.reduced = 3.115;
  r.reduced_error = 0.111;
  EXPECT_EQ(viscosity_line(r), "viscosity: 0.282 +- 0.010 mPa s (eta* = 3.12 +- 0.11), Green-Kubo to 2 ps\n");
}

}  // namespace
}  // namespace pelzak::analysis

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"
#include "pelzak/analysis/curve_features.hpp"
#include "pelzak/analysis/line_fit.hpp"
#include "pelzak/analysis/spectrum.hpp"

namespace pelzak::analysis {
namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

std::vector<double> grid(int n, double step) {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = i * step;
  return x;
}

TEST(AnalysisFeatures, ZeroCrossingAndMinimumOfAKnownCurve) {
  // y = (x - 0.33)(x - 0.9) is negative between its roots and lowest at 0.615 (value -0.081225);
  // a parabola, so the three-point vertex is exact up to rounding.
  const std::vector<double> x = grid(60, 0.02);
  std::vector<double> y;
  for (double t : x) y.push_back((t - 0.33) * (t - 0.9));
  EXPECT_NEAR(first_zero(x, y).x, 0.33, 2e-3);  // linear interpolation of a curved function
  const CurvePoint m = first_minimum(x, y);
  EXPECT_NEAR(m.x, 0.615, 1e-12);
  EXPECT_NEAR(m.y, -0.081225, 1e-12);
  // Only the first dip counts: a deeper one after the curve comes back up is ignored.
  std::vector<double> twice = y;
  for (size_t i = 50; i < twice.size(); ++i) twice[i] = -5.0;
  EXPECT_NEAR(first_minimum(x, twice).x, 0.615, 1e-12);
}

TEST(AnalysisFeatures, CurvesWithoutTheFeatureGiveNan) {
  const std::vector<double> x = grid(5, 1.0);
  const std::vector<double> falling = {1.0, 0.5, 0.25, 0.125, 0.0625};
  EXPECT_TRUE(std::isnan(first_zero(x, falling).x));
  EXPECT_TRUE(std::isnan(first_minimum(x, falling).x));
  EXPECT_TRUE(std::isnan(main_peak(x, falling).x));
  EXPECT_TRUE(std::isnan(highest_point(x, falling, 5, 1).x));
  EXPECT_TRUE(std::isnan(first_zero({}, {}).x));
  // Starting at or below zero is not a crossing.
  EXPECT_TRUE(std::isnan(first_zero(x, {0.0, -1.0, -2.0, -1.0, -0.5}).x));
  EXPECT_DOUBLE_EQ(first_zero(x, {1.0, 0.0, -1.0, 0.5, 0.0}).x, 1.0);
}

TEST(AnalysisFeatures, PeaksSkipTheStartAndRefineTheVertex) {
  const std::vector<double> x = grid(7, 0.5);
  // Highest at x[0], but the main peak is the local maximum at x[4], refined through x[3..5].
  const std::vector<double> y = {9.0, 5.0, 2.0, 3.0, 4.0, 3.5, 1.0};
  const double offset = 0.5 * (3.0 - 3.5) / (3.0 - 8.0 + 3.5);
  const CurvePoint p = main_peak(x, y);
  EXPECT_DOUBLE_EQ(p.x, 2.0 + offset * 0.5);
  EXPECT_DOUBLE_EQ(p.y, 4.0 - 0.25 * (3.0 - 3.5) * offset);
  // From index 1 the highest sample is y[1], on a slope rather than a summit: taken as it is.
  EXPECT_DOUBLE_EQ(highest_point(x, y, 1, 1).x, 0.5);
  EXPECT_DOUBLE_EQ(highest_point(x, y, 1, 3).y, 5.0);
  EXPECT_DOUBLE_EQ(highest_point(x, y, 2, 1).x, p.x);
  // A NaN at the start of the search does not hide the rest.
  EXPECT_DOUBLE_EQ(highest_point(x, {0.0, not_a_number, 1.0, 2.0, 3.0, 4.0, 5.0}, 1, 2).x, 3.0);
}

TEST(AnalysisFeatures, WideParabolaFitSteadiesANoisyFlatPeak) {
  // y = 1 - (x - 2.03)^2 on a grid of 0.1 with a zig-zag of +-0.004 on top: the highest sample and
  // its three-point vertex are pulled by the noise, the least-squares parabola over +-1 is not.
  const std::vector<double> x = grid(50, 0.1);
  std::vector<double> clean, noisy;
  for (int i = 0; i < 50; ++i) {
    clean.push_back(1.0 - (x[i] - 2.03) * (x[i] - 2.03));
    noisy.push_back(clean.back() + (i % 2 ? 0.004 : -0.004));
  }
  for (int w : {1, 4, 10}) {
    EXPECT_NEAR(highest_point(x, clean, 1, w).x, 2.03, 1e-12) << w;
    EXPECT_NEAR(highest_point(x, clean, 1, w).y, 1.0, 1e-12) << w;
  }
  EXPECT_GT(std::fabs(highest_point(x, noisy, 1, 1).x - 2.03), 0.02);
  EXPECT_NEAR(highest_point(x, noisy, 1, 10).x, 2.03, 0.005);
  // Near the end of the curve the window is cut short, and a rising edge is no summit.
  EXPECT_NEAR(highest_point(x, clean, 19, 10).x, 2.03, 1e-12);
  EXPECT_DOUBLE_EQ(highest_point(x, clean, 25, 10).x, x[25]);
}

TEST(AnalysisFeatures, ExponentialDecayHasATaperedLorentzianSpectrumOfUnitArea) {
  // psi = exp(-t / tau) has L(w) = integral_0^inf psi cos(w t) dt = tau / (1 + (w tau)^2). The taper
  // (1 + cos(pi t / T)) / 2 turns that into (L(w) + (L(w + pi/T) + L(w - pi/T)) / 2) / 2 (psi has
  // vanished by T), and G = 4 times it.
  const double tau = 0.2, dt = 0.002, T = 10.0;
  std::vector<double> psi;
  for (int t = 0; t <= 5000; ++t) psi.push_back(std::exp(-t * dt / tau));
  const Spectrum s = vacf_spectrum(psi, dt, 0.05, 2001);
  ASSERT_EQ(s.frequency.size(), 2001u);
  EXPECT_DOUBLE_EQ(s.frequency[3], 3 * 0.05);
  auto lorentz = [&](double w) { return tau / (1 + w * w * tau * tau); };
  for (int j : {0, 5, 20, 100}) {
    const double w = 2 * M_PI * s.frequency[j], shift = M_PI / T;
    const double expected = 2 * (lorentz(w) + 0.5 * (lorentz(w + shift) + lorentz(w - shift)));
    EXPECT_NEAR(s.density[j], expected, 2e-5) << j;
  }
  double area = 0;
  for (size_t j = 0; j + 1 < s.density.size(); ++j) area += 0.05 * 0.5 * (s.density[j] + s.density[j + 1]);
  EXPECT_NEAR(area, 1.0, 0.01);  // the Lorentzian's tail beyond 100 THz is 0.3 %
  EXPECT_EQ(vacf_spectrum({1.0}, dt, 0.1, 3).density, std::vector<double>(3, 0.0));
  EXPECT_EQ(vacf_spectrum({}, dt, 0.1, 2).frequency, (std::vector<double>{0.0, 0.1}));
}

TEST(AnalysisFeatures, LineFitOnAnExactLineAndItsFailures) {
  std::vector<double> y;
  for (int i = 3; i < 13; ++i) y.push_back(0.25 * i * 0.5 - 1.5);
  const LineFit f = fit_line(y.data(), 10, 3, 0.5);
  EXPECT_DOUBLE_EQ(f.slope, 0.25);
  EXPECT_DOUBLE_EQ(f.intercept, -1.5);
  EXPECT_TRUE(std::isnan(fit_line(y.data(), 1, 3, 0.5).slope));
  y[4] = not_a_number;
  EXPECT_TRUE(std::isnan(fit_line(y.data(), 10, 3, 0.5).slope));
}

TEST(AnalysisFeatures, BlockStandardError) {
  BlockStats s;
  EXPECT_TRUE(std::isnan(block_standard_error(s)));
  block_add(s, 1e6 + 1.0);
  EXPECT_TRUE(std::isnan(block_standard_error(s)));
  for (double v : {1e6 + 2.0, 1e6 + 3.0, 1e6 + 4.0}) block_add(s, v);
  EXPECT_EQ(s.count, 4);
  EXPECT_DOUBLE_EQ(s.mean, 1e6 + 2.5);
  EXPECT_NEAR(block_standard_error(s), std::sqrt((5.0 / 3.0) / 4.0), 1e-12);
}

}  // namespace
}  // namespace pelzak::analysis

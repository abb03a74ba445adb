// g(r) for any number of atoms in any cubic box: with 864 atoms in our box it is the library's g(r) to
// the bit, sampler, normalisation and file (through analysis's curve and table); for other boxes the
// sampler's division-free minimum image agrees with the division; an ideal gas gives the ideal-gas curve of
// the binning.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "pelzak_aux.h"
#include "support.hpp"

namespace {

namespace model = pelzak::model;
using pelzak::kernels::rdf_normalise;

// One configuration's pairs added to the histogram by the plain loop at any atom count and box: every
// pair i < j at its minimum image, r rounded to the nearest bin, 2 counted below model::bins.
void rdf_sample_any(const double* positions, long long atoms, double box, double* histogram) {
  pelzak::kernels::rdf_sample_reference(pelzak::kernels::pair_model(static_cast<int>(atoms), box, 0.0),
                                        positions, histogram);
}

// Positions axis by axis, uniform over [lo, hi) nm.
std::vector<double> random_positions(long long atoms, double lo, double hi, std::uint64_t seed) {
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> uniform(lo, hi);
  std::vector<double> p(3 * atoms);
  for (double& x : p) x = uniform(engine);
  return p;
}

// The sampler's rule written out plainly: the division and std::round of the library's reference loop.
void plain_sample(const double* p, long long atoms, double box, double* histogram) {
  const double dr = box / 400.0;
  for (long long i = 0; i < atoms - 1; ++i) {
    for (long long j = i + 1; j < atoms; ++j) {
      double d[3];
      for (int k = 0; k < 3; ++k) {
        d[k] = p[k * atoms + i] - p[k * atoms + j];
        d[k] = d[k] - box * std::round(d[k] / box);
      }
      const double bin = std::round(std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) / dr);
      if (bin <= model::bins - 1) histogram[static_cast<int>(bin)] = 2.0 + histogram[static_cast<int>(bin)];
    }
  }
}

TEST(RdfShells, WithOurBoxAndAtomsItIsTheLibrarysFileToTheByte) {
  pelzak::test::ScratchDir dir;
  // An unwrapped configuration (atoms up to two boxes out), as a run's positions are.
  std::vector<double> positions = random_positions(model::atoms, -2 * model::box, 3 * model::box, 7);
  std::vector<double> histogram(model::bins, 0.0), library(model::bins, 0.0);
  for (std::int64_t step = 1; step <= model::output_step; ++step) {
    auxiliary_radial_dist(&step, positions.data(), library.data());
    if ((step - 1) % model::sample_every == 0) {
      rdf_sample_any(positions.data(), model::atoms, model::box, histogram.data());
      for (double& x : positions) x += 0.003 * std::sin(x * 1e3);  // the next sample sees other positions
    }
  }
  ASSERT_EQ(std::memcmp(histogram.data(), library.data(), sizeof(double) * model::bins), 0);

  const auto curve = pelzak::analysis::rdf_curve(histogram.data(), model::atoms, model::box, model::samples);
  EXPECT_EQ(pelzak::analysis::rdf_table(curve), pelzak::test::read_bytes("rdf_argon.dat"));
}

TEST(RdfShells, ItsMinimumImageIsTheDivisionsForAnyBox) {
  for (const double box : {model::box, 2 * model::box, 1.0, 7.3, 0.1 * 3, 13.911440000000001}) {
    // Atoms spread over eight box sides, so separations reach past every threshold, and some far
    // beyond, which take the division.
    std::vector<double> p = random_positions(300, -4 * box, 4 * box, 11);
    p[5] = 40 * box;
    std::vector<double> fast(model::bins, 0.0), plain(model::bins, 0.0);
    rdf_sample_any(p.data(), 300, box, fast.data());
    plain_sample(p.data(), 300, box, plain.data());
    EXPECT_EQ(fast, plain) << box;
  }
  // Pairs whose distance is not finite are counted nowhere.
  std::vector<double> p = random_positions(50, 0.0, 2.0, 3);
  p[0] = std::nan("");
  p[60] = INFINITY;
  std::vector<double> h(model::bins, 0.0);
  rdf_sample_any(p.data(), 50, 2.0, h.data());
  double total = 0.0;
  for (double c : h) total += c;
  EXPECT_LE(total, 2.0 * 48 * 47 / 2);
}

// Uniform random atoms: the counts of an ideal gas. Bin k (from 0) collects the distances that round
// to k dr, between (k - 1/2) dr and (k + 1/2) dr, while its ideal-gas divisor is the shell from k dr to
// (k + 1) dr (the library's convention), and N rho counts N partners where there are N - 1; so the
// ideal gas gives g_k = (N - 1)/N ((k + 1/2)^3 - (k - 1/2)^3) / ((k + 1)^3 - k^3), which is 1 up to
// 1/k. Each bin is checked against that within four standard deviations of its count.
TEST(RdfShells, AnIdealGasGivesTheIdealGasCurveForAnyAtomCountAndBox) {
  const struct {
    long long atoms;
    double box;
    int samples;
  } cases[] = {{6912, 2 * model::box, 1}, {864, model::box, 20}, {2000, 5.0, 4}};
  for (const auto& c : cases) {
    std::vector<double> histogram(model::bins, 0.0);
    for (int s = 0; s < c.samples; ++s) {
      const auto p = random_positions(c.atoms, 0.0, c.box, 100 + s);
      rdf_sample_any(p.data(), c.atoms, c.box, histogram.data());
    }
    double label[model::bins], g[model::bins];
    rdf_normalise(histogram.data(), c.atoms, c.box, c.samples, label, g);
    const double n = static_cast<double>(c.atoms);
    double far_mean = 0.0;
    for (int k = 5; k < model::bins; ++k) {  // from 5 on every bin holds dozens of pairs
      const double lo = k - 0.5, hi = k + 0.5;
      const double expected =
          (n - 1) / n * (hi * hi * hi - lo * lo * lo) / ((k + 1.0) * (k + 1.0) * (k + 1.0) - 1.0 * k * k * k);
      const double pairs = histogram[k] / 2.0;
      ASSERT_GT(pairs, 0.0) << k;
      EXPECT_NEAR(g[k], expected, 4.0 * expected / std::sqrt(pairs)) << "atoms " << c.atoms << " bin " << k;
      if (k >= 150) far_mean += g[k] / 50.0;
    }
    EXPECT_NEAR(far_mean, 1.0, 0.01) << c.atoms;
    EXPECT_EQ(label[0], (c.box / 800.0) / model::sigma);
  }
}

}  // namespace

// The fast pair kernels against the reference loops, bit for bit, on every instruction set this
// processor runs: forces, the energy sum (also when the energy passed in is -0.0, NaN or
// infinite) and the g(r) histogram (also when it holds fractions, -0.0, NaN or huge counts).
//
// The configurations are drawn from fixed seeds, in kinds chosen to hit every branch of the
// kernels: ordinary liquids, overlapping atoms, atoms drifted by large multiples of the box
// side, pairs exactly at the cut-off and around the half-box image thresholds, coincident
// atoms, and NaN and infinite coordinates. PELZAK_CONFIGURATIONS sets how many are drawn.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "aux_test_util.hpp"
#include "image_bounds.hpp"
#include "kernels.hpp"
#include "pair_kernels.hpp"
#include "pelzak_model.h"

namespace model = pelzak::model;

using namespace pelzak::aux_test;
using pelzak::aux::Isa;

namespace {

#ifndef PELZAK_CONFIGURATIONS
#define PELZAK_CONFIGURATIONS 160
#endif

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<Isa> fast_isas() {
  std::vector<Isa> isas;
  for (Isa isa : {Isa::scalar, Isa::avx2, Isa::avx512})
    if (pelzak::aux::isa_available(isa)) isas.push_back(isa);
  return isas;
}

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// A 6 x 6 x 6 fcc lattice filling the box, each atom moved by up to `jitter` nm per axis.
Config lattice(std::mt19937_64& rng, double jitter) {
  std::uniform_real_distribution<double> shake(-jitter, jitter);
  const double cell = model::box / 6.0;
  const double basis[4][3] = {{0, 0, 0}, {0.5, 0.5, 0}, {0.5, 0, 0.5}, {0, 0.5, 0.5}};
  Config c;
  int i = 1;
  for (int a = 0; a < 6; ++a)
    for (int b = 0; b < 6; ++b)
      for (int d = 0; d < 6; ++d)
        for (const auto& site : basis) {
          at(c, i, 1) = (a + site[0]) * cell + shake(rng);
          at(c, i, 2) = (b + site[1]) * cell + shake(rng);
          at(c, i, 3) = (d + site[2]) * cell + shake(rng);
          ++i;
        }
  return c;
}

Config uniform(std::mt19937_64& rng, double lo, double hi) {
  std::uniform_real_distribution<double> u(lo, hi);
  Config c;
  for (double& v : c) v = u(rng);
  return c;
}

int random_atom(std::mt19937_64& rng) { return std::uniform_int_distribution<int>(1, model::atoms)(rng); }

// Separations that sit on the edges the kernels decide on: the cut-off, the image thresholds,
// the half box and whole boxes, each with its neighbouring doubles.
double edge_separation(std::mt19937_64& rng) {
  using namespace pelzak::aux::image;
  const double edges[] = {model::cutoff,
                          wrap_1,
                          wrap_2,
                          wrap_3,
                          wrap_limit,
                          model::box,
                          2 * model::box,
                          3 * model::box,
                          model::box - model::cutoff,
                          model::box + model::cutoff,
                          model::box / 2,
                          1.5 * model::box,
                          2.5 * model::box,
                          3.5 * model::box,
                          0.0,
                          model::bin_width * 199.5,
                          model::bin_width * 0.5};
  double d = edges[std::uniform_int_distribution<int>(0, std::size(edges) - 1)(rng)];
  const int steps = std::uniform_int_distribution<int>(-2, 2)(rng);
  for (int s = 0; s < steps; ++s) d = std::nextafter(d, kInf);
  for (int s = 0; s > steps; --s) d = std::nextafter(d, -kInf);
  return std::bernoulli_distribution(0.5)(rng) ? d : -d;
}

// Configuration number n; its kind is n % 8.
Config configuration(int n) {
  std::mt19937_64 rng(0x9e3779b97f4a7c15ULL * (n + 1));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  switch (n % 8) {
    case 0:  // a liquid-like lattice
      return lattice(rng, 0.05);
    case 1:  // uniform: overlapping atoms, huge and infinite energies
      return uniform(rng, 0.0, model::box);
    case 2: {  // never wrapped: every atom drifted by whole boxes, up to +-1000 of them
      Config c = lattice(rng, 0.08);
      std::uniform_int_distribution<int> boxes(-1000, 1000);
      for (double& v : c) v += boxes(rng) * model::box;
      return c;
    }
    case 3: {  // pairs placed on the cut-off, the image thresholds and the bin edges
      Config c = lattice(rng, 0.02);
      for (int p = 0; p < 60; ++p) {
        const int i = random_atom(rng), j = random_atom(rng);
        if (i == j) continue;
        const int axis = std::uniform_int_distribution<int>(1, 3)(rng);
        for (int k = 1; k <= 3; ++k) at(c, j, k) = at(c, i, k);
        at(c, j, axis) = at(c, i, axis) + edge_separation(rng);
      }
      return c;
    }
    case 4: {  // coincident atoms, directly and through the periodic images
      Config c = lattice(rng, 0.05);
      for (int p = 0; p < 4; ++p) {
        const int i = random_atom(rng), j = random_atom(rng);
        const double shift = std::uniform_int_distribution<int>(-3, 3)(rng) * model::box;
        for (int k = 1; k <= 3; ++k) at(c, j, k) = at(c, i, k) + (k == 1 ? shift : 0.0);
      }
      return c;
    }
    case 5: {  // NaN, infinite and -0.0 coordinates among a liquid
      Config c = lattice(rng, 0.05);
      const double odd[] = {kNaN, -kNaN, kInf, -kInf, -0.0, 0.0};
      for (int p = 0; p < 12; ++p)
        at(c, random_atom(rng), std::uniform_int_distribution<int>(1, 3)(rng)) =
            odd[std::uniform_int_distribution<int>(0, std::size(odd) - 1)(rng)];
      return c;
    }
    case 6: {  // far beyond the box: some coordinates the coarse cells cannot hold
      Config c = lattice(rng, 0.05);
      for (int p = 0; p < 8; ++p) {
        const int i = random_atom(rng);
        const double far = std::ldexp(unit(rng) + 1.0, std::uniform_int_distribution<int>(19, 80)(rng));
        for (int k = 1; k <= 3; ++k) at(c, i, k) += std::floor(far / model::box) * model::box;
      }
      return c;
    }
    default: {  // a small cloud in a corner: most pairs inside the cut-off, long candidate rows
      Config c = uniform(rng, -0.6, 0.6);
      for (int p = 0; p < 40; ++p) at(c, random_atom(rng), 1) = model::box / 2 + edge_separation(rng);
      return c;
    }
  }
}

struct Forces {
  Config forces{};
  double sum = 0.0;
};

Forces lj(Isa isa, const Config& positions, double sum_in) {
  Forces f;
  f.sum = sum_in;
  pelzak::aux::lj_pairs_on(isa, positions.data(), f.forces.data(), &f.sum);
  return f;
}

std::array<double, model::bins> rdf(Isa isa, const Config& positions,
                                    const std::array<double, model::bins>& in) {
  std::array<double, model::bins> h = in;
  pelzak::aux::rdf_sample_on(isa, positions.data(), h.data());
  return h;
}

// The first element whose bits differ, or -1.
template <class A>
int first_difference(const A& a, const A& b) {
  for (std::size_t n = 0; n < a.size(); ++n)
    if (bits(a[n]) != bits(b[n])) return static_cast<int>(n);
  return -1;
}

void expect_same_forces(Isa isa, const Config& positions, double sum_in, const std::string& what) {
  const Forces want = lj(Isa::reference, positions, sum_in);
  const Forces got = lj(isa, positions, sum_in);
  const int n = first_difference(got.forces, want.forces);
  EXPECT_EQ(n, -1) << what << " on " << pelzak::aux::isa_name(isa) << ": force element " << n << " is "
                   << (n < 0 ? 0.0 : got.forces[n]) << ", the reference gives "
                   << (n < 0 ? 0.0 : want.forces[n]);
  // One freedom: when a NaN passed in meets a NaN pair term (coincident atoms), IEEE 754 leaves
  // open which of the two NaNs the sum returns, and the reference's answer depends on which
  // operand its compiler puts first (GCC: the pair term's, clang: the one passed in). There
  // the sum need only be NaN; everywhere else its bits must agree.
  if (std::isnan(sum_in) && std::isnan(want.sum)) {
    EXPECT_TRUE(std::isnan(got.sum)) << what << " on " << pelzak::aux::isa_name(isa);
    return;
  }
  EXPECT_EQ(bits(got.sum), bits(want.sum))
      << what << " on " << pelzak::aux::isa_name(isa) << ": energy sum " << got.sum << " vs " << want.sum;
}

void expect_same_histogram(Isa isa, const Config& positions, const std::array<double, model::bins>& in,
                           const std::string& what) {
  const auto want = rdf(Isa::reference, positions, in);
  const auto got = rdf(isa, positions, in);
  const int b = first_difference(got, want);
  EXPECT_EQ(b, -1) << what << " on " << pelzak::aux::isa_name(isa) << ": bin " << b << " is "
                   << (b < 0 ? 0.0 : got[b]) << ", the reference gives " << (b < 0 ? 0.0 : want[b]);
}

}  // namespace

TEST(AuxPairKernels, ImageThresholdsAreTheFirstDoublesRoundingToTheNextImage) {
  // Re-derived with the processor's own division (volatile keeps it from being folded): T_k is
  // the first double from which round(d / L) is k.
  volatile double box = model::box;
  const auto image_count = [&](double d) { return std::round(d / box); };
  using namespace pelzak::aux::image;
  const double thresholds[] = {wrap_1, wrap_2, wrap_3, wrap_limit};
  for (int k = 1; k <= 4; ++k) {
    const double t = thresholds[k - 1];
    EXPECT_EQ(image_count(t), k) << "T_" << k;
    EXPECT_EQ(image_count(std::nextafter(t, 0.0)), k - 1) << "T_" << k;
    EXPECT_EQ(image_count(-t), -k) << "T_" << k;
    EXPECT_EQ(image_count(-std::nextafter(t, 0.0)), 1 - k) << "T_" << k;
  }
}

TEST(AuxPairKernels, ThisMachineHasAFastPathBesidesTheReference) {
  EXPECT_TRUE(pelzak::aux::isa_available(Isa::reference));
  EXPECT_TRUE(pelzak::aux::isa_available(Isa::scalar));
  for (Isa isa : fast_isas()) std::printf("testing the %s kernels\n", pelzak::aux::isa_name(isa));
}

TEST(AuxPairKernels, RandomConfigurationsGiveTheReferenceForcesAndEnergyBitForBit) {
  const double energies_in[] = {0.0, -0.0, 1.25, -3.5e-3, kNaN, -kNaN, kInf, -kInf};
  for (int n = 0; n < PELZAK_CONFIGURATIONS; ++n) {
    const Config positions = configuration(n);
    const double sum_in = energies_in[n / 8 % std::size(energies_in)];
    for (Isa isa : fast_isas())
      expect_same_forces(isa, positions, sum_in, "configuration " + std::to_string(n));
    if (HasFailure()) return;
  }
}

TEST(AuxPairKernels, RandomConfigurationsGiveTheReferenceHistogramBitForBit) {
  std::array<double, model::bins> zero{}, odd{};
  for (int b = 0; b < model::bins; ++b) {
    const double values[] = {-0.0,   0.5,  3.0,    9007199254740990.0, 9007199254740992.0, kNaN, kInf,
                             -1e300, 1e17, 2.0 * b};
    odd[b] = values[b % std::size(values)];
  }
  for (int n = 0; n < PELZAK_CONFIGURATIONS; ++n) {
    const Config positions = configuration(n);
    for (Isa isa : fast_isas())
      expect_same_histogram(isa, positions, n % 2 ? odd : zero, "configuration " + std::to_string(n));
    if (HasFailure()) return;
  }
}

TEST(AuxPairKernels, AMinusZeroEnergyWithNoPairInRangeStaysMinusZero) {
  // Adding +0.0 for out-of-range pairs would turn it into +0.0.
  Config positions = nan_config();
  at(positions, 1, 1) = at(positions, 1, 2) = at(positions, 1, 3) = 0.0;
  at(positions, 2, 1) = 1.0;
  at(positions, 2, 2) = at(positions, 2, 3) = 0.0;
  for (Isa isa : fast_isas()) {
    const Forces f = lj(isa, positions, -0.0);
    EXPECT_EQ(bits(f.sum), bits(-0.0)) << pelzak::aux::isa_name(isa);
    expect_same_forces(isa, positions, -0.0, "two atoms 1 nm apart");
  }
}

TEST(AuxPairKernels, EveryPairInRangeAndEveryAtomInOneBin) {
  // All 864 atoms at one point: every pair coincides (NaN everywhere) and lands in bin 0; then
  // all within a tiny cube: every pair inside the cut-off, rows of up to 863 candidates.
  Config same = filled(1.0);
  std::mt19937_64 rng(7);
  Config cube = uniform(rng, 1.0, 1.001);
  for (Isa isa : fast_isas()) {
    expect_same_forces(isa, same, 0.0, "coincident atoms");
    expect_same_forces(isa, cube, 0.0, "a tiny cube");
    expect_same_histogram(isa, same, {}, "coincident atoms");
    expect_same_histogram(isa, cube, {}, "a tiny cube");
  }
  const auto h = rdf(Isa::reference, same, {});
  EXPECT_EQ(h[0], 2.0 * (model::atoms * (model::atoms - 1) / 2));
}

TEST(AuxPairKernels, PelzakIsaPicksTheKernelsAndNeverChangesTheResult) {
  const char* saved = std::getenv("PELZAK_ISA");
  const std::string restore = saved ? saved : "";
  const Config positions = configuration(3);
  double want_energy = 0.0;
  Config want_forces{};
  ASSERT_EQ(setenv("PELZAK_ISA", "reference", 1), 0);
  EXPECT_EQ(pelzak::aux::selected_isa(), Isa::reference);
  auxiliary_force_atoms(positions.data(), want_forces.data(), &want_energy);
  for (const char* name : {"scalar", "avx2", "avx512", "no such thing", ""}) {
    ASSERT_EQ(setenv("PELZAK_ISA", name, 1), 0);
    const Isa isa = pelzak::aux::selected_isa();
    EXPECT_TRUE(pelzak::aux::isa_available(isa)) << name;
    if (std::string(name) == "scalar") {
      EXPECT_EQ(isa, Isa::scalar);
    }
    double energy = 0.0;
    Config forces;
    forces.fill(kNaN);
    auxiliary_force_atoms(positions.data(), forces.data(), &energy);
    EXPECT_EQ(bits(energy), bits(want_energy)) << name;
    EXPECT_EQ(first_difference(forces, want_forces), -1) << name;
  }
  // An unknown name, or none, gets the fastest kernels available.
  ASSERT_EQ(setenv("PELZAK_ISA", "no such thing", 1), 0);
  const Isa fastest = pelzak::aux::selected_isa();
  ASSERT_EQ(unsetenv("PELZAK_ISA"), 0);
  EXPECT_EQ(pelzak::aux::selected_isa(), fastest);
  EXPECT_NE(fastest, Isa::reference);
  if (saved) setenv("PELZAK_ISA", restore.c_str(), 1);
}

TEST(AuxPairKernels, AnotherRoundingModeGetsTheReferenceLoops) {
  // The fast kernels' thresholds hold for rounding to nearest; under another mode force_atoms
  // and radial_dist must still give what the plain loops give under that mode.
  const Config positions = configuration(0);
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    const Forces want = lj(Isa::reference, positions, 0.0);
    const std::array<double, model::bins> want_h = rdf(Isa::reference, positions, {});
    Forces got;
    got.sum = 0.0;
    pelzak::aux::lj_pairs(positions.data(), got.forces.data(), &got.sum);
    std::array<double, model::bins> got_h{};
    pelzak::aux::rdf_sample(positions.data(), got_h.data());
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(first_difference(got.forces, want.forces), -1) << "mode " << mode;
    EXPECT_EQ(bits(got.sum), bits(want.sum)) << "mode " << mode;
    EXPECT_EQ(first_difference(got_h, want_h), -1) << "mode " << mode;
  }
}

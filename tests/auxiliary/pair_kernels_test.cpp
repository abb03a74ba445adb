// The fast pair kernels against the reference loops, bit for bit, on every instruction set this
// processor runs: forces, the energy sum (also when the energy passed in is -0.0, NaN or
// infinite) and the g(r) histogram (also when it holds fractions, -0.0, NaN or huge counts);
// the edges a one-character slip in a kernel would move (the strict cut-off, the image
// thresholds); and which kernels a call gets. aux_pair_kernels_soak_test runs the random
// configurations by the thousand.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pair_kernels_cases.hpp"

using namespace pelzak::aux_test;
using pelzak::aux::Isa;

namespace {

// A few hundred milliseconds: every kind of configuration twenty times.
constexpr int kQuickConfigurations = 160;

}  // namespace

TEST(AuxPairKernels, ImageThresholdsAreTheFirstDoublesRoundingToTheNextImage) {
  // Re-derived with the processor's own division (volatile keeps it from being folded): T_k is
  // the first double from which round(d / L) is k.
  volatile double box = kBox;
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
  expect_random_forces_bit_for_bit(kQuickConfigurations);
}

TEST(AuxPairKernels, RandomConfigurationsGiveTheReferenceHistogramBitForBit) {
  expect_random_histograms_bit_for_bit(kQuickConfigurations);
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
  EXPECT_EQ(h[0], 2.0 * (kAtoms * (kAtoms - 1) / 2));
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
    const std::array<double, kBins> want_h = rdf(Isa::reference, positions, {});
    Forces got;
    got.sum = 0.0;
    pelzak::aux::lj_pairs(positions.data(), got.forces.data(), &got.sum);
    std::array<double, kBins> got_h{};
    pelzak::aux::rdf_sample(positions.data(), got_h.data());
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(first_difference(got.forces, want.forces), -1) << "mode " << mode;
    EXPECT_EQ(bits(got.sum), bits(want.sum)) << "mode " << mode;
    EXPECT_EQ(first_difference(got_h, want_h), -1) << "mode " << mode;
  }
}

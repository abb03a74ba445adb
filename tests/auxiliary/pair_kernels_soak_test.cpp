// The soak: the random configurations of pair_kernels_cases.hpp by the thousand, every fast
// kernel set against the reference loops bit for bit. Takes minutes, so it carries the slow label.
#include <gtest/gtest.h>

#include "pair_kernels_cases.hpp"

using namespace pelzak::aux_test;

namespace {

constexpr int kSoakConfigurations = 3000;

}  // namespace

TEST(AuxPairKernelsSoak, RandomConfigurationsGiveTheReferenceForcesAndEnergyBitForBit) {
  expect_random_forces_bit_for_bit(kSoakConfigurations);
}

TEST(AuxPairKernelsSoak, RandomConfigurationsGiveTheReferenceHistogramBitForBit) {
  expect_random_histograms_bit_for_bit(kSoakConfigurations);
}

// The soak: the random configurations of pair_loops_cases.hpp by the thousand, every fast
// kernel set against the reference loops bit for bit. Takes minutes, so it carries the slow label.
#include <gtest/gtest.h>

#include "pair_loops_cases.hpp"

using namespace pelzak::test;

namespace {

constexpr int soak_configurations = 3000;

}  // namespace

TEST(PairLoopsSoak, RandomConfigurationsGiveTheReferenceForcesAndEnergyBitForBit) {
  expect_random_forces_bit_for_bit(soak_configurations);
}

TEST(PairLoopsSoak, RandomConfigurationsGiveTheReferenceHistogramBitForBit) {
  expect_random_histograms_bit_for_bit(soak_configurations);
}

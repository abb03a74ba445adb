// What the generator prints, the library reads back as the nearest double of the printed
// decimals: the generator's fixed-point formatter against the library's real-field parser.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "round_trip.hpp"

using namespace pelzak::faults;

TEST(FieldRoundTrip, EveryValueTheGeneratorPrints) {
  // Positions in [0, 1.73893) nm print 0.000 to 1.739; velocities within 0.1402 nm/ps.
  every_text(0, 1739, 3);
  every_text(-1402, 1402, 4);
}

TEST(FieldRoundTrip, EdgeValues) {
  EXPECT_EQ(round_trip(-0.0, 3), "  -0.000");
  EXPECT_EQ(round_trip(-0.00004, 4), " -0.0000");
  EXPECT_EQ(round_trip(0.0625, 3), "   0.063");  // exact binary tie, away from zero
  EXPECT_EQ(round_trip(9999.9994, 3), "9999.999");
  EXPECT_EQ(round_trip(9999.9996, 3), "********");
  EXPECT_EQ(round_trip(-999.9996, 3), "********");
  for (double x : {5e-324, -5e-324, 1e-310, 1e300, -1e300, double{INFINITY}, -double{INFINITY}, double{NAN},
                   1.73893, 0.14017, -0.14017}) {
    round_trip(x, 3);
    round_trip(x, 4);
  }
}

TEST(FieldRoundTrip, RandomDoublesOfEveryMagnitude) {
  std::mt19937_64 rng(866);
  std::uniform_real_distribution<double> exponent(-12.0, 5.0);
  for (int n = 0; n < 400000; ++n) {
    // Half the draws spread evenly over decimal magnitudes, half arbitrary bit patterns.
    double x;
    if (n % 2 == 0) {
      x = std::pow(10.0, exponent(rng)) * (rng() % 2 ? 1.0 : -1.0);
    } else {
      const std::uint64_t b = rng();
      std::memcpy(&x, &b, sizeof x);
    }
    round_trip(x, 3);
    round_trip(x, 4);
    if (HasFailure()) return;
  }
}

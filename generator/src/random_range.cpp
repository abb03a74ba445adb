// The stream is the 32-bit Mersenne Twister of the C++ standard, which fixes its algorithm and
// output to the bit on every standard library, started from its standard seed 5489: a run without
// --seed draws the same numbers and writes the same file as every other. --seed N starts it from N
// instead, for independent replicas.
//
// Each draw keeps the top 24 bits of one 32-bit output, k in [0, 2^24), and returns k * 2^-24.
// A float carries 24 significant bits, so the value is exact, equally likely on a grid of 2^24
// points, and at most 1 - 2^-24: never 1.0.
#include "random_range.hpp"

#include <cstdint>
#include <random>

namespace pelzak::initial {

namespace {
std::mt19937 stream{default_seed};
}  // namespace

float next_uniform() {
  const std::uint32_t k = static_cast<std::uint32_t>(stream()) >> 8;
  return static_cast<float>(k) * 0x1p-24f;
}

void restart_uniform_stream(std::uint32_t seed) { stream.seed(seed); }

double random_range(double lower, double upper) {
  const double width = upper - lower;
  const double r = next_uniform();
  return r * width + lower;
}

}  // namespace pelzak::initial

// The stream is the 32-bit Mersenne Twister of the C++ standard, which fixes its algorithm and
// output to the bit on every standard library, started from its standard seed 5489 and never
// reseeded: every run draws the same numbers and writes the same file.
//
// Each draw keeps the top 24 bits of one 32-bit output, k in [0, 2^24), and returns k * 2^-24.
// A float carries 24 significant bits, so the value is exact, equally likely on a grid of 2^24
// points, and at most 1 - 2^-24: never 1.0.
#include "random_range.hpp"

#include <cstdint>
#include <random>

namespace pelzak::initial {

namespace {
constexpr std::uint_fast32_t start_seed = 5489u;
std::mt19937 stream{start_seed};
}  // namespace

float next_uniform() {
  const std::uint32_t k = static_cast<std::uint32_t>(stream()) >> 8;
  return static_cast<float>(k) * 0x1p-24f;
}

void restart_uniform_stream() { stream.seed(start_seed); }

double random_range(double lower, double upper) {
  const double width = upper - lower;
  const double r = next_uniform();
  return r * width + lower;
}

}  // namespace pelzak::initial

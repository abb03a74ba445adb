// Uniform random numbers for the starting configuration.
#pragma once

#include <cstdint>

#include "pelzak/generator/generate.hpp"

namespace pelzak::initial {

// One uniform draw from [lower, upper): the next value r of the process-wide stream, widened
// from single precision, scaled as r * (upper - lower) + lower.
double random_range(double lower, double upper);

// The next value of the process-wide stream: a single-precision number in [0, 1).
float next_uniform();

// Puts the process-wide stream at the start of the sequence of seed.
void restart_uniform_stream(std::uint32_t seed = default_seed);

}  // namespace pelzak::initial

// The generator's whole job: draw the starting velocities and positions of the argon atoms and
// write them to "ar_simulation.dat" in the working directory.
#pragma once

#include <cstdint>

namespace pelzak::initial {

// The random stream's seed of a run without --seed (the Mersenne Twister's standard one).
inline constexpr std::uint32_t default_seed = 5489u;

// Draws from the start of seed's random sequence. Returns the process exit status: 0 after a
// complete file, 1 after a reported failure.
int generate_configuration(std::uint32_t seed = default_seed);

}  // namespace pelzak::initial

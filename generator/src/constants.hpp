// The generator's own numbers. The model's (atom count, temperature, Boltzmann constant, argon mass,
// box side) come from pelzak_model.h.
#pragma once

#include "pelzak_model.h"

namespace pelzak::initial {

// m/s to nm/ps: 1 m/s = 1e9 nm / 1e12 ps = 0.001 nm/ps, as the single-precision literal 0.001f widened.
inline constexpr double speed_unit = 0.0010000000474974513;
static_assert(speed_unit == static_cast<double>(0.001f));

// Upper end of the position range, nm: half the box side (halving is exact). The start packs every
// atom into one octant of the box, which is why a driver needs a push-off phase.
inline constexpr double position_range = model::box / 2;
static_assert(position_range == 1.73893);

}  // namespace pelzak::initial

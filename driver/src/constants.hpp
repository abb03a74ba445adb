// The driver's own fixed numbers, each with its unit and origin. The model itself (potential, box,
// thermostat, time step, mass) lives in pelzak_model.h; these are the choices the driver makes on
// top of it: how hard the push-off may push, how many production steps sample g(r).
#pragma once

#include <cstdint>

#include "pelzak_model.h"

namespace pelzak::md {

// Largest displacement the push-off lets the driving term cause in one step, nm (the term enters the
// position as dt^2 * d). 0.005 nm is 1.5 % of sigma: small enough that two overlapping atoms are
// eased apart over tens of steps instead of being thrown across the box in one.
inline constexpr double push_off_max_shift = 0.005;
// The matching cap on |d| per atom, nm/ps^2, and its square for the squared-norm test.
inline constexpr double push_off_max_drive = push_off_max_shift / model::dt_sq;  // 50.00000223517426
inline constexpr double push_off_max_drive_sq = push_off_max_drive * push_off_max_drive;

// g(r) comes from the first 1000 production steps: the sampler's steps 1..1000, which end with
// "rdf_argon.dat" written. Production may run longer, for the dynamics; it cannot be shorter.
inline constexpr std::int64_t rdf_steps = model::output_step;

}  // namespace pelzak::md

// Trajectory frames of a run, "traj_argon.xyz" (pelzak/formats/trajectory.hpp): extended XYZ with
// positions, velocities and image counts, which OVITO and ASE read whole, plain XYZ readers (VMD,
// Jmol) as positions, and pelzak_lammps analyse as a run to analyse.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelzak/driver/job.hpp"
#include "pelzak/engine/system.hpp"

namespace pelzak::md {

// One frame of the system as it stands after `elapsed_steps` steps of the run, the `step`-th of
// `phase`. Positions are wrapped into the box with their image counts (the run never wraps them).
//
// The velocity is the displacement velocity of the step that led to the positions,
// u(n - 1/2) = (x(n) - x(n-1)) / dt: the leapfrog's half-step velocity, the one the atoms move with
// (thermostat included), which belongs to the time half a step before the frame's. The engine keeps
// it (System::half_step) as w + dt d, equal to the difference of the positions up to its last bit.
// No on-step velocity exists yet when the frame is written: it needs the next step's. Before the
// run's first step (the start frame) the velocities are those of the start.
std::string xyz_frame(const engine::System& s, std::string_view phase, std::int64_t step,
                      std::int64_t elapsed_steps, const Options& o);

}  // namespace pelzak::md

// Trajectory frames (trajectory.hpp) from a run's arrays, and their text.
#pragma once

#include <string>

#include "pelzak/formats/trajectory.hpp"

namespace pelzak::formats::trajectory {

// The frame of `atoms` atoms in a cubic box of side box_nm from positions (nm, unwrapped: the run
// never folds them back) and velocities (nm/ps), axis by axis. The header fields (time, step,
// phase) are left as they are. Each coordinate is taken to Angstrom, x = 10 x_nm, then split into
// i = floor(x / L) boxes and the remainder x - i L in [0, L).
void fill_frame(Frame& f, long atoms, double box_nm, const double* positions_nm,
                const double* velocities_nm_ps);

// The frame's text, count line, comment line and atom lines, each ending in a line feed, the
// numbers written by append_fixed (number_text.hpp).
std::string frame_text(const Frame& f);

}  // namespace pelzak::formats::trajectory

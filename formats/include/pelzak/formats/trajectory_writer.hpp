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

// value appended to out as std::to_chars writes it: fixed-point with `decimals` decimals (the exact
// binary value rounded to the nearest, ties to even), or the shortest text that reads back as the same
// double when decimals < 0. Independent of the locale. The numbers of a frame mostly take a
// shortcut (a frame of 864 atoms in a third of the time): the value scaled by 10^decimals is rounded to
// a whole number whose digits are the text, whenever that is provably the rounding of the exact value.
void append_fixed(std::string& out, double value, int decimals);

// The frame's text, count line, comment line and atom lines, each ending in a line feed, the
// numbers written by append_fixed.
std::string frame_text(const Frame& f);

}  // namespace pelzak::formats::trajectory

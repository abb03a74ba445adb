// pelzak_md's trajectory "traj_argon.xyz" (pelzak/formats/trajectory.hpp) as the frames of a run, so
// that pelzak_lammps analyse gives it what it gives a LAMMPS dump: g(r), MSD, VACF and D.
//
// Which frames: those of production, and the frame just before the first of them when it lies one
// frame spacing earlier (with --xyz-every 1, the positions production starts from), so that the
// MSD is that of pelzak_md's own production; a trajectory without production frames (or without
// phases) is taken whole. The positions are unwrapped, x + i L.
//
// Which velocities: a frame's velocity in the file is the displacement velocity of the step that led
// to it, (x(n) - x(n-1)) / dt. pelzak_md's own VACF takes the displacement velocity of the step out
// of each frame, u of step n + 1 with frame n. So the analysis pairs each frame with the velocities
// of the frame after it (the last frame has none): with --xyz-every 1 that is pelzak_md's pairing
// exactly, and the VACF, its spectrum and Green-Kubo D come out as pelzak_md's own; with frames
// farther apart every velocity moves by the same time, which a correlation of velocities does not see.
#pragma once

#include <string>

#include "dump_reader.hpp"

namespace pelzak::lammps {

// Reads the trajectory at path into dump (nm, nm/ps). On failure returns false with a one-line
// message naming the file, the line and the reason. *note says which frames were taken.
// options.allow_truncated drops a frame cut short, with *warning saying so.
bool read_xyz(const std::string& path, const DumpOptions& options, Dump& dump, std::string* message,
              std::string* warning, std::string* note);

}  // namespace pelzak::lammps

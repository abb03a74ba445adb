// How the atoms of a LAMMPS dump move: MSD, alpha2, VACF, its spectrum and D both ways, with the
// dynamics analysis of pelzak_analysis on the schedule pelzak_md analyses its own production with
// (pelzak/analysis/dynamics.hpp), stated in time rather than steps so that any frame spacing maps
// onto it. The VACF takes the velocities in the dump: LAMMPS writes velocity Verlet's velocities at
// the frame's positions, the velocities the atoms move with. (pelzak_md takes its displacement
// velocities instead, since the velocity array of its scheme is not one.)
//
// The frames must be evenly spaced in time. The MSD needs continuous positions (unwrapped, or wrapped
// with image flags), the VACF velocities; what a dump lacks is skipped with a note, and the rest goes on.
#pragma once

#include <string>
#include <vector>

#include "dump_reader.hpp"
#include "pelzak/analysis/dynamics.hpp"

namespace pelzak::lammps {

// The spacing of the frames in ps, or 0 if they are not evenly spaced (to 1 part in 1e6).
double frame_spacing(const Dump& dump);

// Why the plan leaves a part out, as a note for the user, or "" if it does not.
std::string skipped_note(analysis::Skipped why, double run, double spacing);

// The analysis of the dump; notes gets why a part was skipped, one line each. False with a message
// only if memory for the analysis cannot be had.
bool dump_dynamics(const Dump& dump, const std::string& subtitle, analysis::DynamicsReport& out,
                   std::vector<std::string>& notes, std::string* message);

}  // namespace pelzak::lammps

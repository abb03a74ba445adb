// How the atoms of a LAMMPS dump move: MSD, alpha2, VACF, its spectrum and D both ways, with the
// estimators of pelzak_analysis and the schedule pelzak_md analyses its own production with
// (dynamics_schedule.hpp), stated in time rather than steps so that any frame spacing maps onto it:
//
//   MSD and alpha2  frames about 0.1 ps apart (the multiple of the dump's spacing nearest to it: 0.12 ps
//                   for frames 0.04 ps apart; every frame when farther apart); lags up to half the
//                   run, at most 500 ps; time origins every 2 ps, or 1/25 of the longest lag beyond
//                   that; Einstein D from the slope over 2-10 ps (2 ps to the longest lag in shorter
//                   runs, so the run must be longer than 4 ps).
//   VACF            frames 0.04 ps apart (dumps with frames farther apart are too coarse for it), lags
//                   up to 5.08 ps (up to the length of shorter runs), from the velocities in the dump: LAMMPS
//                   writes velocity Verlet's velocities at the frame's positions, the velocities the atoms
//                   move with. (pelzak_md takes its displacement velocities instead, since the
//                   velocity array of its scheme is not one.)
//   Uncertainties   block averages over blocks of 20 ps, or 1/20 of runs beyond 400 ps.
//   Spectrum        0 to 8 THz every 0.01 THz.
//
// The frames must be evenly spaced in time. The MSD needs continuous positions (unwrapped, or wrapped
// with image flags), the VACF velocities; what a dump lacks is skipped with a note, and the rest goes on.
#pragma once

#include <string>
#include <vector>

#include "dump_reader.hpp"
#include "dynamics_schedule.hpp"

namespace pelzak::lammps {

struct DumpDynamics {
  bool msd = false;   // msd_csv holds the MSD and alpha2
  bool vacf = false;  // vacf_csv and spectrum_csv hold the VACF and its spectrum
  std::string msd_csv, vacf_csv, spectrum_csv;
  std::string plot;                // empty when neither could be computed
  std::string summary;             // the D lines and the features, one per line
  std::vector<std::string> notes;  // why a part was skipped, one line each
};

// The spacing of the frames in ps, or 0 if they are not evenly spaced (to 1 part in 1e6).
double frame_spacing(const Dump& dump);

// False with a message only if memory for the analysis cannot be had; a dump that does not allow
// a part of it gives notes instead.
bool dump_dynamics(const Dump& dump, const std::string& subtitle, DumpDynamics& out, std::string* message);

}  // namespace pelzak::lammps

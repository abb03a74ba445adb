// The schedule on which the toolkit analyses how the atoms move, and the files it writes. It is
// stated in ps, not in steps, so that pelzak_md's production (steps of 0.01 ps) and a LAMMPS dump
// (frames any multiple of a step apart) map onto the same one and give comparable curves.
#pragma once

namespace pelzak::analysis::schedule {

// MSD and alpha2: a frame every 0.1 ps, lags up to half the run and at most 500 ps.
inline constexpr double msd_frame_time = 0.1;
inline constexpr double msd_lag_cap = 500.0;
// Time origins every 2 ps, or every 1/25 of the longest lag beyond 25 x 2 ps of lags, so that a
// frame costs the same however long the run (at most 25 origins alive).
inline constexpr double origin_spacing = 2.0;
inline constexpr int origins_alive = 25;
// Einstein D from the MSD's slope over 2-10 ps: past the ballistic start and the cage, and short
// enough that many origins reach it.
inline constexpr double fit_start = 2.0;
inline constexpr double fit_end = 10.0;
// VACF: a frame every 0.04 ps (a tenth of the cage's bounce-back), lags up to 5.08 ps (127 lags:
// windows of 128 frames, transforms of 256), by when the VACF has died out.
inline constexpr double vacf_frame_time = 0.04;
inline constexpr double vacf_lag_time = 5.08;
// Uncertainties: blocks of 20 ps, twice the fit window so that neighbouring blocks share little of
// the motion, or 1/20 of runs longer than 400 ps.
inline constexpr double block_time = 20.0;
inline constexpr int blocks_in_long_runs = 20;
// Spectrum: 0 to 8 THz every 0.01 THz; liquid argon's lies below 4 THz.
inline constexpr double spectrum_step = 0.01;  // THz
inline constexpr int spectrum_points = 801;

inline constexpr char msd_file[] = "msd_argon.csv";
inline constexpr char vacf_file[] = "vacf_argon.csv";
inline constexpr char spectrum_file[] = "spectrum_argon.csv";
inline constexpr char dynamics_plot_file[] = "dynamics_argon.svg";

}  // namespace pelzak::analysis::schedule

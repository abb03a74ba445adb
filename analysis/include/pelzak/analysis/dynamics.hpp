// How the atoms of a run move, analysed the toolkit's way: the schedule of the analysis, the settings
// of the estimators that follow from it for a run's frames (one place, for pelzak_md's production and
// a LAMMPS dump alike), the frames fed to them, and what comes out (the files' text, the plot, the
// summary lines and the figures).
//
// The schedule is stated in ps, not in steps, so that pelzak_md's production (steps of 0.01 ps) and a
// LAMMPS dump (frames any multiple of a step apart) map onto the same one and give comparable curves:
//
//   MSD and alpha2  frames about 0.1 ps apart (the multiple of the frames' spacing nearest to it:
//                   every 10th of pelzak_md's steps, every 3rd of frames 0.04 ps apart; every frame
//                   when they are farther apart); lags up to half the run, at most 500 ps; time
//                   origins every 2 ps, or every 1/25 of the longest lag beyond that, so that a frame
//                   costs the same however long the run; Einstein D from the MSD's slope over 2-10 ps
//                   (2 ps to the longest lag in shorter runs, so the run must be longer than 4 ps),
//                   past the ballistic start and the cage, and short enough that many origins reach it.
//   VACF            frames 0.04 ps apart (a tenth of the cage's bounce-back; frames farther apart are
//                   too coarse), lags up to 5.08 ps (127 lags: windows of 128 frames, transforms of
//                   256), by when the VACF has died out; Green-Kubo D from its integral.
//   Uncertainties   block averages over blocks of 20 ps, twice the fit window so that neighbouring
//                   blocks share little of the motion, or 1/20 of runs longer than 400 ps.
//   Spectrum        0 to 8 THz every 0.01 THz; liquid argon's lies below 4 THz.
#pragma once

#include <string>
#include <string_view>

#include "pelzak/analysis/dynamics_features.hpp"
#include "pelzak/analysis/line_fit.hpp"
#include "pelzak/analysis/msd.hpp"
#include "pelzak/analysis/vacf.hpp"

namespace pelzak::analysis {

namespace schedule {

inline constexpr double msd_frame_time = 0.1;  // ps
inline constexpr double msd_lag_cap = 500.0;   // ps
inline constexpr double origin_spacing = 2.0;  // ps
inline constexpr int origins_alive = 25;
inline constexpr double fit_start = 2.0;         // ps
inline constexpr double fit_end = 10.0;          // ps
inline constexpr double vacf_frame_time = 0.04;  // ps
inline constexpr double vacf_lag_time = 5.08;    // ps
inline constexpr double block_time = 20.0;       // ps
inline constexpr int blocks_in_long_runs = 20;
inline constexpr double spectrum_step = 0.01;  // THz
inline constexpr int spectrum_points = 801;

}  // namespace schedule

// Why a part of the analysis is left out.
enum class Skipped {
  no,
  wrapped_positions,  // MSD: positions folded into the box (no path to follow)
  short_for_msd_fit,  // MSD: the run is not longer than twice schedule::fit_start
  no_velocities,      // VACF: the frames carry none
  frames_far_apart,   // VACF: frames more than schedule::vacf_frame_time apart
  short_for_vacf,     // VACF: fewer than two lags
};

// The analysis of a run of `frames` frames `spacing` ps apart (evenly): which frames each estimator
// takes (every stride-th from the first) and its settings.
struct DynamicsPlan {
  double run = 0.0;                   // ps from the first frame to the last
  Skipped msd_skipped = Skipped::no;  // MSD, alpha2 and Einstein D
  long long msd_stride = 1;
  MsdSettings msd_settings;
  Skipped vacf_skipped = Skipped::no;  // VACF, its spectrum and Green-Kubo D
  long long vacf_stride = 1;
  VacfSettings vacf_settings;
  bool msd() const { return msd_skipped == Skipped::no; }
  bool vacf() const { return vacf_skipped == Skipped::no; }
};

// continuous: the positions are unwrapped (the MSD needs the path each atom took); velocities: the
// frames carry velocities (the VACF needs them).
DynamicsPlan plan_dynamics(double spacing, long long frames, int atoms, bool continuous, bool velocities);

// The estimators of a planned analysis, fed frame by frame.
struct Dynamics {
  DynamicsPlan plan;
  MsdAccumulator msd;
  VacfAccumulator vacf;
};

// Prepares the estimators of the plan's parts; false, with the reason, if it cannot (memory).
bool dynamics_start(Dynamics& d, const DynamicsPlan& plan, std::string* problem);

// Whether frame k (from 0) is one the MSD or the VACF takes.
bool takes_positions(const Dynamics& d, long long k);
bool takes_velocities(const Dynamics& d, long long k);

// Frame k (from 0): positions (unwrapped) or velocities of all atoms, axis by axis. A frame the plan
// does not take is ignored.
void add_positions(Dynamics& d, long long k, const double* positions);
void add_velocities(Dynamics& d, long long k, const double* velocities);

// What a run's dynamics come to. Parts left out have empty text (and NaN figures).
struct DynamicsReport {
  bool msd = false;   // msd_csv holds the MSD and alpha2
  bool vacf = false;  // vacf_csv and spectrum_csv hold the VACF and its spectrum
  std::string msd_csv, vacf_csv, spectrum_csv;
  std::string plot;     // "dynamics_argon.svg"; empty when neither part was analysed
  std::string summary;  // D both ways, VACF zero and minimum, alpha2 peak, spectrum peak
  // The summary's figures as numbers, for callers that want them unrounded.
  LineFit msd_fit{no_value, no_value};  // MSD ~ slope * t + intercept, nm^2/ps and nm^2
  double fit_start = no_value;          // the fit window, ps
  double fit_end = no_value;
  double diffusion_einstein = no_value;        // nm^2/ps, from the MSD's slope
  double diffusion_einstein_error = no_value;  // standard error from the blocks
  double diffusion_green_kubo = no_value;      // nm^2/ps, from the VACF's integral
  double diffusion_green_kubo_error = no_value;
  DynamicsFeatures features;
};

// After the last frame. subtitle describes the run in the plot.
DynamicsReport dynamics_report(Dynamics& d, std::string_view subtitle);

}  // namespace pelzak::analysis

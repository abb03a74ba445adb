// How the atoms move during production: the driver's side of the dynamics analysis. It decides
// which positions and velocities the estimators of pelzak_analysis see and how often, and turns
// their results into "msd_argon.csv", "vacf_argon.csv", "spectrum_argon.csv" and
// "dynamics_argon.svg" and the summary lines.
//
// Frames (steps counted from 1 in production, x(n) the positions after step n, x(0) those
// production starts from):
//   MSD and alpha2  x(0), x(10), x(20), ...: every 0.1 ps, unwrapped as they are (the library
//                   never folds positions back into the box). Lags up to half the production, at
//                   most 500 ps; time origins every 2 ps, or every 1/25 of the longest lag in runs
//                   longer than 100 ps, so that a frame always costs the same. D from the slope over
//                   2-10 ps (shorter productions: 2 ps to the longest lag), where the MSD is linear.
//   VACF            the displacement velocity u = (x(n) - x(n-1)) / dt of steps 1, 5, 9, ...:
//                   every 0.04 ps, lags up to 5.08 ps. u is the half-step velocity of the leapfrog the
//                   driver's scheme implements (u(n+1) = s u(n) + dt a), the velocity the atoms
//                   really move with, rescaling included, and its sum over the steps is exactly
//                   their displacement, so the Green-Kubo and Einstein values measure one motion.
//                   The velocity array the library returns is not that: it is the rescaled
//                   w + (dt/2) d, which trails u by about a step and carries part of the driving term.
//   Uncertainties   block averages over blocks of 20 ps (or 1/20 of productions beyond 400 ps):
//                   twice the fit window, so that neighbouring blocks share little of the motion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dynamics_report.hpp"
#include "dynamics_schedule.hpp"
#include "msd.hpp"
#include "vacf.hpp"

namespace pelzak::md {

struct Dynamics {
  analysis::MsdAccumulator msd;
  analysis::VacfAccumulator vacf;
  std::vector<double> before;    // x(n-1) of a step whose displacement velocity is a VACF frame
  std::vector<double> velocity;  // that velocity
};

// Prepares the analysis of a production of `steps` steps, before the run (so that a run that
// cannot have its memory stops before it starts). False, with the reason, if it cannot.
bool dynamics_start(Dynamics& d, std::int64_t steps, std::string* problem);

// Around production step n (from 1): before the library's step with x(n-1), and after it with x(n).
void dynamics_before_step(Dynamics& d, std::int64_t n, const double* positions);
void dynamics_after_step(Dynamics& d, std::int64_t n, const double* positions);

struct DynamicsReport {
  std::string msd_csv;
  std::string vacf_csv;
  std::string spectrum_csv;
  std::string plot;
  std::string summary;  // D both ways, VACF zero and minimum, alpha2 peak, spectrum peak
  // The summary's figures as numbers, for callers of the job that want them unrounded.
  analysis::LineFit msd_fit;  // MSD ~ slope * t + intercept, nm^2/ps and nm^2
  double fit_start = 0.0;     // the fit window, ps
  double fit_end = 0.0;
  double diffusion_einstein = 0.0;        // nm^2/ps, from the MSD's slope
  double diffusion_einstein_error = 0.0;  // standard error from the blocks; NaN with fewer than two
  double diffusion_green_kubo = 0.0;      // nm^2/ps, from the VACF's integral
  double diffusion_green_kubo_error = 0.0;
  analysis::DynamicsFeatures features;
};

// After the last step. subtitle describes the run in the plot.
DynamicsReport dynamics_finish(Dynamics& d, const std::string& subtitle);

}  // namespace pelzak::md

// How the atoms move during production: the driver's side of the dynamics analysis of
// pelzak_analysis (pelzak/analysis/dynamics.hpp, which plans it for frames 0.01 ps apart), that is,
// which positions and velocities the estimators see.
//
// Frames (steps counted from 1 in production, x(n) the positions after step n, x(0) those
// production starts from):
//   MSD and alpha2  the positions x(0), x(1), ..., as they are (the library never folds positions
//                   back into the box): the plan takes every 10th, 0.1 ps apart.
//   VACF            the displacement velocity u = (x(n) - x(n-1)) / dt of step n, as frame n - 1:
//                   the plan takes those of steps 1, 5, 9, ..., 0.04 ps apart. u is the half-step
//                   velocity of the leapfrog the driver's scheme implements (u(n+1) = s u(n) + dt a),
//                   the velocity the atoms really move with, rescaling included, and its sum over the
//                   steps is exactly their displacement, so the Green-Kubo and Einstein values
//                   measure one motion. The velocity array the library returns is not that: it is
//                   the rescaled w + (dt/2) d, which trails u by about a step and carries part of the
//                   driving term.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pelzak/analysis/dynamics.hpp"

namespace pelzak::md {

struct Dynamics {
  analysis::Dynamics analysis;
  double dt = 0.0;               // ps
  std::vector<double> before;    // x(n-1) of a step whose displacement velocity is a VACF frame
  std::vector<double> velocity;  // that velocity
};

// Prepares the analysis of a production of `steps` steps, before the run (so that a run that
// cannot have its memory stops before it starts). False, with the reason, if it cannot.
bool dynamics_start(Dynamics& d, std::int64_t steps, long atoms, double dt, std::string* problem);

// Around production step n (from 1): before the library's step with x(n-1), and after it with x(n).
void dynamics_before_step(Dynamics& d, std::int64_t n, const double* positions);
void dynamics_after_step(Dynamics& d, std::int64_t n, const double* positions);

}  // namespace pelzak::md

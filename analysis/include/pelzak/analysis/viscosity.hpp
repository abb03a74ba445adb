// Shear viscosity by Green-Kubo: eta = V / (kB T) integral_0^t_max <P_ab(0) P_ab(t)> dt, with P_ab the
// off-diagonal components of the pressure tensor (kinetic part plus virial), averaged over the three
// of them (xy, xz, yz: in an isotropic liquid each is a shear stress with the same autocorrelation).
//
// The autocorrelation is the VACF's (vacf.hpp) with the three components as the "velocities" of one
// "atom": every frame is a time origin, windows of max_lag + 1 frames are transformed once, and the
// correlation sums are exact to rounding; its Green-Kubo integral (1/3) integral sum_ab <P_ab P_ab> dt
// is precisely the average over the components that eta needs, and its blocks give eta's uncertainty.
// Memory: three series of two windows, about 9 (max_lag + 1) doubles, whatever the length of the run.
//
// t_max = max_lag * frame_time. The stress autocorrelation of liquid argon near its triple point falls
// to a few per cent of its start within about 1 ps and is lost in the noise by 2 ps, while the noise of
// the integral keeps growing as sqrt(t_max): viscosity_default_lag_time below stops at 2 ps.
// V / (kB T) is taken with the averages of V and T over the frames (in the toolkit's rescaled NVT run
// they barely move).
#pragma once

#include <string>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"
#include "pelzak/analysis/vacf.hpp"

namespace pelzak::analysis {

// The plateau time, ps.
inline constexpr double viscosity_default_lag_time = 2.0;

struct ViscositySettings {
  double frame_time = 0.0;    // ps between consecutive frames
  int max_lag = 0;            // t_max in frames (at least 1)
  int windows_per_block = 0;  // windows of max_lag + 1 frames per statistics block; 0: no uncertainty
};

struct ViscosityAccumulator {
  VacfAccumulator correlation;   // of (P_xy, P_xz, P_yz)
  double volume_sum = 0.0;       // m^3
  double temperature_sum = 0.0;  // K
};

// Checks the settings; false, with the reason in *problem, if they make no sense.
bool viscosity_start(ViscosityAccumulator& acc, const ViscositySettings& settings, std::string* problem);

// Adds the next frame: stress = {P_xy, P_xz, P_yz} in Pa, the volume in m^3 and the temperature in K.
void viscosity_add_frame(ViscosityAccumulator& acc, const double* stress, double volume, double temperature);

struct ViscosityResult {
  std::vector<double> time;           // ps, lags 0 .. max_lag
  std::vector<double> acf;            // <P_ab(0) P_ab(t)>, Pa^2, averaged over the three components
  std::vector<double> running;        // eta(t): the integral up to t (trapezoid rule), mPa s
  double viscosity = no_value;        // eta at t_max, mPa s
  double viscosity_error = no_value;  // standard error from the blocks; NaN with fewer than two
  double reduced = no_value;          // eta* = eta sigma^2 / sqrt(m eps)
  double reduced_error = no_value;
  long long blocks = 0;  // complete blocks
};

// Correlates what is pending and returns the result (later calls return the same).
ViscosityResult viscosity_finish(ViscosityAccumulator& acc);

}  // namespace pelzak::analysis

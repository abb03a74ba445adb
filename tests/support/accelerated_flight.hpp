// A trajectory whose dynamics are known exactly, for checking the dynamics analysis's settings
// through its results: every atom flies with a constant acceleration, x(t) = x0 + v t + c t^2 on
// each axis. The motion is not the same from every time origin, so the MSD depends on which origins
// it averages over; it is not linear in t, so Einstein D, from its slope, depends on the fit window;
// and the velocity grows with t, so the Green-Kubo integral of its correlation depends on the frame
// time. Origins spaced differently, a fit window moved or an integral taken with the wrong step each
// change a result checked against brute-force sums written here from the schedule in ps.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "pelzak/analysis/dynamics.hpp"
#include "support.hpp"

namespace pelzak::test {

using Frames = std::vector<std::vector<double>>;  // frame by frame, atom positions axis by axis

// Positions of `atoms` atoms at time t (ps), in nm: atom i starts 0.01 i nm along every axis.
inline std::vector<double> flight_positions(int atoms, double t) {
  constexpr double v[3] = {0.3, -0.2, 0.1};      // nm/ps
  constexpr double c[3] = {0.03, 0.02, -0.015};  // nm/ps^2, half the acceleration
  std::vector<double> x(3 * atoms);
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < atoms; ++i) x[k * atoms + i] = 0.01 * i + v[k] * t + c[k] * (t * t);
  return x;
}

// What the analysis must find, by direct sums.
struct ExpectedDynamics {
  std::vector<double> msd;  // per lag of the MSD frames
  double einstein;          // nm^2/ps: the least-squares slope of the MSD over the fit window, / 6
  double green_kubo;        // nm^2/ps: (1/3) trapezoid integral of <v(0) . v(t)> over the lags
};

// positions: the MSD's frames, msd_frame_time apart; origins every origin_every of them, lags up to
// max_lag, the fit over lags fit_first .. fit_last. velocities: the VACF's frames, vacf_frame_time
// apart, every one an origin, lags up to vacf_lags.
inline ExpectedDynamics expected_dynamics(const Frames& positions, int origin_every, int max_lag,
                                          int fit_first, int fit_last, double msd_frame_time,
                                          const Frames& velocities, int vacf_lags, double vacf_frame_time) {
  ExpectedDynamics e{};
  const int frames = static_cast<int>(positions.size());
  const std::size_t n = positions[0].size();
  for (int lag = 0; lag <= max_lag && lag < frames; ++lag) {
    long double sum = 0;
    long long count = 0;
    for (int o = 0; o + lag < frames; o += origin_every, ++count)
      for (std::size_t c = 0; c < n; ++c) {
        const long double d = static_cast<long double>(positions[o + lag][c]) - positions[o][c];
        sum += d * d;
      }
    e.msd.push_back(static_cast<double>(sum / (count * (n / 3.0L))));
  }
  long double st = 0, sy = 0, stt = 0, sty = 0;
  const int points = fit_last - fit_first + 1;
  for (int lag = fit_first; lag <= fit_last; ++lag) {
    const long double t = lag * static_cast<long double>(msd_frame_time);
    st += t, sy += e.msd[lag], stt += t * t, sty += t * e.msd[lag];
  }
  e.einstein = static_cast<double>((points * sty - st * sy) / (points * stt - st * st) / 6);
  long double integral = 0;
  const int vframes = static_cast<int>(velocities.size());
  for (int lag = 0; lag <= vacf_lags; ++lag) {
    long double sum = 0;
    for (int s = 0; s + lag < vframes; ++s)
      for (std::size_t c = 0; c < n; ++c)
        sum += static_cast<long double>(velocities[s][c]) * velocities[s + lag][c];
    const long double correlation = sum / ((vframes - lag) * (n / 3.0L));
    integral += (lag == 0 || lag == vacf_lags ? 0.5L : 1.0L) * correlation;
  }
  e.green_kubo = static_cast<double>(integral * vacf_frame_time / 3);
  return e;
}

// The MSD at every lag (from the CSV text, as written), Einstein D and Green-Kubo D of a report
// against the sums.
inline void expect_dynamics(const analysis::DynamicsReport& r, const ExpectedDynamics& e) {
  const std::vector<double> msd = csv_column(r.msd_csv, 1);
  ASSERT_EQ(msd.size(), e.msd.size());
  for (std::size_t lag = 1; lag < msd.size(); ++lag)
    EXPECT_NEAR(msd[lag], e.msd[lag], 1e-12 * e.msd[lag]) << lag;
  EXPECT_NEAR(r.diffusion_einstein, e.einstein, 1e-9 * e.einstein);
  EXPECT_NEAR(r.diffusion_green_kubo, e.green_kubo, 1e-9 * e.green_kubo);
}

}  // namespace pelzak::test

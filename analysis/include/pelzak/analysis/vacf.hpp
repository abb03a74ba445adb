// Velocity autocorrelation function C(t) = <v(t0) . v(t0 + t)>, averaged over all atoms and over
// every frame as a time origin, and the self-diffusion coefficient from it (Green-Kubo:
// D = (1/3) integral of C dt).
//
// The frames arrive in windows of M = max_lag + 1. Every pair of frames (s, s + t) with t < M has
// s in some window w and s + t in w or w + 1, so the correlation sums of window w are, per
// coordinate, the first M terms of the circular correlation of w (zero-padded to 2M) with the
// 2M frames of w followed by w + 1. With X_w the transform of window w padded to 2M, the transform
// of "w followed by w + 1" is X_w + (-1)^k X_(w+1) (a shift by M in a period of 2M), so each window
// is transformed once, and the products of all coordinates are summed before the one inverse
// transform per window. Cost per frame and coordinate: one real FFT of 2M points per M frames, that
// is O(log M) -- against O(M / origin spacing) for direct sums -- and every frame is an origin.
// Memory: the current window and the transforms of the previous one, about 3 * 3N * M doubles.
//
// The transforms are FFTW's, planned with FFTW_ESTIMATE (no timing, so the plan and hence the
// rounding are the same on every run on a machine).
//
// Statistical uncertainty by block averages: windows_per_block consecutive windows form a block,
// each complete block gives its own Green-Kubo D, and their scatter is the uncertainty.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"

namespace pelzak::analysis {

struct VacfSettings {
  int atoms = 0;              // N
  double frame_time = 0.0;    // time between consecutive frames
  int max_lag = 0;            // longest lag, in frames (at least 1); windows hold max_lag + 1 frames
  int windows_per_block = 0;  // windows per statistics block; 0: no uncertainty
};

struct VacfResult {
  std::vector<double> time;           // lag * frame_time
  std::vector<double> vacf;           // <v(0) . v(t)>, in the squared velocity unit of the frames
  std::vector<double> normalised;     // vacf / vacf[0]
  double diffusion = no_value;        // (1/3) trapezoid integral of vacf over all lags
  double diffusion_error = no_value;  // standard error from the blocks; NaN with fewer than two
  long long blocks = 0;               // complete blocks
  double error_needs = no_value;      // time of frames two complete blocks take (NaN without blocks)
};

struct VacfTransforms;  // FFTW plans and buffers, released with the accumulator

struct VacfAccumulator {
  VacfSettings settings;
  int window = 0;                        // M = max_lag + 1
  long long frames = 0;                  // frames added so far
  int filled = 0;                        // frames in the current window
  std::vector<double> current;           // 3N x M, coordinate by coordinate: the current window
  bool have_previous = false;            // previous_spectra holds the transforms of the previous window
  std::vector<double> previous_spectra;  // 3N x (M + 1) complex values (re, im)
  std::vector<double> sum;               // per lag: correlation summed over coordinates and origins
  std::vector<double> block_sum;         // the same for the open block
  int block_windows = 0;                 // complete windows in the open block
  BlockStats diffusion_blocks;           // Green-Kubo D of every complete block
  bool finished = false;
  VacfResult result;  // filled by vacf_finish
  std::unique_ptr<VacfTransforms> transforms;

  VacfAccumulator();
  ~VacfAccumulator();
  VacfAccumulator(VacfAccumulator&&) noexcept;
  VacfAccumulator& operator=(VacfAccumulator&&) noexcept;
};

// Checks the settings and plans the transforms; false, with the reason in *problem, if the settings
// make no sense or FFTW cannot plan (out of memory).
bool vacf_start(VacfAccumulator& acc, const VacfSettings& settings, std::string* problem);

// Adds the next frame: 3N velocities, all x, then all y, then all z. Ignored after vacf_finish.
void vacf_add_frame(VacfAccumulator& acc, const double* velocities);

// Correlates what is still pending (the last, possibly partial, window) and returns the result;
// later calls return the same result. Lag t is averaged over the frames - t origins that have it.
const VacfResult& vacf_finish(VacfAccumulator& acc);

}  // namespace pelzak::analysis

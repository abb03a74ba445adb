// Mean-square displacement MSD(t) = <|r(t0 + t) - r(t0)|^2> and the non-Gaussian parameter
// alpha2(t) = 3 <|dr|^4> / (5 <|dr|^2>^2) - 1, averaged over all atoms and over time origins t0,
// and the self-diffusion coefficient from the slope of the MSD (Einstein: MSD -> 6 D t).
//
// Direct sums over a ring of origin frames: each frame is compared with every origin of the last
// max_lag frames, so memory is (max_lag / origin_every + 1) frames and the cost per frame is
// proportional to max_lag / origin_every, whatever the length of the run. The sums are exact
// differences of positions (no cancellation at short lags, unlike a transform of the positions
// themselves), which alpha2 needs: its fourth moments at short lags are tiny differences.
//
// Statistical uncertainty by block averages: the origins are grouped into blocks of
// origins_per_block; once every origin of a block has reached the end of the fit window, the block's
// own MSD gives its own D, and the scatter of those D is the uncertainty of the whole run's D.
#pragma once

#include <string>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"
#include "pelzak/analysis/line_fit.hpp"

namespace pelzak::analysis {

struct MsdSettings {
  int atoms = 0;              // N
  double frame_time = 0.0;    // time between consecutive frames
  int max_lag = 0;            // longest lag, in frames (at least 1)
  int origin_every = 1;       // a time origin every this many frames (at least 1)
  int origins_per_block = 0;  // time origins per statistics block; 0: no uncertainty
  int fit_first = 0;          // the MSD's linear part, as lags in frames: the fit runs over
  int fit_last = 0;           // fit_first .. fit_last (inclusive, fit_first < fit_last <= max_lag)
};

struct MsdAccumulator {
  MsdSettings settings;
  long long frames = 0;                   // frames added so far
  int slots = 0;                          // origins alive at once: max_lag / origin_every + 1
  std::vector<double> origin_positions;   // slots x 3N: the frames still serving as origins
  std::vector<long long> origin_frame;    // frame number held by each slot, -1 when free
  std::vector<double> sum_r2;             // per lag: sum over origins of sum over atoms of |dr|^2
  std::vector<double> sum_r4;             // the same for |dr|^4
  std::vector<long long> origins_at_lag;  // per lag: origins that reached it
  int block_slots = 0;                    // statistics blocks open at once
  std::vector<double> block_r2;           // block_slots x (max_lag + 1): sum_r2 of each open block
  std::vector<int> block_finished;        // origins of each open block whose window is complete
  BlockStats diffusion_blocks;            // D of every complete block
};

// Checks the settings and prepares the sums; false, with the reason in *problem, if they make no
// sense (no atoms, a frame time that is not positive and finite, a fit window outside 1..max_lag).
bool msd_start(MsdAccumulator& acc, const MsdSettings& settings, std::string* problem);

// Adds the next frame: 3N unwrapped positions, all x, then all y, then all z. Ignored by an
// accumulator that was not started (or whose settings were refused).
void msd_add_frame(MsdAccumulator& acc, const double* positions);

struct MsdResult {
  std::vector<double> time;           // lag * frame_time, for every lag that some origin reached
  std::vector<double> msd;            // <|dr|^2>
  std::vector<double> alpha2;         // 0 at lag 0, where displacements vanish (its limit for t -> 0)
  LineFit fit;                        // msd ~ slope * t + intercept over the fit window; NaN if not reached
  double fit_start = 0.0;             // the fit window, fit_first * frame_time ..
  double fit_end = 0.0;               // .. fit_last * frame_time
  double diffusion = no_value;        // slope / 6
  double diffusion_error = no_value;  // standard error from the blocks; NaN with fewer than two
  long long blocks = 0;               // complete blocks
  // Time of frames two complete blocks with the whole fit window take (the dynamics plan knows it).
  double error_needs = no_value;
};

MsdResult msd_result(const MsdAccumulator& acc);

// Sums over atoms of |r - r0|^2 and |r - r0|^4 for two frames of `atoms` atoms (axis by axis).
// Atom i is added to lane i % 8 in ascending order, and the eight lanes are combined pairwise:
// a fixed order, so the result is the same on every machine, that the compiler can vectorise.
void displacement_moments(const double* r, const double* r0, int atoms, double* sum2, double* sum4);

}  // namespace pelzak::analysis

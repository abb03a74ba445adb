// How far single atoms get: the van Hove self function and the self intermediate scattering function.
//
//   G_s(r, t)  4 pi r^2 G_s(r, t) dr is the probability that an atom is between r and r + dr from where
//              it was a time t before: the distribution of the length of its displacement, of unit
//              area. Compared with the Gaussian of the same mean-square displacement <dr^2>,
//              4 pi r^2 (3 / (2 pi <dr^2>))^(3/2) exp(-3 r^2 / (2 <dr^2>)), which it would be if the
//              atoms diffused freely at every time scale; in a liquid it is not, most clearly at a
//              few ps, when some atoms are still caged and others have jumped.
//   F_s(k, t)  <exp(i k . dr)>, what incoherent neutron scattering measures at wave number k. In an
//              isotropic liquid its average over directions is exactly <sin(k |dr|) / (k |dr|)>, which
//              is what is summed here: no sampling of directions. It falls from 1 at t = 0; its
//              relaxation time is where it reaches 1/e.
//
// Both from direct sums against a ring of origin frames, like the MSD: each frame is compared with every
// origin of the last max_lag frames, so memory is (max_lag / origin_every + 1) frames plus the sums
// (lags x wave numbers for F_s, lags x bins for G_s), whatever the length of the run. Per frame and
// live origin the work is N square roots, N * (wave numbers) sines and N histogram counts. Positions
// must be unwrapped (see unwrap.hpp).
//
// The departure from the Gaussian is measured as the largest gap between the two cumulative
// distributions of |dr|, max_r |P(|dr| < r) - P_gauss(|dr| < r)| (the Kolmogorov distance), taken at
// the bin edges. Bounded by 1, it is 0 for Gaussian displacements whatever their MSD, and it does
// not depend on the bins: the alternatives do. The L1 distance between the two binned densities
// gathers the counting noise of every bin, a floor that grows as sqrt(bins / samples) and so with t,
// as the distribution spreads over more bins; the excess of the tail beyond some multiple of the
// spread hangs on that arbitrary multiple and on the rarest displacements. The Kolmogorov distance's
// own noise is about 1/sqrt(samples), the same at every lag.
//
// The relaxation times get their uncertainty from blocks of origins_per_block consecutive origins, as
// the MSD does: each complete block gives its own F_s curves and their 1/e times.
#pragma once

#include <string>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"
#include "pelzak/analysis/curve_features.hpp"

namespace pelzak::analysis {

struct SelfMotionSettings {
  int atoms = 0;                     // N
  double frame_time = 0.0;           // time between consecutive frames
  int max_lag = 0;                   // longest lag, in frames (at least 1)
  int origin_every = 1;              // a time origin every this many frames (at least 1)
  int origins_per_block = 0;         // time origins per statistics block; 0: no uncertainty
  std::vector<double> wave_numbers;  // k for F_s, in inverse units of the positions; may be empty
  double bin_width = 0.0;            // G_s histogram: bins of this width from r = 0,
  int bins = 0;                      // this many (0: no G_s); longer displacements are counted apart
  double peak_half_width = 0.0;      // the largest departure's parabola spans this much time on either
                                     // side of the highest lag (at least the two neighbours): the
                                     // departure has a broad, flat top, like alpha2
};

struct SelfMotionAccumulator {
  SelfMotionSettings settings;
  long long frames = 0;                       // frames added so far
  int slots = 0;                              // origins alive at once: max_lag / origin_every + 1
  int padded = 0;                             // N rounded up to whole summation lanes
  std::vector<double> origin_positions;       // slots x 3 x padded: the frames still serving as origins
  std::vector<long long> origin_frame;        // frame number held by each slot, -1 when free
  std::vector<double> current;                // 3 x padded: the frame being added
  std::vector<double> distance;               // padded: |dr| of each atom from the origin in hand
  std::vector<long long> origins_at_lag;      // per lag: origins that reached it
  std::vector<double> sum_r2;                 // per lag: sum over origins and atoms of |dr|^2
  std::vector<double> sum_fs;                 // wave numbers x lags: sum of sin(k |dr|) / (k |dr|)
  std::vector<long long> histogram;           // lags x (bins + 1): |dr| per bin, the last beyond them
  int block_slots = 0;                        // statistics blocks open at once
  std::vector<double> block_fs;               // block_slots x wave numbers x lags: sum_fs of each open block
  std::vector<int> block_finished;            // origins of each open block that reached max_lag
  std::vector<BlockStats> relaxation_blocks;  // per wave number: the 1/e time of every complete block
};

// Checks the settings and prepares the sums; false, with the reason in *problem, if they make no
// sense (no atoms, a frame time or wave number that is not positive and finite, no lags, a bin
// width that is not positive and finite while bins are asked for).
bool self_motion_start(SelfMotionAccumulator& acc, const SelfMotionSettings& settings, std::string* problem);

// Adds the next frame: 3N unwrapped positions, all x, then all y, then all z. Ignored by an
// accumulator that was not started (or whose settings were refused).
void self_motion_add_frame(SelfMotionAccumulator& acc, const double* positions);

struct SelfMotionResult {
  double frame_time = 0.0;
  std::vector<double> time;                // lag * frame_time, for every lag that some origin reached
  std::vector<double> msd;                 // <|dr|^2> over the same origins and atoms
  std::vector<double> wave_numbers;        // as given
  std::vector<std::vector<double>> fs;     // [k][lag]: F_s, exactly 1 at lag 0
  std::vector<double> relaxation;          // [k]: where F_s first falls to 1/e (linear between lags);
                                           // NaN if it stays above within the lags
  std::vector<double> relaxation_error;    // [k]: standard error from the blocks; NaN with fewer than two
  long long blocks = 0;                    // complete blocks
  double bin_width = 0.0;                  // G_s bin b spans b * bin_width .. (b + 1) * bin_width
  std::vector<std::vector<double>> gs;     // [lag][bin]: 4 pi r^2 G_s, averaged over the bin (per length)
  std::vector<std::vector<double>> gauss;  // [lag][bin]: the Gaussian of the same MSD, averaged over the bin
  std::vector<double> departure;           // [lag]: the largest gap between the cumulative distributions
  CurvePoint largest_departure;            // time and size of departure's highest point (least-squares
                                           // parabola, see peak_half_width); NaN without G_s
};

SelfMotionResult self_motion_result(const SelfMotionAccumulator& acc);

// P(|dr| < r) for Gaussian displacements of mean square msd: the chi distribution with three degrees of
// freedom, erf(u / sqrt 2) - sqrt(2 / pi) u exp(-u^2 / 2) with u = r / sqrt(msd / 3); 1 for r > 0 when
// msd is 0 (no motion).
double gaussian_displacement_cdf(double r, double msd);

}  // namespace pelzak::analysis

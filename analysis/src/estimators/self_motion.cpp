#include "pelzak/analysis/self_motion.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "estimators/lanes.hpp"
#include "estimators/sine.hpp"

namespace pelzak::analysis {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
// 1/e, correctly rounded: the level at which F_s counts as relaxed.
constexpr double inverse_e = 0x1.78b56362cef38p-2;
// sqrt(2 / pi), the Gaussian's prefactor in the cumulative distribution below.
constexpr double sqrt_two_over_pi = std::numbers::sqrt2 * std::numbers::inv_sqrtpi;

// Where fs[0 .. count) first falls from above 1/e to 1/e or below, linear between the two lags around
// it, as a time; NaN if it never does.
double relaxation_time(const double* fs, int count, double frame_time) {
  for (int lag = 1; lag < count; ++lag) {
    if (fs[lag - 1] > inverse_e && fs[lag] <= inverse_e) {
      const double fraction = (fs[lag - 1] - inverse_e) / (fs[lag - 1] - fs[lag]);
      return ((lag - 1) + fraction) * frame_time;
    }
  }
  return nan;
}

// An origin of `block` has reached max_lag; when all of the block's have, its F_s curves are complete
// and give the block's relaxation times.
void origin_finished(SelfMotionAccumulator& acc, long long block) {
  const SelfMotionSettings& s = acc.settings;
  const int slot = static_cast<int>(block % acc.block_slots);
  if (++acc.block_finished[slot] < s.origins_per_block) return;
  const int lags = s.max_lag + 1;
  const int waves = static_cast<int>(s.wave_numbers.size());
  const double pairs = static_cast<double>(s.atoms) * s.origins_per_block;
  std::vector<double> curve(lags);
  for (int k = 0; k < waves; ++k) {
    double* sums = acc.block_fs.data() + (static_cast<size_t>(slot) * waves + k) * lags;
    for (int lag = 0; lag < lags; ++lag) curve[lag] = sums[lag] / pairs;
    block_add(acc.relaxation_blocks[k], relaxation_time(curve.data(), lags, s.frame_time));
    std::fill(sums, sums + lags, 0.0);
  }
  acc.block_finished[slot] = 0;
}

// The current frame against the origin in `slot`, at `lag`: |dr|^2, the F_s terms and the G_s counts,
// each atom sum in the fixed lanes. block: the origin's statistics block, or -1.
void add_displacements(SelfMotionAccumulator& acc, int slot, int lag, long long block) {
  const SelfMotionSettings& s = acc.settings;
  const int p = acc.padded;
  const double* r = acc.current.data();
  const double* r0 = acc.origin_positions.data() + static_cast<size_t>(slot) * 3 * p;
  double* distance = acc.distance.data();

  Lanes r2_lanes = {};
  for (int i = 0; i < p; i += lane_count) {
    Lanes x, y, z, x0, y0, z0;
    load_lanes(r + i, &x);
    load_lanes(r + p + i, &y);
    load_lanes(r + 2 * p + i, &z);
    load_lanes(r0 + i, &x0);
    load_lanes(r0 + p + i, &y0);
    load_lanes(r0 + 2 * p + i, &z0);
    const Lanes delx = x - x0, dely = y - y0, delz = z - z0;
    const Lanes rsq = delx * delx + dely * dely + delz * delz;
    r2_lanes += rsq;
    for (int l = 0; l < lane_count; ++l) distance[i + l] = std::sqrt(rsq[l]);
  }
  acc.sum_r2[lag] += lane_total(r2_lanes);

  // The padding atoms sit still (|dr| = 0, whose sinc is 1): the last group's weights leave them out.
  Lanes tail;
  for (int l = 0; l < lane_count; ++l) tail[l] = (p - lane_count + l < s.atoms) ? 1.0 : 0.0;
  const int lags = s.max_lag + 1;
  const int waves = static_cast<int>(s.wave_numbers.size());
  for (int k = 0; k < waves; ++k) {
    const double wave = s.wave_numbers[k];
    Lanes fs_lanes = {};
    for (int i = 0; i < p; i += lane_count) {
      Lanes d, term;
      load_lanes(distance + i, &d);
      sinc(d * wave, &term);
      if (i + lane_count == p) term *= tail;
      fs_lanes += term;
    }
    const double fs = lane_total(fs_lanes);
    acc.sum_fs[static_cast<size_t>(k) * lags + lag] += fs;
    if (block >= 0) acc.block_fs[((block % acc.block_slots) * waves + k) * lags + lag] += fs;
  }

  if (s.bins == 0) return;
  long long* counts = acc.histogram.data() + static_cast<size_t>(lag) * (s.bins + 1);
  for (int i = 0; i < s.atoms; ++i) {
    const double q = distance[i] / s.bin_width;
    ++counts[q < s.bins ? static_cast<int>(q) : s.bins];  // beyond the bins, or not a number
  }
}

}  // namespace

bool self_motion_start(SelfMotionAccumulator& acc, const SelfMotionSettings& s, std::string* problem) {
  acc = SelfMotionAccumulator{};  // refused settings leave an accumulator that takes no frames
  if (s.atoms < 1) return *problem = "the self motion needs at least one atom", false;
  if (!(s.frame_time > 0.0) || !std::isfinite(s.frame_time))
    return *problem = "the time between frames must be positive", false;
  if (s.max_lag < 1 || s.origin_every < 1 || s.origins_per_block < 0)
    return *problem = "the self motion needs a longest lag and an origin interval of at least one frame",
           false;
  for (double k : s.wave_numbers)
    if (!(k > 0.0) || !std::isfinite(k)) return *problem = "the wave numbers of F_s must be positive", false;
  if (s.bins < 0 || (s.bins > 0 && (!(s.bin_width > 0.0) || !std::isfinite(s.bin_width))))
    return *problem = "the G_s histogram needs a positive bin width", false;
  if (!(s.peak_half_width >= 0.0))
    return *problem = "the departure's peak needs a half width of at least 0", false;
  acc.settings = s;
  const size_t lags = static_cast<size_t>(s.max_lag) + 1;
  const size_t waves = s.wave_numbers.size();
  acc.slots = s.max_lag / s.origin_every + 1;
  acc.padded = padded_count(s.atoms);
  acc.origin_positions.assign(static_cast<size_t>(acc.slots) * 3 * acc.padded, 0.0);
  acc.origin_frame.assign(acc.slots, -1);
  acc.current.assign(3 * static_cast<size_t>(acc.padded), 0.0);
  acc.distance.assign(acc.padded, 0.0);
  acc.origins_at_lag.assign(lags, 0);
  acc.sum_r2.assign(lags, 0.0);
  acc.sum_fs.assign(waves * lags, 0.0);
  acc.histogram.assign(s.bins > 0 ? lags * (s.bins + 1) : 0, 0);
  if (s.origins_per_block > 0) {
    // Block b holds the origins of frames b*K*o .. (b+1)*K*o - o and is done max_lag frames after its
    // last one, by when at most max_lag / (K*o) + 1 later blocks have opened.
    acc.block_slots = s.max_lag / (s.origins_per_block * s.origin_every) + 2;
    acc.block_fs.assign(acc.block_slots * waves * lags, 0.0);
    acc.block_finished.assign(acc.block_slots, 0);
    acc.relaxation_blocks.assign(waves, BlockStats{});
  }
  return true;
}

void self_motion_add_frame(SelfMotionAccumulator& acc, const double* positions) {
  if (acc.slots == 0) return;  // not started, or its settings were refused
  const SelfMotionSettings& s = acc.settings;
  const int p = acc.padded;
  for (int axis = 0; axis < 3; ++axis)
    std::copy(positions + axis * s.atoms, positions + (axis + 1) * s.atoms, acc.current.begin() + axis * p);
  const long long now = acc.frames++;
  if (now % s.origin_every == 0) {
    // A new origin: its slot was freed when the origin max_lag / origin_every + 1 before it ended.
    const int slot = static_cast<int>((now / s.origin_every) % acc.slots);
    std::copy(acc.current.begin(), acc.current.end(), acc.origin_positions.begin() + slot * 3 * p);
    acc.origin_frame[slot] = now;
  }
  for (int slot = 0; slot < acc.slots; ++slot) {
    const long long origin = acc.origin_frame[slot];
    if (origin < 0) continue;
    const int lag = static_cast<int>(now - origin);
    const long long block = acc.block_slots > 0 ? (origin / s.origin_every) / s.origins_per_block : -1;
    add_displacements(acc, slot, lag, block);
    ++acc.origins_at_lag[lag];
    if (lag == s.max_lag) {
      if (block >= 0) origin_finished(acc, block);
      acc.origin_frame[slot] = -1;
    }
  }
}

double gaussian_displacement_cdf(double r, double msd) {
  if (msd == 0.0) return r > 0.0 ? 1.0 : 0.0;
  const double u = r / std::sqrt(msd / 3.0);
  return std::erf(u / std::numbers::sqrt2) - sqrt_two_over_pi * u * std::exp(-0.5 * (u * u));
}

SelfMotionResult self_motion_result(const SelfMotionAccumulator& acc) {
  const SelfMotionSettings& s = acc.settings;
  SelfMotionResult r;
  r.frame_time = s.frame_time;
  r.wave_numbers = s.wave_numbers;
  r.bin_width = s.bin_width;
  const int waves = static_cast<int>(s.wave_numbers.size());
  const int lags = s.max_lag + 1;
  int reached = 0;
  while (reached < static_cast<int>(acc.origins_at_lag.size()) && acc.origins_at_lag[reached] > 0) ++reached;
  r.fs.assign(waves, {});
  for (int lag = 0; lag < reached; ++lag) {
    const double pairs = static_cast<double>(s.atoms) * static_cast<double>(acc.origins_at_lag[lag]);
    r.time.push_back(lag * s.frame_time);
    r.msd.push_back(acc.sum_r2[lag] / pairs);
    for (int k = 0; k < waves; ++k)
      r.fs[k].push_back(acc.sum_fs[static_cast<size_t>(k) * lags + lag] / pairs);
  }
  for (int k = 0; k < waves; ++k) {
    r.relaxation.push_back(relaxation_time(r.fs[k].data(), reached, s.frame_time));
    r.relaxation_error.push_back(acc.block_slots > 0 ? block_standard_error(acc.relaxation_blocks[k]) : nan);
  }
  if (acc.block_slots > 0 && waves > 0) r.blocks = acc.relaxation_blocks[0].count;

  r.largest_departure = {nan, nan};
  if (s.bins == 0) return r;
  const double w = s.bin_width;
  for (int lag = 0; lag < reached; ++lag) {
    const long long* counts = acc.histogram.data() + static_cast<size_t>(lag) * (s.bins + 1);
    const double total = static_cast<double>(s.atoms) * static_cast<double>(acc.origins_at_lag[lag]);
    std::vector<double> gs(s.bins), gauss(s.bins);
    double below = 0.0, cdf_before = 0.0, gap = 0.0;
    for (int b = 0; b < s.bins; ++b) {
      const double cdf = gaussian_displacement_cdf((b + 1) * w, r.msd[lag]);
      gs[b] = static_cast<double>(counts[b]) / total / w;
      gauss[b] = (cdf - cdf_before) / w;
      below += static_cast<double>(counts[b]);  // whole numbers below 2^53: exact
      const double edge_gap = std::fabs(below / total - cdf);
      if (std::isnan(edge_gap) || edge_gap > gap) gap = edge_gap;  // a NaN, once in, stays
      cdf_before = cdf;
    }
    r.gs.push_back(std::move(gs));
    r.gauss.push_back(std::move(gauss));
    r.departure.push_back(gap);
  }
  const double half = std::round(s.peak_half_width / s.frame_time);
  r.largest_departure =
      highest_point(r.time, r.departure, 1, half < 1e6 ? std::max(1, static_cast<int>(half)) : 1000000);
  return r;
}

}  // namespace pelzak::analysis

#include "pelzak/analysis/msd.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace pelzak::analysis {

namespace {

constexpr int lanes = 8;

// Eight lanes as one GCC/Clang vector: element-wise IEEE operations, each rounded on its own, which
// the compiler maps onto whatever SIMD registers the target has.
using Lanes = double __attribute__((vector_size(lanes * sizeof(double))));

// *d = a[0..7] - b[0..7] (through a pointer: a vector wider than the target's registers has no
// agreed way to be returned).
inline void difference(Lanes* d, const double* a, const double* b) {
  Lanes va, vb;
  std::memcpy(&va, a, sizeof va);
  std::memcpy(&vb, b, sizeof vb);
  *d = va - vb;
}

// The MSD of one complete block over the fit window, and its D.
double block_diffusion(const MsdAccumulator& acc, const double* block_sums) {
  const MsdSettings& s = acc.settings;
  const double pairs = static_cast<double>(s.atoms) * s.origins_per_block;
  std::vector<double> msd(s.fit_last - s.fit_first + 1);
  for (int lag = s.fit_first; lag <= s.fit_last; ++lag) msd[lag - s.fit_first] = block_sums[lag] / pairs;
  return fit_line(msd.data(), static_cast<int>(msd.size()), s.fit_first, s.frame_time).slope / 6.0;
}

// An origin of `block` has reached the end of the fit window; when all of the block's have, the
// block's MSD over the window is complete.
void origin_finished(MsdAccumulator& acc, long long block) {
  const int slot = static_cast<int>(block % acc.block_slots);
  if (++acc.block_finished[slot] < acc.settings.origins_per_block) return;
  const size_t lags = static_cast<size_t>(acc.settings.fit_last) + 1;
  double* sums = acc.block_r2.data() + slot * lags;
  block_add(acc.diffusion_blocks, block_diffusion(acc, sums));
  std::fill(sums, sums + lags, 0.0);
  acc.block_finished[slot] = 0;
}

}  // namespace

bool msd_start(MsdAccumulator& acc, const MsdSettings& s, std::string* problem) {
  acc = MsdAccumulator{};  // refused settings leave an accumulator that takes no frames
  if (s.atoms < 1) return *problem = "the MSD needs at least one atom", false;
  if (!(s.frame_time > 0.0) || !std::isfinite(s.frame_time))
    return *problem = "the time between frames must be positive", false;
  if (s.max_lag < 1 || s.origin_every < 1 || s.origins_per_block < 0)
    return *problem = "the MSD needs a longest lag and an origin interval of at least one frame", false;
  if (s.fit_first < 0 || s.fit_last <= s.fit_first || s.fit_last > s.max_lag)
    return *problem = "the MSD fit window must lie within the lags and span at least two of them", false;
  acc.settings = s;
  const size_t lags = static_cast<size_t>(s.max_lag) + 1;
  const size_t frame = 3 * static_cast<size_t>(s.atoms);
  acc.slots = s.max_lag / s.origin_every + 1;
  acc.origin_positions.assign(acc.slots * frame, 0.0);
  acc.origin_frame.assign(acc.slots, -1);
  acc.sum_r2.assign(lags, 0.0);
  acc.sum_r4.assign(lags, 0.0);
  acc.origins_at_lag.assign(lags, 0);
  if (s.origins_per_block > 0) {
    // Block b holds the origins of frames b*K*o .. (b+1)*K*o - o and is done fit_last frames after
    // its last one, by when at most fit_last / (K*o) + 1 later blocks have opened.
    acc.block_slots = s.fit_last / (s.origins_per_block * s.origin_every) + 2;
    acc.block_r2.assign(acc.block_slots * (static_cast<size_t>(s.fit_last) + 1), 0.0);
    acc.block_finished.assign(acc.block_slots, 0);
  }
  return true;
}

void msd_add_frame(MsdAccumulator& acc, const double* positions) {
  if (acc.slots == 0) return;  // not started, or its settings were refused
  const MsdSettings& s = acc.settings;
  const size_t frame = 3 * static_cast<size_t>(s.atoms);
  const long long now = acc.frames++;
  const long long origin_number = now / s.origin_every;
  if (now % s.origin_every == 0) {
    // A new origin: its slot was freed when the origin max_lag / origin_every + 1 before it ended.
    const int slot = static_cast<int>(origin_number % acc.slots);
    std::copy(positions, positions + frame, acc.origin_positions.begin() + slot * frame);
    acc.origin_frame[slot] = now;
  }
  for (int slot = 0; slot < acc.slots; ++slot) {
    const long long origin = acc.origin_frame[slot];
    if (origin < 0) continue;
    const int lag = static_cast<int>(now - origin);
    double r2 = 0.0, r4 = 0.0;
    if (lag > 0)
      displacement_moments(positions, acc.origin_positions.data() + slot * frame, s.atoms, &r2, &r4);
    acc.sum_r2[lag] += r2;
    acc.sum_r4[lag] += r4;
    ++acc.origins_at_lag[lag];
    if (acc.block_slots > 0 && lag <= s.fit_last) {
      const long long block = (origin / s.origin_every) / s.origins_per_block;
      acc.block_r2[(block % acc.block_slots) * (s.fit_last + 1) + lag] += r2;
      if (lag == s.fit_last) origin_finished(acc, block);
    }
    if (lag == s.max_lag) acc.origin_frame[slot] = -1;
  }
}

MsdResult msd_result(const MsdAccumulator& acc) {
  const MsdSettings& s = acc.settings;
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  MsdResult r;
  for (int lag = 0; lag < static_cast<int>(acc.origins_at_lag.size()) && acc.origins_at_lag[lag] > 0; ++lag) {
    const double pairs = static_cast<double>(s.atoms) * static_cast<double>(acc.origins_at_lag[lag]);
    const double m2 = acc.sum_r2[lag] / pairs;
    const double m4 = acc.sum_r4[lag] / pairs;
    r.time.push_back(lag * s.frame_time);
    r.msd.push_back(m2);
    r.alpha2.push_back(lag == 0 ? 0.0 : 3.0 * m4 / (5.0 * (m2 * m2)) - 1.0);
  }
  const int reached = static_cast<int>(r.msd.size()) - 1;
  if (reached >= s.fit_last) {
    r.fit = fit_line(r.msd.data() + s.fit_first, s.fit_last - s.fit_first + 1, s.fit_first, s.frame_time);
  } else {
    r.fit = {nan, nan};
  }
  r.fit_start = s.fit_first * s.frame_time;
  r.fit_end = s.fit_last * s.frame_time;
  r.diffusion = r.fit.slope / 6.0;
  r.diffusion_error = block_standard_error(acc.diffusion_blocks);
  r.blocks = acc.diffusion_blocks.count;
  return r;
}

void displacement_moments(const double* r, const double* r0, int atoms, double* sum2, double* sum4) {
  const double* x = r;
  const double* y = r + atoms;
  const double* z = r + 2 * atoms;
  const double* x0 = r0;
  const double* y0 = r0 + atoms;
  const double* z0 = r0 + 2 * atoms;
  Lanes s2 = {}, s4 = {};
  int i = 0;
  for (; i + lanes <= atoms; i += lanes) {
    Lanes delx, dely, delz;
    difference(&delx, x + i, x0 + i);
    difference(&dely, y + i, y0 + i);
    difference(&delz, z + i, z0 + i);
    const Lanes rsq = delx * delx + dely * dely + delz * delz;
    s2 += rsq;
    s4 += rsq * rsq;
  }
  for (int l = 0; i < atoms; ++i, ++l) {
    const double delx = x[i] - x0[i];
    const double dely = y[i] - y0[i];
    const double delz = z[i] - z0[i];
    const double rsq = delx * delx + dely * dely + delz * delz;
    s2[l] += rsq;
    s4[l] += rsq * rsq;
  }
  *sum2 = ((s2[0] + s2[1]) + (s2[2] + s2[3])) + ((s2[4] + s2[5]) + (s2[6] + s2[7]));
  *sum4 = ((s4[0] + s4[1]) + (s4[2] + s4[3])) + ((s4[4] + s4[5]) + (s4[6] + s4[7]));
}

}  // namespace pelzak::analysis

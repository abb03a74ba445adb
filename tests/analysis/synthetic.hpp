// Synthetic trajectories with known answers, frame by frame (axis by axis, like the toolkit's
// configuration arrays), and brute-force correlation sums to compare the estimators with.
#pragma once

#include <cmath>
#include <random>
#include <vector>

namespace pelzak::analysis::test {

using Frames = std::vector<std::vector<double>>;

// Random walks: every coordinate takes independent Gaussian steps of variance 2 D dt per frame,
// so MSD(t) = 6 D t and the displacement over any lag is Gaussian (alpha2 = 0).
inline Frames random_walk(int atoms, int frames, double d, double dt, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::normal_distribution<double> step(0.0, std::sqrt(2.0 * d * dt));
  Frames out(frames, std::vector<double>(3 * atoms));
  std::uniform_real_distribution<double> start(0.0, 3.0);
  for (double& x : out[0]) x = start(rng);
  for (int f = 1; f < frames; ++f)
    for (int c = 0; c < 3 * atoms; ++c) out[f][c] = out[f - 1][c] + step(rng);
  return out;
}

// Displacement velocities (r(f + 1) - r(f)) / dt of a trajectory: one frame fewer.
inline Frames velocities_of(const Frames& r, double dt) {
  Frames v(r.size() - 1, std::vector<double>(r[0].size()));
  for (size_t f = 0; f + 1 < r.size(); ++f)
    for (size_t c = 0; c < r[0].size(); ++c) v[f][c] = (r[f + 1][c] - r[f][c]) / dt;
  return v;
}

// <a(s) . a(s + t)> over all atoms and all origins s with s + t in the run, in long double.
inline std::vector<double> brute_correlation(const Frames& a, int atoms, int max_lag) {
  std::vector<double> out;
  const int frames = static_cast<int>(a.size());
  for (int t = 0; t <= max_lag && t < frames; ++t) {
    long double sum = 0;
    for (int s = 0; s + t < frames; ++s)
      for (int c = 0; c < 3 * atoms; ++c) sum += static_cast<long double>(a[s][c]) * a[s + t][c];
    out.push_back(static_cast<double>(sum / (static_cast<long double>(atoms) * (frames - t))));
  }
  return out;
}

}  // namespace pelzak::analysis::test

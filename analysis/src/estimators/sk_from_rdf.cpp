// S(k) as the Fourier transform of g(r), the main peak of the shells, and the two routes side by side.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "estimators/lanes.hpp"
#include "estimators/sine.hpp"
#include "pelzak/analysis/structure_factor.hpp"

namespace pelzak::analysis {

namespace {
// The window of the transform is flat to this fraction of R (see structure_factor.hpp).
constexpr double taper_start = 0.7;
}  // namespace

std::vector<double> sk_from_rdf(const std::vector<double>& r, const std::vector<double>& g, double bin_width,
                                long long atoms, double density, const std::vector<double>& k) {
  const size_t bins = std::min(r.size(), g.size());
  if (bins == 0) return std::vector<double>(k.size(), no_value);
  const double range = r[bins - 1] + bin_width / 2.0;  // R
  const double prefactor = 4.0 * std::numbers::pi * density;
  const double far = 1.0 - 1.0 / static_cast<double>(atoms);  // g far away

  // w_b = r_b^2 (g_b - (N - 1)/N) W(r_b) dr, W = 1 to 0.7 R, then (1 + cos(pi (r - 0.7 R) / 0.3 R)) / 2
  // down to 0 at R, eight bins at a time.
  std::vector<double> weight(bins, 0.0);
  for (size_t b = 0; b < bins; b += lane_count) {
    Lanes phase = {}, s, c;
    for (int l = 0; l < lane_count && b + l < bins; ++l)
      phase[l] = std::max(0.0, std::numbers::pi * ((r[b + l] / range - taper_start) / (1.0 - taper_start)));
    sine_cosine(phase, &s, &c);
    for (int l = 0; l < lane_count && b + l < bins; ++l)
      weight[b + l] = ((r[b + l] * r[b + l]) * (g[b + l] - far)) * (0.5 * (1.0 + c[l])) * bin_width;
  }

  // The sum over bins, in order, for eight wave numbers at a time.
  std::vector<double> s(k.size());
  for (size_t i = 0; i < k.size(); i += lane_count) {
    Lanes wave = {}, sum = {};
    for (int l = 0; l < lane_count; ++l) wave[l] = i + l < k.size() ? k[i + l] : 0.0;
    for (size_t b = 0; b < bins; ++b) {
      Lanes term;
      sinc(wave * r[b], &term);
      sum += weight[b] * term;
    }
    for (int l = 0; l < lane_count && i + l < k.size(); ++l) s[i + l] = 1.0 + prefactor * sum[l];
  }
  return s;
}

void recentre_rdf(const std::vector<double>& g, double bin_width, std::vector<double>* r_out,
                  std::vector<double>* g_out) {
  r_out->clear();
  g_out->clear();
  auto cube = [](double x) { return x * x * x; };
  for (size_t b = 0; b < g.size(); ++b) {
    const double centre = static_cast<double>(b);
    const double divided_by = cube(centre + 1.0) - cube(centre);
    const double counted_in = cube(centre + 0.5) - cube(std::max(0.0, centre - 0.5));
    r_out->push_back(centre * bin_width);
    g_out->push_back(g[b] * (divided_by / counted_in));
  }
}

CurvePoint sk_main_peak(const std::vector<double>& k, const std::vector<double>& s) {
  const size_t n = std::min(k.size(), s.size());
  size_t best = n;
  for (size_t i = 0; i < n; ++i)
    if (!std::isnan(s[i]) && (best == n || s[i] > s[best])) best = i;
  if (best == n) return {no_value, no_value};
  if (best == 0 || best + 1 == n) return {k[best], s[best]};
  // y - y1 = b u + c u^2 in u = k - k1 through the two neighbours; the vertex is at u = -b / (2c).
  const double d0 = k[best - 1] - k[best], d2 = k[best + 1] - k[best];
  const double a0 = s[best - 1] - s[best], a2 = s[best + 1] - s[best];
  const double det = d0 * d2 * (d2 - d0);
  const double b = (a0 * (d2 * d2) - a2 * (d0 * d0)) / det;
  const double c = (d0 * a2 - d2 * a0) / det;
  if (!(c < 0.0)) return {k[best], s[best]};
  return {k[best] - b / (2.0 * c), s[best] - (b * b) / (4.0 * c)};
}

SkTable sk_table(const StructureFactor& direct, const std::vector<double>& r, const std::vector<double>& g,
                 double bin_width, long long atoms, double density, double grid_step, double k_max) {
  std::vector<double> grid;
  if (grid_step > 0.0 && k_max / grid_step < 1e6)
    for (int j = 1; j * grid_step <= k_max; ++j) grid.push_back(j * grid_step);
  const std::vector<double> at_shells = sk_from_rdf(r, g, bin_width, atoms, density, direct.k);
  const std::vector<double> on_grid = sk_from_rdf(r, g, bin_width, atoms, density, grid);
  SkTable t;
  size_t i = 0, j = 0;
  while (i < direct.k.size() || j < grid.size()) {
    if (j == grid.size() || (i < direct.k.size() && direct.k[i] <= grid[j])) {
      t.k.push_back(direct.k[i]);
      t.direct.push_back(direct.s[i]);
      t.from_rdf.push_back(at_shells[i]);
      ++i;
    } else {
      t.k.push_back(grid[j]);
      t.direct.push_back(no_value);
      t.from_rdf.push_back(on_grid[j]);
      ++j;
    }
  }
  return t;
}

}  // namespace pelzak::analysis

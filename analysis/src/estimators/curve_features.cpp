#include "pelzak/analysis/curve_features.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelzak::analysis {

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// Vertex of the parabola through (x[i-1], y[i-1]), (x[i], y[i]), (x[i+1], y[i+1]) on an even grid,
// when sample i is a maximum (minimum) of the three and the parabola opens downwards (upwards);
// otherwise, and at either end of the curve, the sample itself.
CurvePoint refine(const std::vector<double>& x, const std::vector<double>& y, size_t i, bool maximum) {
  if (i == 0 || i + 1 >= y.size()) return {x[i], y[i]};
  const double curvature = y[i - 1] - 2.0 * y[i] + y[i + 1];
  const bool extremum = maximum ? (curvature < 0.0 && y[i] >= y[i - 1] && y[i] >= y[i + 1])
                                : (curvature > 0.0 && y[i] <= y[i - 1] && y[i] <= y[i + 1]);
  if (!extremum) return {x[i], y[i]};
  const double offset = 0.5 * (y[i - 1] - y[i + 1]) / curvature;  // in grid steps, |offset| <= 1/2
  const double step = x[i + 1] - x[i];
  return {x[i] + offset * step, y[i] - 0.25 * (y[i - 1] - y[i + 1]) * offset};
}

// Index of the first sample at or below zero that follows a positive one; y.size() if none.
size_t first_crossing(const std::vector<double>& y) {
  for (size_t i = 1; i < y.size(); ++i)
    if (y[i - 1] > 0.0 && y[i] <= 0.0) return i;
  return y.size();
}

}  // namespace

CurvePoint first_zero(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t i = first_crossing(y);
  if (i >= y.size()) return {not_a_number, not_a_number};
  const double fraction = y[i - 1] / (y[i - 1] - y[i]);
  return {x[i - 1] + fraction * (x[i] - x[i - 1]), 0.0};
}

CurvePoint first_minimum(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t start = first_crossing(y);
  if (start >= y.size()) return {not_a_number, not_a_number};
  size_t lowest = start;
  for (size_t i = start + 1; i < y.size() && y[i] <= 0.0; ++i)
    if (y[i] < y[lowest]) lowest = i;
  return refine(x, y, lowest, false);
}

CurvePoint highest_point(const std::vector<double>& x, const std::vector<double>& y, int from,
                         int half_width) {
  if (from < 0 || static_cast<size_t>(from) >= y.size()) return {not_a_number, not_a_number};
  size_t best = from;
  for (size_t i = from + 1; i < y.size(); ++i)
    if (y[i] > y[best] || std::isnan(y[best])) best = i;
  if (best == 0 || best + 1 >= y.size() || !(y[best] >= y[best - 1] && y[best] >= y[best + 1]))
    return {x[best], y[best]};
  // y ~ a + b u + c u^2 in u = sample offset from best, over the samples within half_width of it
  // that exist and are not before `from`: the normal equations, solved by Cramer's rule.
  const long lo = std::max<long>(from, static_cast<long>(best) - std::max(half_width, 1));
  const long hi =
      std::min<long>(static_cast<long>(y.size()) - 1, static_cast<long>(best) + std::max(half_width, 1));
  double s[5] = {}, t[3] = {};
  for (long k = lo; k <= hi; ++k) {
    const double u = static_cast<double>(k - static_cast<long>(best));
    double power = 1.0;
    for (int p = 0; p < 5; ++p, power *= u) {
      s[p] += power;
      if (p < 3) t[p] += power * y[k];
    }
  }
  auto det = [](double a, double b, double c, double d, double e, double f, double g, double h, double i) {
    return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  };
  const double d = det(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
  const double b = det(s[0], t[0], s[2], s[1], t[1], s[3], s[2], t[2], s[4]) / d;
  const double c = det(s[0], s[1], t[0], s[1], s[2], t[1], s[2], s[3], t[2]) / d;
  const double a = det(t[0], s[1], s[2], t[1], s[2], s[3], t[2], s[3], s[4]) / d;
  const double u = -b / (2.0 * c);
  if (!(c < 0.0) || !(u >= static_cast<double>(lo) - best) || !(u <= static_cast<double>(hi) - best))
    return {x[best], y[best]};
  return {x[best] + u * (x[best + 1] - x[best]), a + b * u + c * (u * u)};
}

CurvePoint main_peak(const std::vector<double>& x, const std::vector<double>& y) {
  size_t best = 0;
  for (size_t i = 1; i + 1 < y.size(); ++i)
    if (y[i] > y[i - 1] && y[i] >= y[i + 1] && (best == 0 || y[i] > y[best])) best = i;
  if (best == 0) return {not_a_number, not_a_number};
  return refine(x, y, best, true);
}

}  // namespace pelzak::analysis

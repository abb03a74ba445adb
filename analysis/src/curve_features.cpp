#include "curve_features.hpp"

#include <cmath>
#include <limits>

namespace pelzak::analysis {

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

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
  if (i >= y.size()) return {kNan, kNan};
  const double fraction = y[i - 1] / (y[i - 1] - y[i]);
  return {x[i - 1] + fraction * (x[i] - x[i - 1]), 0.0};
}

CurvePoint first_minimum(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t start = first_crossing(y);
  if (start >= y.size()) return {kNan, kNan};
  size_t lowest = start;
  for (size_t i = start + 1; i < y.size() && y[i] <= 0.0; ++i)
    if (y[i] < y[lowest]) lowest = i;
  return refine(x, y, lowest, false);
}

CurvePoint highest_point(const std::vector<double>& x, const std::vector<double>& y, int from) {
  if (from < 0 || static_cast<size_t>(from) >= y.size()) return {kNan, kNan};
  size_t best = from;
  for (size_t i = from + 1; i < y.size(); ++i)
    if (y[i] > y[best] || std::isnan(y[best])) best = i;
  return refine(x, y, best, true);
}

CurvePoint main_peak(const std::vector<double>& x, const std::vector<double>& y) {
  size_t best = 0;
  for (size_t i = 1; i + 1 < y.size(); ++i)
    if (y[i] > y[i - 1] && y[i] >= y[i + 1] && (best == 0 || y[i] > y[best])) best = i;
  if (best == 0) return {kNan, kNan};
  return refine(x, y, best, true);
}

}  // namespace pelzak::analysis

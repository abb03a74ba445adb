// Least-squares straight line through points on an evenly spaced grid.
#pragma once

#include <limits>

namespace pelzak::analysis {

struct LineFit {
  double slope = std::numeric_limits<double>::quiet_NaN();
  double intercept = std::numeric_limits<double>::quiet_NaN();
};

// Fits y[i] = slope * t_i + intercept with t_i = (first + i) * step for i = 0 .. count - 1,
// unweighted. Fewer than two points, or any non-finite y, give NaN for both.
LineFit fit_line(const double* y, int count, int first, double step);

}  // namespace pelzak::analysis

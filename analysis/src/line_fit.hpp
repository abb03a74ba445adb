// Least-squares straight line through points on an evenly spaced grid.
#pragma once

namespace pelzak::analysis {

struct LineFit {
  double slope;
  double intercept;
};

// Fits y[i] = slope * t_i + intercept with t_i = (first + i) * step for i = 0 .. count - 1,
// unweighted. Fewer than two points, or any non-finite y, give NaN for both.
LineFit fit_line(const double* y, int count, int first, double step);

}  // namespace pelzak::analysis

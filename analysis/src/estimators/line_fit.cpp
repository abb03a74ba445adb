#include "pelzak/analysis/line_fit.hpp"

#include <limits>

namespace pelzak::analysis {

LineFit fit_line(const double* y, int count, int first, double step) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  if (count < 2) return {nan, nan};
  // Centred sums: the mean of t is exact on the grid, so the slope is
  // sum (t - tbar) y / sum (t - tbar)^2 without the cancellation of the raw-moment formula.
  double y_sum = 0.0;
  for (int i = 0; i < count; ++i) y_sum += y[i];
  const double y_mean = y_sum / count;
  const double t_mean = (first + 0.5 * (count - 1)) * step;
  double sty = 0.0, stt = 0.0;
  for (int i = 0; i < count; ++i) {
    const double dt = (first + i) * step - t_mean;
    sty += dt * (y[i] - y_mean);
    stt += dt * dt;
  }
  const double slope = sty / stt;
  return {slope, y_mean - slope * t_mean};
}

}  // namespace pelzak::analysis

// A panel of a stacked plot: a plotting area across the canvas with a grid, tick labels at round
// values, a heading and axis titles, and what is drawn in it (curves, marked points). The dynamics
// plot and the thermodynamics plot are stacks of these.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pelzak/analysis/curve_features.hpp"
#include "plots/svg.hpp"

namespace pelzak::analysis::svg {

// The canvas width of a stacked plot and the plotting area's edges on it.
inline constexpr double stack_width = 800;
inline constexpr double panel_left = 90;
inline constexpr double panel_right = 770;
inline constexpr double panel_height = 260;

// An axis from lo to hi with ticks every step, all multiples of step.
struct Axis {
  double lo;
  double hi;
  double step;
};

// The axis covering zero, at least up to floor_hi, and every finite value of the curves; 0 to 1 if
// that range is empty or too wide for a double.
Axis axis_from_zero(const std::vector<const std::vector<double>*>& curves, double floor_hi);
// The axis covering every finite value of the curves (from index `from` on), zero or not; a unit
// around the value if they are all one value.
Axis axis_around(const std::vector<const std::vector<double>*>& curves, std::size_t from = 0);

struct Panel {
  double top;
  double bottom;
  Axis x;
  Axis y;
  Area area() const { return {panel_left, panel_right, top, bottom, x.lo, x.hi, y.lo, y.hi}; }
  double px(double v) const { return area().px(v); }
  double py(double v) const { return area().py(v); }
};

// Grid, tick labels, frame, heading and axis titles.
std::string panel_frame(const Panel& p, std::string_view heading, std::string_view x_title,
                        std::string_view y_title);

// One path through the samples, broken wherever a sample is not finite.
std::string panel_curve(const Panel& p, const std::vector<double>& x, const std::vector<double>& y,
                        std::string_view style = curve_style);

// A red dot with a label to its right (or left, near the right edge); dy shifts the label down.
std::string panel_mark(const Panel& p, CurvePoint at, std::string_view label, double dy);

}  // namespace pelzak::analysis::svg

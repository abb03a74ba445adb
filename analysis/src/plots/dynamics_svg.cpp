#include "pelzak/analysis/dynamics_svg.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pelzak/analysis/number_text.hpp"
#include "pelzak/analysis/summary.hpp"
#include "plots/svg.hpp"

namespace pelzak::analysis {

namespace {

// Canvas and the three plotting areas, in SVG user units (pixels at 100 %).
constexpr double canvas_width = 800;
constexpr double canvas_height = 1190;
constexpr double area_left = 90;
constexpr double area_right = 770;
constexpr double panel_top[3] = {100, 480, 860};
constexpr double panel_height = 260;
constexpr int target_ticks = 6;

// An axis from lo to hi with ticks every step, all multiples of step.
struct Axis {
  double lo;
  double hi;
  double step;
};

// 1, 2 or 5 times a power of ten, giving about target_ticks intervals over range.
double nice_step(double range) {
  const double raw = range / target_ticks;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  return (f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0) * magnitude;
}

// The axis covering zero, at least up to floor_hi, and every finite value of the curves; 0 to 1 if
// that range is empty or too wide for a double.
Axis axis_for(const std::vector<const std::vector<double>*>& curves, double floor_hi) {
  double lo = 0.0, hi = floor_hi;
  for (const auto* c : curves)
    for (double v : *c)
      if (std::isfinite(v)) lo = std::fmin(lo, v), hi = std::fmax(hi, v);
  if (!(hi - lo > 0.0) || !std::isfinite(hi - lo)) return {0.0, 1.0, 0.2};
  const double step = nice_step(hi - lo);
  return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

int decimals_for(double step) {
  return step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

// A panel: its plotting area and the tick spacing of its axes.
struct Panel {
  double top;
  double bottom;
  Axis x;
  Axis y;
  svg::Area area() const { return {area_left, area_right, top, bottom, x.lo, x.hi, y.lo, y.hi}; }
  double px(double v) const { return area().px(v); }
  double py(double v) const { return area().py(v); }
};

using svg::line;
using svg::text;

// Grid, tick labels, frame, heading and axis titles.
std::string frame(const Panel& p, std::string_view heading, std::string_view x_title,
                  std::string_view y_title) {
  std::string svg = text(area_left, p.top - 14, "font-size=\"16\" font-weight=\"bold\"", heading);
  const int nx = static_cast<int>(std::lround((p.x.hi - p.x.lo) / p.x.step));
  const int ny = static_cast<int>(std::lround((p.y.hi - p.y.lo) / p.y.step));
  svg += "<g stroke=\"#e4e4e4\" stroke-width=\"1\">\n";
  for (int k = 1; k < nx; ++k) {
    const double x = p.px(p.x.lo + k * p.x.step);
    svg += line(x, p.top, x, p.bottom, "");
  }
  for (int k = 1; k < ny; ++k) {
    const double y = p.py(p.y.lo + k * p.y.step);
    svg += line(area_left, y, area_right, y, "");
  }
  svg += "</g>\n<g fill=\"#222222\">\n";
  for (int k = 0; k <= nx; ++k) {
    const double v = p.x.lo + k * p.x.step + 0.0;
    svg += text(p.px(v), p.bottom + 22, "text-anchor=\"middle\"", fixed(v + 0.0, decimals_for(p.x.step)));
  }
  for (int k = 0; k <= ny; ++k) {
    const double v = p.y.lo + k * p.y.step;
    svg += text(area_left - 10, p.py(v) + 5, "text-anchor=\"end\"", fixed(v + 0.0, decimals_for(p.y.step)));
  }
  svg += "</g>\n";
  svg += svg::frame(p.area());
  svg +=
      text((area_left + area_right) / 2, p.bottom + 50, "text-anchor=\"middle\" font-size=\"15\"", x_title);
  svg += "<text transform=\"translate(26 " + fixed((p.top + p.bottom) / 2, 1) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"15\">" + svg::escape(y_title) + "</text>\n";
  return svg;
}

// One path through the samples, broken wherever a sample is not finite.
std::string curve(const Panel& p, const std::vector<double>& x, const std::vector<double>& y) {
  return svg::curve(p.area(), x.data(), y.data(), std::min(x.size(), y.size()));
}

// A red dot with a label to its right (or left, near the right edge).
std::string mark(const Panel& p, CurvePoint at, std::string_view label, double dy) {
  if (!std::isfinite(at.x) || !std::isfinite(at.y)) return "";
  const double cx = p.px(at.x), cy = p.py(at.y);
  const bool left = cx > area_right - 260;
  return svg::dot(cx, cy) +
         text(left ? cx - 12 : cx + 12, cy + dy,
              std::string(left ? "text-anchor=\"end\" " : "") + "fill=\"" + svg::mark_colour + "\"", label);
}

std::string msd_panel(const MsdResult& msd, double top) {
  Panel p{top, top + panel_height, axis_for({&msd.time}, 0.0), axis_for({&msd.msd}, 0.0)};
  std::string svg = frame(p, "Mean-square displacement", "t / ps", "MSD / nm\u00b2");
  svg += curve(p, msd.time, msd.msd);
  const double slope = msd.fit.slope, intercept = msd.fit.intercept;
  if (std::isfinite(slope) && std::isfinite(intercept) && slope > 0.0) {
    // The fitted line across the plot, clipped to the frame.
    const double t0 = std::fmax(p.x.lo, (p.y.lo - intercept) / slope);
    const double t1 = std::fmin(p.x.hi, (p.y.hi - intercept) / slope);
    svg += line(
        p.px(t0), p.py(slope * t0 + intercept), p.px(t1), p.py(slope * t1 + intercept),
        "stroke=\"" + std::string(svg::mark_colour) + "\" stroke-width=\"1.5\" stroke-dasharray=\"8 5\"");
    svg += text(area_left + 14, p.top + 24, "fill=\"" + std::string(svg::mark_colour) + "\"",
                "fit " + rounded(msd.fit_start, 4) + "\u2013" + rounded(msd.fit_end, 4) +
                    " ps: D = " + fixed(msd.diffusion * diffusion_per_1e5_cm2_per_s, 2) +
                    (std::isfinite(msd.diffusion_error)
                         ? " \u00b1 " + fixed(msd.diffusion_error * diffusion_per_1e5_cm2_per_s, 2) +
                               " \u00d7 10\u207b\u2075 cm\u00b2/s"
                         : " \u00d7 10\u207b\u2075 cm\u00b2/s (" + no_error_reason(msd.error_needs) + ")"));
  }
  return svg;
}

std::string vacf_panel(const VacfResult& vacf, const DynamicsFeatures& f, double top) {
  Panel p{top, top + panel_height, axis_for({&vacf.time}, 0.0), axis_for({&vacf.normalised}, 1.0)};
  std::string svg = frame(p, "Velocity autocorrelation function", "t / ps",
                          "\u27e8v(0)\u00b7v(t)\u27e9 / \u27e8v\u00b2\u27e9");
  svg += svg::dashed_level(p.area(), 0.0, "0");
  svg += curve(p, vacf.time, vacf.normalised);
  svg += mark(p, f.vacf_zero, "first zero at " + fixed(f.vacf_zero.x, 3) + " ps", -8);
  svg += mark(p, f.vacf_minimum,
              "minimum " + fixed(f.vacf_minimum.y, 3) + " at " + fixed(f.vacf_minimum.x, 3) + " ps", 18);
  return svg;
}

std::string spectrum_panel(const Spectrum& s, const DynamicsFeatures& f, double top) {
  Panel p{top, top + panel_height, axis_for({&s.frequency}, 0.0), axis_for({&s.density}, 0.0)};
  std::string svg =
      frame(p, "Spectrum of the velocity autocorrelation", "\u03bd / THz", "G(\u03bd) / THz\u207b\u00b9");
  svg += curve(p, s.frequency, s.density);
  svg += mark(p, f.spectrum_peak, "main peak at " + fixed(f.spectrum_peak.x, 2) + " THz", -8);
  return svg;
}

}  // namespace

std::string dynamics_svg(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum,
                         const DynamicsFeatures& features, std::string_view subtitle) {
  std::string svg = svg::begin(canvas_width, canvas_height,
                               "Dynamics of liquid argon: MSD, velocity autocorrelation and its spectrum",
                               "How the atoms of liquid argon move", subtitle);
  svg += msd_panel(msd, panel_top[0]);
  svg += vacf_panel(vacf, features, panel_top[1]);
  svg += spectrum_panel(spectrum, features, panel_top[2]);
  return svg + svg::end();
}

}  // namespace pelzak::analysis

#include "plots/panel.hpp"

#include <algorithm>
#include <cmath>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::analysis::svg {

using formats::fixed;

namespace {

constexpr int target_ticks = 6;

// 1, 2 or 5 times a power of ten, giving about target_ticks intervals over range.
double nice_step(double range) {
  const double raw = range / target_ticks;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / magnitude;
  return (f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0) * magnitude;
}

// lo to hi widened to whole steps; 0 to 1 if the range is empty or too wide for a double.
Axis rounded_out(double lo, double hi) {
  if (!(hi - lo > 0.0) || !std::isfinite(hi - lo)) return {0.0, 1.0, 0.2};
  const double step = nice_step(hi - lo);
  return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

int decimals_for(double step) {
  return step >= 1.0 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

}  // namespace

Axis axis_from_zero(const std::vector<const std::vector<double>*>& curves, double floor_hi) {
  double lo = 0.0, hi = floor_hi;
  for (const auto* c : curves)
    for (double v : *c)
      if (std::isfinite(v)) lo = std::fmin(lo, v), hi = std::fmax(hi, v);
  return rounded_out(lo, hi);
}

Axis axis_around(const std::vector<const std::vector<double>*>& curves, std::size_t from) {
  double lo = INFINITY, hi = -INFINITY;
  for (const auto* c : curves)
    for (std::size_t i = from; i < c->size(); ++i)
      if (std::isfinite((*c)[i])) lo = std::fmin(lo, (*c)[i]), hi = std::fmax(hi, (*c)[i]);
  if (!(lo <= hi)) return {0.0, 1.0, 0.2};
  if (lo == hi) {
    const double half = std::fmax(std::fabs(lo) * 1e-3, 1e-9);
    lo -= half, hi += half;
  }
  return rounded_out(lo, hi);
}

std::string panel_frame(const Panel& p, std::string_view heading, std::string_view x_title,
                        std::string_view y_title) {
  std::string svg = text(panel_left, p.top - 14, "font-size=\"16\" font-weight=\"bold\"", heading);
  const int nx = static_cast<int>(std::lround((p.x.hi - p.x.lo) / p.x.step));
  const int ny = static_cast<int>(std::lround((p.y.hi - p.y.lo) / p.y.step));
  svg += "<g stroke=\"#e4e4e4\" stroke-width=\"1\">\n";
  for (int k = 1; k < nx; ++k) {
    const double x = p.px(p.x.lo + k * p.x.step);
    svg += line(x, p.top, x, p.bottom, "");
  }
  for (int k = 1; k < ny; ++k) {
    const double y = p.py(p.y.lo + k * p.y.step);
    svg += line(panel_left, y, panel_right, y, "");
  }
  svg += "</g>\n<g fill=\"#222222\">\n";
  for (int k = 0; k <= nx; ++k) {
    const double v = p.x.lo + k * p.x.step + 0.0;
    svg += text(p.px(v), p.bottom + 22, "text-anchor=\"middle\"", fixed(v + 0.0, decimals_for(p.x.step)));
  }
  for (int k = 0; k <= ny; ++k) {
    const double v = p.y.lo + k * p.y.step;
    svg += text(panel_left - 10, p.py(v) + 5, "text-anchor=\"end\"", fixed(v + 0.0, decimals_for(p.y.step)));
  }
  svg += "</g>\n";
  svg += frame(p.area());
  svg +=
      text((panel_left + panel_right) / 2, p.bottom + 50, "text-anchor=\"middle\" font-size=\"15\"", x_title);
  svg += "<text transform=\"translate(26 " + fixed((p.top + p.bottom) / 2, 1) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"15\">" + escape(y_title) + "</text>\n";
  return svg;
}

std::string panel_curve(const Panel& p, const std::vector<double>& x, const std::vector<double>& y,
                        std::string_view style) {
  return curve(p.area(), x.data(), y.data(), std::min(x.size(), y.size()), style);
}

std::string panel_mark(const Panel& p, CurvePoint at, std::string_view label, double dy) {
  if (!std::isfinite(at.x) || !std::isfinite(at.y)) return "";
  const double cx = p.px(at.x), cy = p.py(at.y);
  const bool left = cx > panel_right - 260;
  return dot(cx, cy) + text(left ? cx - 12 : cx + 12, cy + dy,
                            std::string(left ? "text-anchor=\"end\" " : "") + "fill=\"" + mark_colour + "\"",
                            label);
}

}  // namespace pelzak::analysis::svg

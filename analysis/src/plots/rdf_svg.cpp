#include "pelzak/analysis/rdf_svg.hpp"

#include <cmath>

#include "pelzak/formats/number_text.hpp"
#include "plots/svg.hpp"

namespace pelzak::analysis {

using formats::fixed;

namespace {

// Canvas and plotting area, in SVG user units (pixels at 100 %).
constexpr double width = 800;
constexpr double height = 560;
constexpr double left = 80;
constexpr double right = 770;
constexpr double top = 80;
constexpr double bottom = 490;
// Ticks at least every half unit of r/sigma and g; farther apart on a long axis (tick_step).
constexpr double finest_step = 0.5;

// Smallest multiple of step at or above value, and at least floor.
double round_up(double value, double step, double floor) {
  const double up = std::ceil(value / step) * step;
  return up > floor ? up : floor;
}

// Grid, tick labels every x_step and y_step from 0, the frame and the axis titles.
std::string axes(const svg::Area& a, double x_step, double y_step) {
  using svg::line, svg::text;
  std::string out = "<g stroke=\"#e4e4e4\" stroke-width=\"1\">\n";
  for (double x = x_step; x < a.x_hi; x += x_step) out += line(a.px(x), top, a.px(x), bottom, "");
  for (double y = y_step; y < a.y_hi; y += y_step) out += line(left, a.py(y), right, a.py(y), "");
  out += "</g>\n<g fill=\"#222222\">\n";
  for (double x = 0.0; x <= a.x_hi; x += x_step)
    out += text(a.px(x), bottom + 22, "text-anchor=\"middle\"", fixed(x, 1));
  for (double y = 0.0; y <= a.y_hi; y += y_step)
    out += text(left - 10, a.py(y) + 5, "text-anchor=\"end\"", fixed(y, 1));
  out += "</g>\n";
  out += svg::frame(a);
  out += text((left + right) / 2, bottom + 52, "text-anchor=\"middle\" font-size=\"16\"", "r / \u03c3");
  out += "<text transform=\"translate(28 " + fixed((top + bottom) / 2, 1) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"16\">g(r)</text>\n";
  return out;
}

}  // namespace

std::string rdf_svg(const RdfCurve& curve, std::string_view subtitle) {
  double label_max = 0.0, g_max = 0.0;
  for (int n = 0; n < model::bins; ++n) {
    if (std::isfinite(curve.label[n]) && curve.label[n] > label_max) label_max = curve.label[n];
    if (std::isfinite(curve.label[n]) && std::isfinite(curve.g[n]) && curve.g[n] > g_max) g_max = curve.g[n];
  }
  const double x_step = svg::tick_step(label_max, right - left, finest_step);
  const double y_step = svg::tick_step(g_max * 1.05, bottom - top, finest_step);
  const svg::Area area{left, right,
                       top,  bottom,
                       0.0,  round_up(label_max, x_step, 1.0),
                       0.0,  round_up(g_max * 1.05, y_step, 1.5)};

  std::string out = svg::begin(width, height, "Radial distribution function g(r) of liquid argon",
                               "Radial distribution function of liquid argon", subtitle);
  out += axes(area, x_step, y_step);
  out += svg::dashed_level(area, 1.0, "g = 1");  // the ideal gas
  out += svg::curve(area, curve.label, curve.g, model::bins);

  // The first peak, marked and labelled.
  const RdfPeak peak = rdf_peak(curve);
  if (std::isfinite(peak.g) && std::isfinite(peak.label) && peak.g > 0.0) {
    const double cx = area.px(peak.label), cy = area.py(peak.g);
    out += svg::dot(cx, cy);
    out += svg::text(cx + 12, cy + 5, "fill=\"" + std::string(svg::mark_colour) + "\"",
                     "first peak: g = " + fixed(peak.g, 3) + " at r/\u03c3 = " + fixed(peak.label, 3));
  }
  return out + svg::end();
}

}  // namespace pelzak::analysis

#include "svg_plot.hpp"

#include <cmath>

#include "format.hpp"

namespace pelzak::md {

namespace {

// Canvas and plotting area, in SVG user units (pixels at 100 %).
constexpr double kWidth = 800;
constexpr double kHeight = 560;
constexpr double kLeft = 80;
constexpr double kRight = 770;
constexpr double kTop = 80;
constexpr double kBottom = 490;
constexpr double kTickStep = 0.5;  // both axes, in r/sigma and in g

struct Frame {
  double x_max;
  double y_max;
  double px(double x) const { return kLeft + (kRight - kLeft) * x / x_max; }
  double py(double y) const { return kBottom - (kBottom - kTop) * y / y_max; }
};

// Smallest multiple of kTickStep at or above value, and at least floor.
double round_up(double value, double floor) {
  const double up = std::ceil(value / kTickStep) * kTickStep;
  return up > floor ? up : floor;
}

std::string escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string line(double x1, double y1, double x2, double y2, std::string_view style) {
  return "<line x1=\"" + fixed(x1, 1) + "\" y1=\"" + fixed(y1, 1) + "\" x2=\"" + fixed(x2, 1) + "\" y2=\"" +
         fixed(y2, 1) + "\" " + std::string(style) + "/>\n";
}

std::string text(double x, double y, std::string_view attributes, std::string_view content) {
  return "<text x=\"" + fixed(x, 1) + "\" y=\"" + fixed(y, 1) + "\" " + std::string(attributes) + ">" +
         escape(content) + "</text>\n";
}

}  // namespace

std::string rdf_svg(const RdfCurve& curve, std::string_view subtitle) {
  double label_max = 0.0, g_max = 0.0;
  for (int n = 0; n < model::bins; ++n) {
    if (std::isfinite(curve.label[n]) && curve.label[n] > label_max) label_max = curve.label[n];
    if (std::isfinite(curve.label[n]) && std::isfinite(curve.g[n]) && curve.g[n] > g_max) g_max = curve.g[n];
  }
  const Frame f{round_up(label_max, 1.0), round_up(g_max * 1.05, 1.5)};

  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg +=
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"560\" viewBox=\"0 0 800 560\" "
      "font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\" font-size=\"14\">\n";
  svg += "<title>Radial distribution function g(r) of liquid argon</title>\n";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + fixed(kWidth, 0) + "\" height=\"" + fixed(kHeight, 0) +
         "\" fill=\"white\"/>\n";
  svg += text(kWidth / 2, 34, "text-anchor=\"middle\" font-size=\"20\" font-weight=\"bold\"",
              "Radial distribution function of liquid argon");
  svg += text(kWidth / 2, 58, "text-anchor=\"middle\" fill=\"#555555\"", subtitle);

  // Grid and tick labels.
  svg += "<g stroke=\"#e4e4e4\" stroke-width=\"1\">\n";
  for (double x = kTickStep; x < f.x_max; x += kTickStep) svg += line(f.px(x), kTop, f.px(x), kBottom, "");
  for (double y = kTickStep; y < f.y_max; y += kTickStep) svg += line(kLeft, f.py(y), kRight, f.py(y), "");
  svg += "</g>\n<g fill=\"#222222\">\n";
  for (double x = 0.0; x <= f.x_max; x += kTickStep)
    svg += text(f.px(x), kBottom + 22, "text-anchor=\"middle\"", fixed(x, 1));
  for (double y = 0.0; y <= f.y_max; y += kTickStep)
    svg += text(kLeft - 10, f.py(y) + 5, "text-anchor=\"end\"", fixed(y, 1));
  svg += "</g>\n";
  svg += "<rect x=\"" + fixed(kLeft, 1) + "\" y=\"" + fixed(kTop, 1) + "\" width=\"" +
         fixed(kRight - kLeft, 1) + "\" height=\"" + fixed(kBottom - kTop, 1) +
         "\" fill=\"none\" stroke=\"#222222\" stroke-width=\"1.2\"/>\n";
  svg += text((kLeft + kRight) / 2, kBottom + 52, "text-anchor=\"middle\" font-size=\"16\"", "r / \u03c3");
  svg += "<text transform=\"translate(28 " + fixed((kTop + kBottom) / 2, 1) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"16\">g(r)</text>\n";

  // The ideal-gas level g = 1.
  svg += line(kLeft, f.py(1.0), kRight, f.py(1.0),
              "stroke=\"#888888\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\"");
  svg += text(kRight - 6, f.py(1.0) - 6, "text-anchor=\"end\" fill=\"#666666\"", "g = 1");

  // The curve: one path, broken wherever a bin is not finite.
  svg += "<path fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"2\" stroke-linejoin=\"round\" d=\"";
  bool pen_down = false;
  for (int n = 0; n < model::bins; ++n) {
    if (!std::isfinite(curve.label[n]) || !std::isfinite(curve.g[n])) {
      pen_down = false;
      continue;
    }
    svg += pen_down ? " L" : (n == 0 ? "M" : " M");
    svg += fixed(f.px(curve.label[n]), 2) + " " + fixed(f.py(curve.g[n]), 2);
    pen_down = true;
  }
  svg += "\"/>\n";

  // The first peak, marked and labelled.
  const RdfPeak peak = rdf_peak(curve);
  if (std::isfinite(peak.g) && std::isfinite(peak.label) && peak.g > 0.0) {
    const double cx = f.px(peak.label), cy = f.py(peak.g);
    svg += "<circle cx=\"" + fixed(cx, 2) + "\" cy=\"" + fixed(cy, 2) + "\" r=\"4\" fill=\"#c0392b\"/>\n";
    svg += text(cx + 12, cy + 5, "fill=\"#c0392b\"",
                "first peak: g = " + fixed(peak.g, 3) + " at r/\u03c3 = " + fixed(peak.label, 3));
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace pelzak::md

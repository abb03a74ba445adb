#include "plots/svg.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::analysis::svg {

using formats::fixed;

namespace {

// Powers as superscripts, for the units a plot shows: "g/cm^3" as "g/cm³", "nm^-1" as "nm⁻¹".
std::string superscripts(std::string_view text) {
  static constexpr const char* powers[][2] = {{"^-1", "\u207b\u00b9"}, {"^2", "\u00b2"}, {"^3", "\u00b3"}};
  std::string out(text);
  for (const auto& [plain, raised] : powers)
    for (auto at = out.find(plain); at != std::string::npos; at = out.find(plain, at))
      out.replace(at, std::strlen(plain), raised);
  return out;
}

// Characters of UTF-8 text (its bytes less the continuation bytes): what a line's width goes by.
std::size_t characters(std::string_view text) {
  return text.size() - std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) == 0x80; });
}

// The subtitle in lines of at most `most` characters, each broken after the last semicolon that
// fits (a run's description is clauses joined by semicolons), else at the last space that fits; a
// first word longer than a line stays whole.
std::vector<std::string_view> lines_of(std::string_view text, std::size_t most) {
  std::vector<std::string_view> lines;
  while (characters(text) > most) {
    std::size_t cut = 0, clause = 0;
    for (auto at = text.find(' ', 1); at != std::string_view::npos && characters(text.substr(0, at)) <= most;
         at = text.find(' ', at + 1)) {
      cut = at;
      if (text[at - 1] == ';') clause = at;
    }
    if (cut == 0) break;
    lines.push_back(text.substr(0, clause > 0 ? clause : cut));
    text.remove_prefix(lines.back().size() + 1);
  }
  lines.push_back(text);
  return lines;
}

}  // namespace

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
         escape(superscripts(content)) + "</text>\n";
}

std::string begin(double width, double height, std::string_view title, std::string_view heading,
                  std::string_view subtitle) {
  const auto most = static_cast<std::size_t>((width - 2.0 * subtitle_margin) / subtitle_char_width);
  const std::vector<std::string_view> lines = lines_of(subtitle, most);
  const double shift = subtitle_line_height * static_cast<double>(lines.size() - 1);
  const std::string w = fixed(width, 0), h = fixed(height + shift, 0);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " +
         w + " " + h + "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\" font-size=\"14\">\n";
  svg += "<title>" + std::string(title) + "</title>\n";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"white\"/>\n";
  svg += text(width / 2, 34, "text-anchor=\"middle\" font-size=\"20\" font-weight=\"bold\"", heading);
  for (std::size_t n = 0; n < lines.size(); ++n)
    svg += text(width / 2, 58 + subtitle_line_height * static_cast<double>(n),
                "text-anchor=\"middle\" fill=\"#555555\"", lines[n]);
  return svg + "<g transform=\"translate(0 " + fixed(shift, 1) + ")\">\n";
}

std::string end() { return "</g>\n</svg>\n"; }

std::string frame(const Area& a) {
  return "<rect x=\"" + fixed(a.left, 1) + "\" y=\"" + fixed(a.top, 1) + "\" width=\"" +
         fixed(a.right - a.left, 1) + "\" height=\"" + fixed(a.bottom - a.top, 1) +
         "\" fill=\"none\" stroke=\"#222222\" stroke-width=\"1.2\"/>\n";
}

std::string curve(const Area& area, const double* x, const double* y, std::size_t count,
                  std::string_view style) {
  std::string svg = "<path fill=\"none\" " + std::string(style) + " stroke-linejoin=\"round\" d=\"";
  bool pen_down = false, first = true;
  for (std::size_t i = 0; i < count; ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
      pen_down = false;
      continue;
    }
    svg += pen_down ? " L" : (first ? "M" : " M");
    svg += fixed(area.px(x[i]), 2) + " " + fixed(area.py(y[i]), 2);
    pen_down = true;
    first = false;
  }
  return svg + "\"/>\n";
}

std::string dashed_level(const Area& area, double y, std::string_view label) {
  std::string svg = line(area.left, area.py(y), area.right, area.py(y),
                         "stroke=\"#888888\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\"");
  return svg + text(area.right - 6, area.py(y) - 6, "text-anchor=\"end\" fill=\"#666666\"", label);
}

std::string dot(double cx, double cy) {
  return "<circle cx=\"" + fixed(cx, 2) + "\" cy=\"" + fixed(cy, 2) + "\" r=\"4\" fill=\"" + mark_colour +
         "\"/>\n";
}

double tick_step(double range, double pixels, double finest) {
  const double most = pixels / min_label_spacing;  // intervals that fit
  for (double magnitude = 1e-3; magnitude < 1e300; magnitude *= 10.0)
    for (double f : {1.0, 2.0, 5.0})
      if (f * magnitude >= finest * (1.0 - 1e-12) && range / (f * magnitude) <= most) return f * magnitude;
  return range;
}

}  // namespace pelzak::analysis::svg

// The pieces every plot of the toolkit is drawn with: a self-contained SVG document (plain text, so
// that any web browser shows it without further software), its heading, plotting areas with a frame,
// grid lines and labels, and curves broken wherever a sample is not finite. Coordinates are SVG user
// units (pixels at 100 %), written with one decimal (two for curve points and marks).
#pragma once

#include <string>
#include <string_view>

namespace pelzak::analysis::svg {

// Colours of the curves and of what marks them.
inline constexpr char curve_colour[] = "#1f5fa8";
inline constexpr char mark_colour[] = "#c0392b";

// A plotting area: its edges on the canvas and the data ranges they stand for.
struct Area {
  double left, right, top, bottom;
  double x_lo, x_hi, y_lo, y_hi;
  double px(double x) const { return left + (right - left) * (x - x_lo) / (x_hi - x_lo); }
  double py(double y) const { return bottom - (bottom - top) * (y - y_lo) / (y_hi - y_lo); }
};

// &, <, > and " as entities.
std::string escape(std::string_view text);
std::string line(double x1, double y1, double x2, double y2, std::string_view style);
// content is escaped, its powers as superscripts (g/cm³: the plots are read by people; CSV, JSON
// and the console keep ASCII); attributes are written as they are.
std::string text(double x, double y, std::string_view attributes, std::string_view content);

// A subtitle line holds (width - 2 subtitle_margin) / subtitle_char_width characters: 14 px DejaVu
// Sans averages 7.1 px over a run's description, and a font the viewer substitutes may be wider.
inline constexpr double subtitle_margin = 40.0;
inline constexpr double subtitle_char_width = 7.5;
inline constexpr double subtitle_line_height = 18.0;

// The document's start: the XML declaration, the svg element of the canvas, its title, a white
// background, the heading and the subtitle (plain text describing the run) in the lines it needs;
// what follows, up to end(), is moved down by the lines beyond the first on a canvas that much
// taller, so that a plot draws at the same coordinates whatever its subtitle.
std::string begin(double width, double height, std::string_view title, std::string_view heading,
                  std::string_view subtitle);
std::string end();

// The frame around an area.
std::string frame(const Area& area);

// One path through the points (x[i], y[i]), i < count, broken wherever a point is not finite, drawn
// with `style` (the path's stroke attributes).
inline constexpr char curve_style[] = "stroke=\"#1f5fa8\" stroke-width=\"2\"";
std::string curve(const Area& area, const double* x, const double* y, std::size_t count,
                  std::string_view style = curve_style);

// A dashed horizontal line at y across the area, labelled at its right end.
std::string dashed_level(const Area& area, double y, std::string_view label);

// A dot at (cx, cy) on the canvas.
std::string dot(double cx, double cy);

// The spacing of an axis's tick labels: the smallest of 0.1, 0.2, 0.5, 1, 2, 5, 10, ... (at least
// `finest`) that puts no two labels closer than min_label_spacing on an axis `pixels` long
// showing `range` units, so that labels never run together however long the axis.
inline constexpr double min_label_spacing = 55.0;
double tick_step(double range, double pixels, double finest);

}  // namespace pelzak::analysis::svg

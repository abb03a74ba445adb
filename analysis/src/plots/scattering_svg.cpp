#include "pelzak/analysis/scattering_svg.hpp"

#include <cmath>
#include <vector>

#include "pelzak/formats/number_text.hpp"
#include "plots/panel.hpp"

namespace pelzak::analysis {

using formats::rounded;

namespace {

constexpr double canvas_height = 810;
constexpr double panel_top[2] = {100, 480};
constexpr double shown_times[] = {1.0, 3.0, 10.0};  // ps
// Each time's colour, darker for later times.
constexpr const char* time_colours[] = {"#5dade2", "#1f5fa8", "#0b2545"};

using svg::Panel;
using svg::panel_height;

// The lag nearest t, or -1 if the run reached no lag within half a frame of it.
int lag_at(const SelfMotionResult& m, double t) {
  if (m.frame_time <= 0.0 || m.gs.empty()) return -1;
  const long lag = std::lround(t / m.frame_time);
  return lag >= 0 && lag < static_cast<long>(m.gs.size()) ? static_cast<int>(lag) : -1;
}

std::string vanhove_panel(const SelfMotionResult& m, double top) {
  std::vector<double> r;
  for (std::size_t b = 0; !m.gs.empty() && b < m.gs[0].size(); ++b) r.push_back((b + 0.5) * m.bin_width);
  std::vector<const std::vector<double>*> shown;
  for (double t : shown_times)
    if (int lag = lag_at(m, t); lag >= 0) shown.push_back(&m.gs[lag]), shown.push_back(&m.gauss[lag]);
  Panel p{top, top + panel_height, svg::axis_from_zero({&r}, 0.1), svg::axis_from_zero(shown, 1.0)};
  std::string svg =
      svg::panel_frame(p, "Van Hove self function against the Gaussian of the same MSD (dashed)", "r / nm",
                       "4\u03c0r\u00b2G\u209b(r,t) / nm\u207b\u00b9");
  double label_y = p.top + 24;
  for (int i = 0; i < 3; ++i) {
    const int lag = lag_at(m, shown_times[i]);
    if (lag < 0) continue;
    const std::string colour = time_colours[i];
    svg += svg::panel_curve(p, r, m.gs[lag], "stroke=\"" + colour + "\" stroke-width=\"2\"");
    svg += svg::panel_curve(p, r, m.gauss[lag],
                            "stroke=\"" + colour + "\" stroke-width=\"1.5\" stroke-dasharray=\"7 4\"");
    svg += svg::text(svg::panel_right - 14, label_y, "text-anchor=\"end\" fill=\"" + colour + "\"",
                     "t = " + rounded(lag * m.frame_time, 4) + " ps");
    label_y += 20;
  }
  return svg;
}

std::string sk_panel(const SkTable& sk, double top) {
  std::vector<double> direct_k, direct_s, grid_k, grid_s;
  for (std::size_t i = 0; i < sk.k.size(); ++i) {
    if (std::isfinite(sk.direct[i]))
      direct_k.push_back(sk.k[i]), direct_s.push_back(sk.direct[i]);
    else
      grid_k.push_back(sk.k[i]), grid_s.push_back(sk.from_rdf[i]);
  }
  Panel p{top, top + panel_height, svg::axis_from_zero({&sk.k}, 1.0),
          svg::axis_from_zero({&direct_s, &grid_s}, 1.0)};
  std::string svg = svg::panel_frame(p, "Static structure factor: directly (dots) and from g(r) (line)",
                                     "k / nm\u207b\u00b9", "S(k)");
  svg += svg::dashed_level(p.area(), 1.0, "1");
  svg += svg::panel_curve(p, grid_k, grid_s);
  for (std::size_t i = 0; i < direct_k.size(); ++i)
    if (direct_k[i] >= p.x.lo && direct_k[i] <= p.x.hi && direct_s[i] >= p.y.lo && direct_s[i] <= p.y.hi)
      svg += svg::dot(p.px(direct_k[i]), p.py(direct_s[i]));
  return svg;
}

}  // namespace

std::string scattering_svg(const SelfMotionResult& motion, const SkTable& sk, std::string_view subtitle) {
  std::string svg = svg::begin(svg::stack_width, canvas_height,
                               "Scattering of liquid argon: van Hove self function and structure factor",
                               "How liquid argon scatters", subtitle);
  svg += vanhove_panel(motion, panel_top[0]);
  svg += sk_panel(sk, panel_top[1]);
  return svg + svg::end();
}

}  // namespace pelzak::analysis

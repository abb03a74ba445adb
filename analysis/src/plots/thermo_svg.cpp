#include "pelzak/analysis/thermo_svg.hpp"

#include <cmath>

#include "plots/panel.hpp"

namespace pelzak::analysis {

namespace {

constexpr double canvas_height = 1190;
constexpr double panel_top[3] = {100, 480, 860};

using svg::Panel;

// Keeps every other point: those at even positions, which are the rows at multiples of 2 stride.
void halve(std::vector<double>& v) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < v.size(); i += 2) v[kept++] = v[i];
  v.resize(kept);
}

// Points outside the panel's range are left out, so the path stays inside its frame.
std::vector<double> inside(const std::vector<double>& y, const svg::Axis& axis) {
  std::vector<double> kept(y);
  for (double& v : kept)
    if (!(v >= axis.lo && v <= axis.hi)) v = NAN;
  return kept;
}

std::string panel(const ThermoSeries& s, const std::vector<double>& y, double top, std::string_view heading,
                  std::string_view y_title) {
  const std::vector<const std::vector<double>*> times{&s.time};
  std::size_t settled = 0;  // the first point after the first tenth of the plotted time
  if (!s.time.empty()) {
    const double from = s.time.front() + 0.1 * (s.time.back() - s.time.front());
    while (settled + 1 < s.time.size() && s.time[settled] < from) ++settled;
  }
  Panel p{top, top + svg::panel_height, svg::axis_around(times), svg::axis_around({&y}, settled)};
  std::string out = svg::panel_frame(p, heading, "t / ps", y_title);
  if (s.production_start >= p.x.lo && s.production_start <= p.x.hi) {
    const double x = p.px(s.production_start);
    out +=
        svg::line(x, p.top, x, p.bottom, "stroke=\"#888888\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\"");
    out += svg::text(x + 6, p.top + 18, "fill=\"#666666\"", "production");
  }
  return out + svg::panel_curve(p, s.time, inside(y, p.y));
}

}  // namespace

void thermo_series_add(ThermoSeries& s, double time_ps, double temperature_k, double potential_eps_per_atom,
                       double pressure_bar, bool production) {
  if (production && s.production_start < 0.0) s.production_start = time_ps;
  const std::int64_t row = s.rows++;
  if (row % s.stride != 0) return;
  if (s.time.size() == ThermoSeries::max_points) {
    for (auto* v : {&s.time, &s.temperature, &s.potential, &s.pressure}) halve(*v);
    s.stride *= 2;
    if (row % s.stride != 0) return;
  }
  s.time.push_back(time_ps);
  s.temperature.push_back(temperature_k);
  s.potential.push_back(potential_eps_per_atom);
  s.pressure.push_back(pressure_bar);
}

std::string thermo_svg(const ThermoSeries& s, std::string_view subtitle) {
  std::string out = svg::begin(svg::stack_width, canvas_height,
                               "Thermodynamics of liquid argon: temperature, potential energy and pressure",
                               "Temperature, energy and pressure of the run", subtitle);
  out += panel(s, s.temperature, panel_top[0], "Temperature", "T / K");
  out += panel(s, s.potential, panel_top[1], "Potential energy", "U / (\u03b5 per atom)");
  out += panel(s, s.pressure, panel_top[2], "Pressure", "P / bar");
  return out + svg::end();
}

}  // namespace pelzak::analysis

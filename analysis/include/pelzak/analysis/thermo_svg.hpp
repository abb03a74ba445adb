// "thermo_argon.svg": the run's thermodynamics against time, three stacked plots in the style of the
// dynamics plot: the temperature, the potential energy per atom and the pressure, with the start of
// production marked. The points are the log's rows, thinned for long runs (ThermoSeries).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelzak::analysis {

// The logged rows a plot shows, at most max_points of them: when the series is full every other
// point goes and from then on only every stride-th row is taken, stride doubling each time. The
// points kept are the same whatever the run's length so far, so a plot never depends on when it is
// drawn, and memory stays bounded however long the run.
struct ThermoSeries {
  static constexpr std::size_t max_points = 2048;
  std::vector<double> time;         // ps
  std::vector<double> temperature;  // K
  std::vector<double> potential;    // eps per atom
  std::vector<double> pressure;     // bar
  double production_start = -1.0;   // ps; negative: no production row yet
  std::int64_t rows = 0;            // rows offered so far
  std::int64_t stride = 1;
};

// Offers one logged row; production is true for the production phase's rows.
void thermo_series_add(ThermoSeries& s, double time_ps, double temperature_k, double potential_eps_per_atom,
                       double pressure_bar, bool production);

// The whole SVG document; subtitle is one line of plain text describing the run. The y axes span
// what the rows after the first tenth of the plotted time show, so the first rows of a hot or
// packed start do not flatten the rest (their part of the curves runs off the panel).
std::string thermo_svg(const ThermoSeries& s, std::string_view subtitle);

}  // namespace pelzak::analysis

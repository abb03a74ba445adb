#include "pelzak/analysis/dynamics_svg.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "pelzak/analysis/summary.hpp"
#include "pelzak/formats/number_text.hpp"
#include "plots/panel.hpp"

namespace pelzak::analysis {

using formats::fixed;
using formats::rounded;

namespace {

// Canvas and the tops of the three panels, in SVG user units (pixels at 100 %).
constexpr double canvas_height = 1190;
constexpr double panel_top[3] = {100, 480, 860};

using svg::line;
using svg::Panel;
using svg::panel_height;
using svg::panel_left;
using svg::text;

std::string msd_panel(const MsdResult& msd, double top) {
  Panel p{top, top + panel_height, svg::axis_from_zero({&msd.time}, 0.0),
          svg::axis_from_zero({&msd.msd}, 0.0)};
  std::string svg = svg::panel_frame(p, "Mean-square displacement", "t / ps", "MSD / nm\u00b2");
  svg += svg::panel_curve(p, msd.time, msd.msd);
  const double slope = msd.fit.slope, intercept = msd.fit.intercept;
  if (std::isfinite(slope) && std::isfinite(intercept) && slope > 0.0) {
    // The fitted line across the plot, clipped to the frame.
    const double t0 = std::fmax(p.x.lo, (p.y.lo - intercept) / slope);
    const double t1 = std::fmin(p.x.hi, (p.y.hi - intercept) / slope);
    svg += line(
        p.px(t0), p.py(slope * t0 + intercept), p.px(t1), p.py(slope * t1 + intercept),
        "stroke=\"" + std::string(svg::mark_colour) + "\" stroke-width=\"1.5\" stroke-dasharray=\"8 5\"");
    svg += text(panel_left + 14, p.top + 24, "fill=\"" + std::string(svg::mark_colour) + "\"",
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
  Panel p{top, top + panel_height, svg::axis_from_zero({&vacf.time}, 0.0),
          svg::axis_from_zero({&vacf.normalised}, 1.0)};
  std::string svg = svg::panel_frame(p, "Velocity autocorrelation function", "t / ps",
                                     "\u27e8v(0)\u00b7v(t)\u27e9 / \u27e8v\u00b2\u27e9");
  svg += svg::dashed_level(p.area(), 0.0, "0");
  svg += svg::panel_curve(p, vacf.time, vacf.normalised);
  svg += svg::panel_mark(p, f.vacf_zero, "first zero at " + fixed(f.vacf_zero.x, 3) + " ps", -8);
  svg += svg::panel_mark(
      p, f.vacf_minimum,
      "minimum " + fixed(f.vacf_minimum.y, 3) + " at " + fixed(f.vacf_minimum.x, 3) + " ps", 18);
  return svg;
}

std::string spectrum_panel(const Spectrum& s, const DynamicsFeatures& f, double top) {
  Panel p{top, top + panel_height, svg::axis_from_zero({&s.frequency}, 0.0),
          svg::axis_from_zero({&s.density}, 0.0)};
  std::string svg = svg::panel_frame(p, "Spectrum of the velocity autocorrelation", "\u03bd / THz",
                                     "G(\u03bd) / THz\u207b\u00b9");
  svg += svg::panel_curve(p, s.frequency, s.density);
  svg += svg::panel_mark(p, f.spectrum_peak, "main peak at " + fixed(f.spectrum_peak.x, 2) + " THz", -8);
  return svg;
}

}  // namespace

std::string dynamics_svg(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum,
                         const DynamicsFeatures& features, std::string_view subtitle) {
  std::string svg = svg::begin(svg::stack_width, canvas_height,
                               "Dynamics of liquid argon: MSD, velocity autocorrelation and its spectrum",
                               "How the atoms of liquid argon move", subtitle);
  svg += msd_panel(msd, panel_top[0]);
  svg += vacf_panel(vacf, features, panel_top[1]);
  svg += spectrum_panel(spectrum, features, panel_top[2]);
  return svg + svg::end();
}

}  // namespace pelzak::analysis

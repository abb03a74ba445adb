// The figures that characterise the dynamics curves: where the VACF first changes sign and how deep
// its first minimum is, where alpha2 peaks, and the spectrum's main peak. Curves are sampled on an
// evenly spaced grid; extrema are refined with the vertex of the parabola through the highest
// (lowest) sample and its two neighbours, so they are not tied to the frame spacing.
#pragma once

#include <vector>

namespace pelzak::analysis {

struct CurvePoint {
  double x;  // time or frequency; NaN if the curve has no such feature
  double y;
};

// The first downward crossing of zero, by linear interpolation between the two samples around it.
CurvePoint first_zero(const std::vector<double>& x, const std::vector<double>& y);

// The lowest point between the first downward zero crossing and the next upward one (or the end).
CurvePoint first_minimum(const std::vector<double>& x, const std::vector<double>& y);

// The highest sample from index `from` on (the first of equal ones), refined with the vertex of the
// least-squares parabola through it and up to half_width samples on either side (half_width 1: the
// three-point vertex). A wider fit steadies the maximum of a broad, noisy peak such as alpha2's.
CurvePoint highest_point(const std::vector<double>& x, const std::vector<double>& y, int from,
                         int half_width);

// The highest local maximum away from x[0]: a sample above its left neighbour and not below its
// right one. A curve that only falls from x[0] has none.
CurvePoint main_peak(const std::vector<double>& x, const std::vector<double>& y);

}  // namespace pelzak::analysis

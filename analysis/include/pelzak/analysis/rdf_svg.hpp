// "rdf_argon.svg": a self-contained SVG plot of g against r/sigma with the g = 1 line and the first
// peak marked, in the style of the dynamics plot.
#pragma once

#include <string>
#include <string_view>

#include "pelzak/analysis/rdf_curve.hpp"

namespace pelzak::analysis {

// The whole SVG document. Bins whose g is not finite leave a gap in the curve; the axes adapt to
// the largest finite g. subtitle is one line of plain text describing the run.
std::string rdf_svg(const RdfCurve& curve, std::string_view subtitle);

}  // namespace pelzak::analysis

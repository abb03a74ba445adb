// "dynamics_argon.svg": a self-contained SVG of three stacked plots, in the style of the g(r) plot:
// the MSD with its fitted line (Einstein D), the normalised VACF with its zero line, first zero and
// minimum, and the spectrum with its main peak. Plain text; any web browser shows it.
#pragma once

#include <string>
#include <string_view>

#include "pelzak/analysis/dynamics_features.hpp"

namespace pelzak::analysis {

// The whole SVG document. Samples that are not finite leave gaps; the axes adapt to the data.
// subtitle is one line of plain text describing the run.
std::string dynamics_svg(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum,
                         const DynamicsFeatures& features, std::string_view subtitle);

}  // namespace pelzak::analysis

// "scattering_argon.svg": two stacked plots of how the liquid scatters. Above, the van Hove self
// function 4 pi r^2 G_s(r, t) at 1, 3 and 10 ps, each beside the Gaussian of the same mean-square
// displacement (dashed): the gap between them is what alpha2 sums up in one number. Below, S(k)
// directly from the wave vectors the box allows (dots) and as the transform of g(r) (line).
#pragma once

#include <string>
#include <string_view>

#include "pelzak/analysis/self_motion.hpp"
#include "pelzak/analysis/structure_factor.hpp"

namespace pelzak::analysis {

std::string scattering_svg(const SelfMotionResult& motion, const SkTable& sk, std::string_view subtitle);

}  // namespace pelzak::analysis

// The summary lines the programs print: g(r)'s first peak and the figures of the dynamics.
#pragma once

#include <string>
#include <string_view>

#include "pelzak/analysis/dynamics_features.hpp"
#include "pelzak/analysis/msd.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/analysis/vacf.hpp"

namespace pelzak::analysis {

// Diffusion coefficients in nm^2/ps to units of 1e-5 cm^2/s:
// 1 nm^2/ps = 1e-14 cm^2 / 1e-12 s = 1e-2 cm^2/s = 1000 * 1e-5 cm^2/s.
inline constexpr double diffusion_per_1e5_cm2_per_s = 1000.0;

// "<what>: first peak 2.7354 at r/sigma = 1.0868", what naming the curve ("g(r)", "g(r) from 50
// frames").
std::string rdf_peak_line(std::string_view what, const RdfPeak& peak);

// "D = 2.43 +- 0.05 e-5 cm^2/s (Einstein)" for d and its error in nm^2/ps; without an error (a
// run too short for two blocks) "D = 2.43 e-5 cm^2/s (Einstein; too short for an error, which
// needs 50 ps of frames)", error_needs being that time (ps).
std::string diffusion_line(double d, double error, std::string_view method, double error_needs);

// "too short for an error, which needs 50 ps of frames": what stands for the error of a run too short
// for two blocks, error_needs being the time that would give one (ps; not finite: left unsaid).
std::string no_error_reason(double error_needs);

// The dynamics' lines, those of the parts analysed (msd and vacf may be null), in this order:
// D from the MSD, D from the VACF, the VACF's zero and minimum, alpha2's peak, the spectrum's main
// peak.
std::string dynamics_summary(const MsdResult* msd, const VacfResult* vacf, const DynamicsFeatures& features);

}  // namespace pelzak::analysis

// The figures of a dynamics analysis and the summary lines that report them.
#pragma once

#include <string>
#include <string_view>

#include "curve_features.hpp"
#include "msd.hpp"
#include "spectrum.hpp"
#include "vacf.hpp"

namespace pelzak::analysis {

// Diffusion coefficients in nm^2/ps to units of 1e-5 cm^2/s:
// 1 nm^2/ps = 1e-14 cm^2 / 1e-12 s = 1e-2 cm^2/s = 1000 * 1e-5 cm^2/s.
inline constexpr double kDiffusionPer1e5Cm2PerS = 1000.0;

// alpha2 has a broad, flat-topped peak: its time comes from a parabola fitted over this much time on
// either side of the highest sample (ps).
inline constexpr double kAlpha2PeakHalfWidth = 1.0;

struct DynamicsFeatures {
  CurvePoint vacf_zero;      // ps
  CurvePoint vacf_minimum;   // ps, normalised VACF
  CurvePoint alpha2_peak;    // ps
  CurvePoint spectrum_peak;  // THz, 1/THz
};

DynamicsFeatures dynamics_features(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum);

// "D = 2.43 +- 0.05 e-5 cm^2/s (Einstein)" for d and its error in nm^2/ps.
std::string diffusion_line(double d, double error, std::string_view method);

// The summary: both D lines, then the VACF's zero and minimum, alpha2's peak and the spectrum's
// main peak, one line each.
std::string dynamics_summary(const MsdResult& msd, const VacfResult& vacf, const DynamicsFeatures& features);

}  // namespace pelzak::analysis

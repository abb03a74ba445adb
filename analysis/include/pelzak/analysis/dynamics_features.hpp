// The figures read off the dynamics curves: where the VACF first changes sign and how deep its first
// minimum is, where alpha2 peaks, and the spectrum's main peak.
#pragma once

#include "pelzak/analysis/curve_features.hpp"
#include "pelzak/analysis/msd.hpp"
#include "pelzak/analysis/spectrum.hpp"
#include "pelzak/analysis/vacf.hpp"

namespace pelzak::analysis {

// alpha2 has a broad, flat-topped peak: its time comes from a parabola fitted over this much time on
// either side of the highest sample (ps).
inline constexpr double alpha2_peak_half_width = 1.0;

struct DynamicsFeatures {
  CurvePoint vacf_zero{no_value, no_value};      // ps
  CurvePoint vacf_minimum{no_value, no_value};   // ps, normalised VACF
  CurvePoint alpha2_peak{no_value, no_value};    // ps
  CurvePoint spectrum_peak{no_value, no_value};  // THz, 1/THz
};

// From curves that may be empty (a part not analysed): their features are then NaN.
DynamicsFeatures dynamics_features(const MsdResult& msd, const VacfResult& vacf, const Spectrum& spectrum);

}  // namespace pelzak::analysis

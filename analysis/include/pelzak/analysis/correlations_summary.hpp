// The summary lines of the scattering functions and the viscosity, one figure a line, in nm, ps and
// mPa s. Each takes what it reports, so that a caller reports what it has (a LAMMPS dump without the
// pressure tensor has no viscosity).
#pragma once

#include <string>

#include "pelzak/analysis/curve_features.hpp"
#include "pelzak/analysis/viscosity.hpp"

namespace pelzak::analysis {

// "S(k): main peak 2.83 at k = 20.14 nm^-1 (2.014 A^-1); from g(r) 2.71 at 20.05 nm^-1"
std::string sk_peak_line(const CurvePoint& direct, const CurvePoint& from_rdf);

// "F_s at k = 20.14 nm^-1: falls to 1/e at 1.234 +- 0.012 ps"; without an error (NaN) the value alone,
// then no_error (such as " (too short for an error, ...)").
std::string fs_relaxation_line(double k, double relaxation, double error, const std::string& no_error = "");

// "G_s: furthest from its Gaussian at 2.9 ps (largest gap between the distributions 0.031)"
std::string gs_departure_line(const CurvePoint& largest_departure);

// "S(k): main peak 2.71 at k = 20.05 nm^-1 (2.005 A^-1), from g(r)": where S(k) is not sampled directly.
std::string sk_peak_from_rdf_line(const CurvePoint& from_rdf);

// "viscosity: 0.282 +- 0.010 mPa s (eta* = 3.11 +- 0.11), Green-Kubo to 2 ps"; without an error, as
// fs_relaxation_line.
std::string viscosity_line(const ViscosityResult& viscosity, const std::string& no_error = "");

}  // namespace pelzak::analysis

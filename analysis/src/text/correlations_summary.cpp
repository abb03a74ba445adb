#include "pelzak/analysis/correlations_summary.hpp"

#include <cmath>

#include "pelzak/formats/number_text.hpp"
#include "pelzak/model/units.hpp"

namespace pelzak::analysis {

using formats::fixed;

std::string sk_peak_line(const CurvePoint& direct, const CurvePoint& from_rdf) {
  return "S(k): main peak " + fixed(direct.y, 2) + " at k = " + fixed(direct.x, 2) + " nm^-1 (" +
         fixed(direct.x * units::inverse_angstrom_per_inverse_nm, 3) + " A^-1); from g(r) " +
         fixed(from_rdf.y, 2) + " at " + fixed(from_rdf.x, 2) + " nm^-1\n";
}

namespace {

// "1.234 +- 0.012", or "1.234" where there is no error.
std::string with_error(double value, double error, int decimals) {
  return std::isnan(error) ? fixed(value, decimals)
                           : fixed(value, decimals) + " +- " + fixed(error, decimals);
}

}  // namespace

std::string fs_relaxation_line(double k, double relaxation, double error, const std::string& no_error) {
  return "F_s at k = " + fixed(k, 2) + " nm^-1: falls to 1/e at " + with_error(relaxation, error, 3) + " ps" +
         no_error + "\n";
}

std::string sk_peak_from_rdf_line(const CurvePoint& from_rdf) {
  return "S(k): main peak " + fixed(from_rdf.y, 2) + " at k = " + fixed(from_rdf.x, 2) + " nm^-1 (" +
         fixed(from_rdf.x * units::inverse_angstrom_per_inverse_nm, 3) + " A^-1), from g(r)\n";
}

std::string gs_departure_line(const CurvePoint& largest_departure) {
  return "G_s: furthest from its Gaussian at " + fixed(largest_departure.x, 1) +
         " ps (largest gap between the distributions " + fixed(largest_departure.y, 3) + ")\n";
}

std::string viscosity_line(const ViscosityResult& v, const std::string& no_error) {
  const double t_max = v.time.empty() ? no_value : v.time.back();
  return "viscosity: " + with_error(v.viscosity, v.viscosity_error, 3) +
         " mPa s (eta* = " + with_error(v.reduced, v.reduced_error, 2) + "), Green-Kubo to " +
         formats::rounded(t_max, 7) + " ps" + no_error + "\n";
}

}  // namespace pelzak::analysis

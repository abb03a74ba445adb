#include "pelzak/analysis/transport_report.hpp"

#include "pelzak/analysis/number_text.hpp"

namespace pelzak::analysis {

std::string sk_peak_line(const CurvePoint& direct, const CurvePoint& from_rdf) {
  return "S(k): main peak " + fixed(direct.y, 2) + " at k = " + fixed(direct.x, 2) + " nm^-1 (" +
         fixed(direct.x * inverse_angstrom_per_inverse_nm, 3) + " A^-1); from g(r) " + fixed(from_rdf.y, 2) +
         " at " + fixed(from_rdf.x, 2) + " nm^-1\n";
}

std::string fs_relaxation_line(double k, double relaxation, double error) {
  return "F_s at k = " + fixed(k, 2) + " nm^-1: falls to 1/e at " + fixed(relaxation, 3) + " +- " +
         fixed(error, 3) + " ps\n";
}

std::string gs_departure_line(const CurvePoint& largest_departure) {
  return "G_s: furthest from its Gaussian at " + fixed(largest_departure.x, 1) +
         " ps (largest gap between the distributions " + fixed(largest_departure.y, 3) + ")\n";
}

std::string viscosity_line(const ViscosityResult& v) {
  const double t_max = v.time.empty() ? no_value : v.time.back();
  return "viscosity: " + fixed(v.viscosity, 3) + " +- " + fixed(v.viscosity_error, 3) +
         " mPa s (eta* = " + fixed(v.reduced, 2) + " +- " + fixed(v.reduced_error, 2) + "), Green-Kubo to " +
         rounded(t_max, 7) + " ps\n";
}

}  // namespace pelzak::analysis

// g(r) as a curve: the normalised histogram of N atoms in a cubic box of side L (for any N and L, as
// the library normalises its own 864 atoms; pelzak/kernels/rdf_shells.hpp), its first peak, and the
// text of "rdf_argon.dat". With the library's histogram, atoms and box, the curve equals the file
// radial_dist writes to the bit.
#pragma once

#include <string>

#include "pelzak_model.h"

namespace pelzak::analysis {

struct RdfCurve {
  double label[model::bins];  // r / sigma at the middle of the bin's shell
  double g[model::bins];
};

// The curve of a histogram filled by `samples` configurations of `atoms` atoms in a box of side
// `box` (nm): bin b collects 2 per pair whose r / dr rounds to b, dr = box / 400.
RdfCurve rdf_curve(const double* histogram, long long atoms, double box, double samples);

struct RdfPeak {
  int bin = 0;         // from 1
  double label = 0.0;  // r / sigma
  double g = 0.0;
};

// The highest bin (the first one if several tie); in a liquid that is the first neighbour shell.
RdfPeak rdf_peak(const RdfCurve& curve);

// "rdf_argon.dat" as the library writes it: model::bins lines of r / sigma and g.
std::string rdf_table(const RdfCurve& curve);

// The curve as CSV, "r_sigma,g" and one row per bin, every number the shortest text that reads back
// as the same double ("rdf_production_argon.csv": g(r) over a whole production).
std::string rdf_csv(const RdfCurve& curve);

}  // namespace pelzak::analysis

// g(r) as the driver sees it: normalised from its own histogram for the plot and the summary, and its
// first peak.
#pragma once

#include "constants.hpp"

namespace pelzak::md {

struct RdfCurve {
  double label[model::bins];  // r / sigma at the middle of the bin's shell
  double g[model::bins];
};

// The normalisation the sampler applies at step 1000, with the same operations in the same order,
// so the curve equals the written "rdf_argon.dat" to the bit: bin b (from 1) collects 2 per pair whose
// r/dr rounds to b - 1 over model::samples samples, and is divided by the ideal-gas count 864 * rho *
// (4/3) pi (r_b^3 - r_{b-1}^3) of the shell from r_{b-1} = (b - 1) dr to r_b = b dr.
void rdf_from_histogram(const double* histogram, RdfCurve& curve);

struct RdfPeak {
  int bin = 0;         // from 1
  double label = 0.0;  // r / sigma
  double g = 0.0;
};

// The highest bin (the first one if several tie); in a liquid that is the first neighbour shell.
RdfPeak rdf_peak(const RdfCurve& curve);

}  // namespace pelzak::md

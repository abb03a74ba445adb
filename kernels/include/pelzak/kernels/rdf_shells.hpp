// g(r) of N atoms in a cubic periodic box of side L: the normalisation of the pair-distance
// histogram, for any N and L. With N = 864 and the model's box these are the library's own
// operations in its order, so radial_dist writes exactly this (and pelzak_md's and pelzak_lammps's
// curves equal the library's file to the bit).
//
// The histogram (rdf_sample_on at a PairModel, state_point_loops.hpp; the engine's RdfSampler) has
// model::bins shells of width dr spanning half the box; each pair counts 2 (once for each atom) in
// the shell its distance rounds to. A shell's count is divided by what an ideal gas of the same
// density would put there:
//     rho   = N / L^3                    atoms per nm^3
//     dr    = L / 400                    half the box side over the 200 bins
//     shell = (4/3) pi rho (r_b^3 - r_(b-1)^3),  r_b = b dr     ideal-gas partners of one atom
//     g     = histogram / ((N * shell) * samples)
// Nothing else depends on N: N * shell is the ideal-gas count of such entries per sample.
#pragma once

#include "pelzak_model.h"

namespace pelzak::kernels {

// The width dr of the shells in a box of side L: model::bins of them over half the side, L / 400
// (2.0 * model::bins is exactly 400.0, so this is the one rounding of L / 400.0). Every sampler and
// every normalisation of g(r) takes its shells from here.
constexpr double rdf_bin_width(double box) { return box / (2.0 * model::bins); }

// The normalised curve: label[b] is r / sigma at the middle of the shell from b dr to (b + 1) dr,
// g[b] the histogram over the ideal-gas count (above), for b = 0..model::bins-1. samples is the
// number of configurations that filled the histogram.
void rdf_normalise(const double* histogram, long long atoms, double box, double samples, double* label,
                   double* g);

}  // namespace pelzak::kernels

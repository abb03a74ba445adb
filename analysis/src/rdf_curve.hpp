// g(r) of N atoms in a cubic periodic box of side L: the sampler's histogram and normalisation,
// generalised from the library's 864 atoms in its fixed box.
//
// The library (radial_dist) bins pair distances into model::bins shells of width dr spanning half
// the box, and divides each bin's count by what an ideal gas of the same density would put there:
//     rho   = N / L^3                    atoms per nm^3
//     dr    = L / 400                    half the box side over the 200 bins
//     shell = (4/3) pi rho (r_b^3 - r_(b-1)^3),  r_b = b dr     ideal-gas partners of one atom
//     g     = histogram / ((N * shell) * samples)
// Nothing in it depends on N = 864 except these two numbers: the histogram counts 2 per pair (once
// for each atom), N * shell is the ideal-gas count of such entries per sample, and the shells keep
// spanning half of whatever box they are given. With N = 864 and L = model::box the operations below
// are the library's, in its order, so the results are the same to the bit.
#pragma once

#include <string>

#include "pelzak_model.h"

namespace pelzak::analysis {

// Adds one configuration's pairs to histogram[0..model::bins): positions are stored axis by axis (x of
// all atoms, then y, then z), in nm, wrapped or not. Every pair i < j is taken at its minimum image,
// its distance r rounded to the nearest bin (halves away from zero) and counted 2 if that bin is below
// model::bins; farther pairs and non-finite distances are dropped. atoms * (atoms - 1) / 2 distances:
// about 0.1 s for 6,912 atoms.
void rdf_sample(const double* positions, long long atoms, double box, double* histogram);

// The normalised curve: label[b] is r / sigma at the middle of the shell from b dr to (b + 1) dr,
// g[b] the histogram over the ideal-gas count (above), for b = 0..model::bins-1. samples is the number
// of rdf_sample calls that filled the histogram.
void rdf_normalise(const double* histogram, long long atoms, double box, double samples, double* label,
                   double* g);

// "rdf_argon.dat" as the library writes it: model::bins lines of 52 characters, one blank, the label's
// 25-character number field, one blank, g's field, then a line feed.
std::string rdf_table(const double* label, const double* g);

}  // namespace pelzak::analysis

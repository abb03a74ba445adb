// The two all-pairs loops of the library, as plain functions over configuration arrays.
//
// These scalar versions are the reference: they visit pairs (i, j), i ascending and for each i
// j ascending from i + 1, and accumulate in exactly that order, which fixes every bit of the
// results. A faster kernel placed beside them must reproduce them bit for bit.
#pragma once

namespace pelzak::aux {

// Lennard-Jones pair loop. forces must be zeroed by the caller; each pair inside the cut-off
// adds its force (N) to atom i and subtracts it from atom j, and adds (q^12 - q^6), q = sigma/r,
// to *lj_sum (unscaled, in visiting order, starting from the value passed in).
void lj_pairs_reference(const double* positions, double* forces, double* lj_sum);

// Pair-distance histogram: every pair adds 2.0 to the bin its r / dr rounds to (0-based);
// pairs whose rounded r / dr exceeds 199, or is NaN, are counted nowhere.
void rdf_sample_reference(const double* positions, double* histogram);

// The loops force_atoms and radial_dist run: the fastest kernels this processor has
// (pair_kernels.hpp), bit for bit the same results as the two above.
void lj_pairs(const double* positions, double* forces, double* lj_sum);
void rdf_sample(const double* positions, double* histogram);

}  // namespace pelzak::aux

// The fast pair kernels beside the reference ones, and how one of them is chosen.
//
// Every kernel reproduces the reference kernels of kernels.hpp bit for bit. The vector kernels
// (one template, pair_kernels_vector.hpp) are compiled for their instruction set alone
// (pair_kernels_avx2.cpp, pair_kernels_avx512.cpp) and only ever called after the processor has
// been asked whether it runs them. The Lennard-Jones kernels share the Verlet list of
// neighbour_list.hpp.
#pragma once

#include <cstdint>

namespace pelzak::aux {

enum class Isa { reference, scalar, avx2, avx512 };

// Whether this build has the kernels of isa and this processor runs them.
bool isa_available(Isa isa);
// The kernels force_atoms and radial_dist use: the ones the environment variable PELZAK_ISA
// names ("reference", "scalar", "avx2", "avx512") if available, else the fastest available.
// Decided afresh on every call: nothing is cached.
Isa selected_isa();
// The kernels force_atoms and radial_dist run on this call: selected_isa() while the processor
// rounds to nearest, else the reference loops (the fast kernels' thresholds assume that rounding).
Isa isa_for_this_call();
// The name PELZAK_ISA uses for isa.
const char* isa_name(Isa isa);

// The pair loops on a given instruction set (an unavailable one runs the portable kernels).
void lj_pairs_on(Isa isa, const double* positions, double* forces, double* lj_sum);
void rdf_sample_on(Isa isa, const double* positions, double* histogram);

// The minimum image d - L * round(d / L) of d[0 ... n-1] as the pair loops of isa compute it, for
// the tests: a slip at an image threshold moves a separation from about +L/2 to about -L/2,
// which no pair result shows (such pairs are out of every range), so it is tested here. Each
// value is taken as the separation of two atoms along all three axes at once; image gets 3 n
// values, x, y and z for each.
void nearest_images_on(Isa isa, const double* d, double* image, int n);

// lj_pairs_*: exactly as lj_pairs_reference. rdf_count_*: add to counts[b] (200 zeroed ints)
// the number of pairs to which rdf_sample_reference would add 2.0 in bin b.
void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum);
void rdf_count_scalar(const double* positions, std::int32_t* counts);
void nearest_images_scalar(const double* d, double* image, int n);
#if defined(PELZAK_X86_KERNELS)
void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx2(const double* positions, std::int32_t* counts);
void nearest_images_avx2(const double* d, double* image, int n);
void lj_pairs_avx512(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx512(const double* positions, std::int32_t* counts);
void nearest_images_avx512(const double* d, double* image, int n);
#endif

}  // namespace pelzak::aux

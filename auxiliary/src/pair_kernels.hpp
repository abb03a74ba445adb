// The fast pair kernels beside the reference ones, and how one of them is chosen.
//
// Every kernel reproduces the reference kernels of kernels.hpp bit for bit. The vector kernels
// are compiled for their instruction set alone (pair_kernels_avx2.cpp, pair_kernels_avx512.cpp)
// and only ever called after the processor has been asked whether it runs them.
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
// The name PELZAK_ISA uses for isa.
const char* isa_name(Isa isa);

// The pair loops on a given instruction set (an unavailable one runs the portable kernels).
void lj_pairs_on(Isa isa, const double* positions, double* forces, double* lj_sum);
void rdf_sample_on(Isa isa, const double* positions, double* histogram);

// lj_pairs_*: exactly as lj_pairs_reference. rdf_count_*: add to counts[b] (200 zeroed ints)
// the number of pairs to which rdf_sample_reference would add 2.0 in bin b.
void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum);
void rdf_count_scalar(const double* positions, std::int32_t* counts);
#if defined(PELZAK_X86_KERNELS)
void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx2(const double* positions, std::int32_t* counts);
void lj_pairs_avx512(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx512(const double* positions, std::int32_t* counts);
#endif

}  // namespace pelzak::aux

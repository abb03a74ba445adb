// The fast kernel sets, one function per loop and set, which dispatch.cpp chooses among.
//
// Every kernel reproduces the reference loops (pelzak/kernels/pair_loops.hpp) bit for bit. The
// vector kernels (one template, vector/vector_loops.hpp) are compiled for their instruction set
// alone (vector/avx2_loops.cpp, vector/avx512_loops.cpp) and only ever called after the processor
// has been asked whether it runs them. The Lennard-Jones kernels share the Verlet list of
// lists/verlet_list.hpp.
#pragma once

#include <cstdint>

namespace pelzak::kernels {

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

}  // namespace pelzak::kernels

// The fast kernel sets, one function per loop and set, which dispatch.cpp chooses among.
//
// Every kernel reproduces the reference loops bit for bit. The vector kernels (one template,
// vector/vector_loops.hpp) are compiled for their instruction set alone (vector/avx2_loops.cpp,
// vector/avx512_loops.cpp) and only ever called after the processor has been asked whether it runs
// them. Each set comes twice from the same template: for the library's liquid (its own Verlet list,
// lists/verlet_list.hpp, and arrays on the stack) and for a state point of the engine's.
#pragma once

#include <cstdint>

#include "pelzak/kernels/candidate_list.hpp"
#include "pelzak/kernels/pair_model.hpp"
#include "pelzak/kernels/state_point_loops.hpp"

namespace pelzak::kernels {

// The library's: lj_pairs_* exactly as lj_pairs_reference; rdf_count_* add to counts[b] the number
// of pairs to which rdf_sample_reference would add 2.0 in bin b. The engine's g(r) (with a
// PairModel): as rdf_sample_on of pelzak/kernels/state_point_loops.hpp.
void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum);
void rdf_count_scalar(const double* positions, std::int64_t* counts);
void rdf_count_scalar(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch);
#if defined(PELZAK_X86_KERNELS)
void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx2(const double* positions, std::int64_t* counts);
void rdf_count_avx2(const PairModel& m, const double* positions, std::int64_t* counts,
                    const PairScratch& scratch);
void lj_pairs_avx512(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx512(const double* positions, std::int64_t* counts);
void rdf_count_avx512(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch);
#endif

}  // namespace pelzak::kernels

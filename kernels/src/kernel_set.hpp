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
// of pairs to which rdf_sample_reference would add 2.0 in bin b. The engine's (with a PairModel):
// as the functions of pelzak/kernels/state_point_loops.hpp whose names end in _on.
void lj_pairs_scalar(const double* positions, double* forces, double* lj_sum);
void rdf_count_scalar(const double* positions, std::int64_t* counts);
void lj_listed_scalar(const PairModel& m, const double* positions, const CandidateList& list, double* forces,
                      double* lj_sum, double* virial, const PairScratch& scratch);
void rdf_count_scalar(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch);
int grid_row_scalar(const CellGrid& grid, int i, std::uint32_t reach_sq, std::int32_t* out);
int lj_terms_scalar(const PairModel& m, const double* xyz, const CandidateList& list, int first, int last,
                    bool with_virial, const PairTerms& out);
#if defined(PELZAK_X86_KERNELS)
void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx2(const double* positions, std::int64_t* counts);
void lj_listed_avx2(const PairModel& m, const double* positions, const CandidateList& list, double* forces,
                    double* lj_sum, double* virial, const PairScratch& scratch);
void rdf_count_avx2(const PairModel& m, const double* positions, std::int64_t* counts,
                    const PairScratch& scratch);
int grid_row_avx2(const CellGrid& grid, int i, std::uint32_t reach_sq, std::int32_t* out);
int lj_terms_avx2(const PairModel& m, const double* xyz, const CandidateList& list, int first, int last,
                  bool with_virial, const PairTerms& out);
void lj_pairs_avx512(const double* positions, double* forces, double* lj_sum);
void rdf_count_avx512(const double* positions, std::int64_t* counts);
void lj_listed_avx512(const PairModel& m, const double* positions, const CandidateList& list, double* forces,
                      double* lj_sum, double* virial, const PairScratch& scratch);
void rdf_count_avx512(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch);
int grid_row_avx512(const CellGrid& grid, int i, std::uint32_t reach_sq, std::int32_t* out);
int lj_terms_avx512(const PairModel& m, const double* xyz, const CandidateList& list, int first, int last,
                    bool with_virial, const PairTerms& out);
#endif

}  // namespace pelzak::kernels

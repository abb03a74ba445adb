// The pair kernels for AVX512: the vector template of vector_loops.hpp on the lanes of avx512_lanes.hpp,
// for the library's liquid and for any state point of the engine's.
#include "vector/avx512_lanes.hpp"

#include <cstdint>

#include "kernel_set.hpp"
#include "vector/vector_loops.hpp"

namespace pelzak::kernels {

void lj_pairs_avx512(const double* positions, double* forces, double* lj_sum) {
  vector_kernels::lj_pairs<Avx512>(positions, forces, lj_sum);
}

void rdf_count_avx512(const double* positions, std::int64_t* counts) {
  vector_kernels::rdf_count_library<Avx512>(positions, counts);
}

void lj_listed_avx512(const PairModel& m, const double* positions, const CandidateList& list, double* forces,
                      double* lj_sum, double* virial, const PairScratch& scratch) {
  if (virial) {
    vector_kernels::lj_listed<Avx512, true>(m, positions, list, forces, lj_sum, virial, scratch);
  } else {
    vector_kernels::lj_listed<Avx512, false>(m, positions, list, forces, lj_sum, nullptr, scratch);
  }
}

void rdf_count_avx512(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch) {
  vector_kernels::rdf_count<Avx512>(m, positions, counts, scratch);
}

int grid_row_avx512(const CellGrid& grid, int i, std::uint32_t reach_sq, std::int32_t* out) {
  return vector_kernels::grid_row<Avx512>(grid, i, reach_sq, out);
}

int lj_terms_avx512(const PairModel& m, const double* xyz, const CandidateList& list, int first, int last,
                    bool with_virial, const PairTerms& out) {
  return with_virial ? vector_kernels::lj_terms<Avx512, true>(m, xyz, list, first, last, out)
                     : vector_kernels::lj_terms<Avx512, false>(m, xyz, list, first, last, out);
}

}  // namespace pelzak::kernels

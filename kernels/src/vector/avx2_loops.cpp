// The pair kernels for AVX2: the vector template of vector_loops.hpp on the lanes of avx2_lanes.hpp,
// for the library's liquid and for any state point of the engine's.
#include "vector/avx2_lanes.hpp"

#include <cstdint>

#include "kernel_set.hpp"
#include "vector/vector_loops.hpp"

namespace pelzak::kernels {

void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum) {
  vector_kernels::lj_pairs<Avx2>(positions, forces, lj_sum);
}

void rdf_count_avx2(const double* positions, std::int64_t* counts) {
  vector_kernels::rdf_count_library<Avx2>(positions, counts);
}

void lj_listed_avx2(const PairModel& m, const double* positions, const CandidateList& list, double* forces,
                    double* lj_sum, double* virial, const PairScratch& scratch) {
  if (virial) {
    vector_kernels::lj_listed<Avx2, true>(m, positions, list, forces, lj_sum, virial, scratch);
  } else {
    vector_kernels::lj_listed<Avx2, false>(m, positions, list, forces, lj_sum, nullptr, scratch);
  }
}

void rdf_count_avx2(const PairModel& m, const double* positions, std::int64_t* counts,
                    const PairScratch& scratch) {
  vector_kernels::rdf_count<Avx2>(m, positions, counts, scratch);
}

int grid_row_avx2(const CellGrid& grid, int i, std::uint32_t reach_sq, std::int32_t* out) {
  return vector_kernels::grid_row<Avx2>(grid, i, reach_sq, out);
}

int lj_terms_avx2(const PairModel& m, const double* xyz, const CandidateList& list, int first, int last,
                  bool with_virial, const PairTerms& out) {
  return with_virial ? vector_kernels::lj_terms<Avx2, true>(m, xyz, list, first, last, out)
                     : vector_kernels::lj_terms<Avx2, false>(m, xyz, list, first, last, out);
}

}  // namespace pelzak::kernels

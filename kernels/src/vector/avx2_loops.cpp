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

void rdf_count_avx2(const PairModel& m, const double* positions, std::int64_t* counts,
                    const PairScratch& scratch) {
  vector_kernels::rdf_count<Avx2>(m, positions, counts, scratch);
}

}  // namespace pelzak::kernels

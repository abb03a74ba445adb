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

void rdf_count_avx512(const PairModel& m, const double* positions, std::int64_t* counts,
                      const PairScratch& scratch) {
  vector_kernels::rdf_count<Avx512>(m, positions, counts, scratch);
}

}  // namespace pelzak::kernels

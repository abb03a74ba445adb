// The pair kernels for AVX2: the vector template of vector_loops.hpp on the lanes of avx2_lanes.hpp.
#include "vector/avx2_lanes.hpp"

#include <cstdint>

#include "kernel_set.hpp"
#include "vector/vector_loops.hpp"

namespace pelzak::kernels {

void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum) {
  vector_kernels::lj_pairs<Avx2>(positions, forces, lj_sum);
}

void rdf_count_avx2(const double* positions, std::int32_t* counts) {
  vector_kernels::rdf_count<Avx2>(positions, counts);
}

}  // namespace pelzak::kernels

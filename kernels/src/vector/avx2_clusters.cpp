// The engine's cluster-pair kernel for AVX2: the four-lane template of cluster/cluster_lanes.hpp
// on one 256-bit vector, the four j-atoms of a cluster in its lanes (one aligned load each of x,
// y and z; no gathers).
#include "cluster/cluster_lanes.hpp"
#include "cluster/cluster_sets.hpp"
#include "vector/intrinsics.hpp"

namespace pelzak::kernels {

namespace {

struct Avx2Lanes {
  using V = Vd256;
  using Mask = __m256d;  // all ones in a lane that is set
  static V load(const double* p) { return _mm256_load_pd(p); }
  static void store(double* p, V a) { _mm256_store_pd(p, a.v); }
  static Mask less(V a, V b) { return _mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ); }
  static Mask lanes(unsigned bits) {
    const __m256i bit = _mm256_setr_epi64x(1, 2, 4, 8);
    const __m256i set = _mm256_and_si256(_mm256_set1_epi64x(bits), bit);
    return _mm256_castsi256_pd(_mm256_cmpeq_epi64(set, bit));
  }
  static Mask both(Mask m, Mask n) { return _mm256_and_pd(m, n); }
  static V zero_unless(Mask m, V a) { return _mm256_and_pd(m, a.v); }
  static double sum4(V a) {
    const __m128d pairs = _mm_add_pd(_mm256_castpd256_pd128(a.v), _mm256_extractf128_pd(a.v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(pairs, _mm_unpackhi_pd(pairs, pairs)));
  }
};

}  // namespace

ClusterSums cluster_task_avx2(const ClusterTask& task, bool with_virial) {
  return cluster::task_on_lanes<Avx2Lanes>(task, with_virial);
}

}  // namespace pelzak::kernels

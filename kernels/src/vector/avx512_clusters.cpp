// The engine's cluster-pair kernel for AVX-512: two i-atoms times the four j-atoms of a cluster in
// each 512-bit vector (rows a = 0, 1 in one, a = 2, 3 in the other), the j-cluster's x, y and z
// each one aligned 256-bit load copied to both halves: no gathers. Lane by lane the operations are
// the scalar reference's (pelzak/kernels/cluster_pairs.hpp), and its four-lane sums fall out of the
// halves: adding the two vectors gives (f_0b + f_2b | f_1b + f_3b), and adding the halves of that
// gives (f_0b + f_2b) + (f_1b + f_3b), the reference's j-sum.
#include <algorithm>

#include "cluster/cluster_pair.hpp"
#include "cluster/cluster_sets.hpp"
#include "vector/intrinsics.hpp"

namespace pelzak::kernels {

namespace {

using Vd = Vd512;

// The halves of v added: lane b of the result is v_b + v_(4+b).
__m256d halves(__m512d v) { return _mm256_add_pd(_mm512_castpd512_pd256(v), _mm512_extractf64x4_pd(v, 1)); }

// (l0 + l2) + (l1 + l3) of four lanes.
double sum4(const double* l) { return (l[0] + l[2]) + (l[1] + l[3]); }
double sum4(__m256d v) {
  const __m128d pairs = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
  return _mm_cvtsd_f64(_mm_add_sd(pairs, _mm_unpackhi_pd(pairs, pairs)));
}

// One tile row pair's terms: rows (a, a + 1) of the 4 x 4 tile.
struct Rows {
  Vd fx, fy, fz, term;
  Vd w[6];
};

template <bool with_virial>
[[gnu::always_inline]] inline Rows rows(Vd xi, Vd yi, Vd zi, Vd sx, Vd sy, Vd sz, Vd xj, Vd yj, Vd zj,
                                        Vd cutoff_sq, __mmask8 pairs) {
  const Vd delx = (xi - sx) - xj;
  const Vd dely = (yi - sy) - yj;
  const Vd delz = (zi - sz) - zj;
  const Vd rsq = delx * delx + dely * dely + delz * delz;
  const __mmask8 in = _mm512_mask_cmp_pd_mask(pairs, rsq.v, cutoff_sq.v, _CMP_LT_OQ);
  const cluster::PairTerms<Vd> pair = cluster::pair_terms(rsq);
  const Vd fpair = _mm512_maskz_mov_pd(in, pair.fpair.v);
  Rows r;
  r.term = _mm512_maskz_mov_pd(in, pair.term.v);
  r.fx = delx * fpair;
  r.fy = dely * fpair;
  r.fz = delz * fpair;
  if (with_virial) {
    r.w[0] = delx * r.fx;
    r.w[1] = dely * r.fy;
    r.w[2] = delz * r.fz;
    r.w[3] = delx * r.fy;
    r.w[4] = delx * r.fz;
    r.w[5] = dely * r.fz;
  }
  return r;
}

template <bool with_virial>
ClusterSums run_task(const ClusterTask& t) {
  constexpr int n = cluster_size;
  std::fill(t.buffer, t.buffer + static_cast<long>(t.slots) * cluster_doubles, 0.0);
  const Vd cutoff_sq(t.cutoff_sq);
  const __m512i rows01 = _mm512_setr_epi64(0, 0, 0, 0, 1, 1, 1, 1);
  const __m512i rows23 = _mm512_setr_epi64(2, 2, 2, 2, 3, 3, 3, 3);
  __m256d energy = _mm256_setzero_pd();
  __m256d virial[6];
  for (__m256d& c : virial) c = _mm256_setzero_pd();
  for (int ci = t.first_i; ci < t.last_i; ++ci) {
    const double* xi = t.xyz + static_cast<long>(ci) * cluster_doubles;
    Vd i01[3], i23[3];
    for (int axis = 0; axis < 3; ++axis) {
      const __m512d own = _mm512_castpd256_pd512(_mm256_load_pd(xi + axis * n));
      i01[axis] = _mm512_permutexvar_pd(rows01, own);
      i23[axis] = _mm512_permutexvar_pd(rows23, own);
    }
    Vd acc01[3] = {Vd(0.0), Vd(0.0), Vd(0.0)}, acc23[3] = {Vd(0.0), Vd(0.0), Vd(0.0)};
    const int k = ci - t.first_i;
    for (int e = t.pair_start[k]; e < t.pair_start[k + 1]; ++e) {
      const ClusterPair& p = t.pairs[e];
      const double* xj = t.xyz + static_cast<long>(p.j) * cluster_doubles;
      const double* shift = t.shifts + 3 * p.shift;
      const Vd bx = _mm512_broadcast_f64x4(_mm256_load_pd(xj));
      const Vd by = _mm512_broadcast_f64x4(_mm256_load_pd(xj + n));
      const Vd bz = _mm512_broadcast_f64x4(_mm256_load_pd(xj + 2 * n));
      const Vd sx(shift[0]), sy(shift[1]), sz(shift[2]);
      const Rows r01 = rows<with_virial>(i01[0], i01[1], i01[2], sx, sy, sz, bx, by, bz, cutoff_sq,
                                         static_cast<__mmask8>(p.mask & 0xFF));
      const Rows r23 = rows<with_virial>(i23[0], i23[1], i23[2], sx, sy, sz, bx, by, bz, cutoff_sq,
                                         static_cast<__mmask8>(p.mask >> 8));
      acc01[0] = acc01[0] + r01.fx, acc01[1] = acc01[1] + r01.fy, acc01[2] = acc01[2] + r01.fz;
      acc23[0] = acc23[0] + r23.fx, acc23[1] = acc23[1] + r23.fy, acc23[2] = acc23[2] + r23.fz;
      double* fj = t.buffer + static_cast<long>(p.slot) * cluster_doubles;
      _mm256_store_pd(fj, _mm256_sub_pd(_mm256_load_pd(fj), halves((r01.fx + r23.fx).v)));
      _mm256_store_pd(fj + n, _mm256_sub_pd(_mm256_load_pd(fj + n), halves((r01.fy + r23.fy).v)));
      _mm256_store_pd(fj + 2 * n, _mm256_sub_pd(_mm256_load_pd(fj + 2 * n), halves((r01.fz + r23.fz).v)));
      energy = _mm256_add_pd(energy, halves((r01.term + r23.term).v));
      if (with_virial)
        for (int c = 0; c < 6; ++c) virial[c] = _mm256_add_pd(virial[c], halves((r01.w[c] + r23.w[c]).v));
    }
    double* fi = t.buffer + static_cast<long>(k) * cluster_doubles;
    for (int axis = 0; axis < 3; ++axis) {
      alignas(64) double lanes[16];  // rows 0, 1, then rows 2, 3
      _mm512_store_pd(lanes, acc01[axis].v);
      _mm512_store_pd(lanes + 8, acc23[axis].v);
      for (int a = 0; a < n; ++a) fi[axis * n + a] = fi[axis * n + a] + sum4(lanes + 4 * a);
    }
  }
  ClusterSums sums;
  sums.energy = sum4(energy);
  if (with_virial)
    for (int c = 0; c < 6; ++c) sums.virial[c] = sum4(virial[c]);
  return sums;
}

}  // namespace

void cluster_masks_avx512(const double* xyz, const double* xi, const double* shifts, const std::int32_t* js,
                          const std::uint16_t* shift_of, int count, double radius_sq, std::uint16_t* masks) {
  constexpr int n = cluster_size;
  const __m512i rows01 = _mm512_setr_epi64(0, 0, 0, 0, 1, 1, 1, 1);
  const __m512i rows23 = _mm512_setr_epi64(2, 2, 2, 2, 3, 3, 3, 3);
  Vd i01[3], i23[3];
  for (int axis = 0; axis < 3; ++axis) {
    const __m512d own = _mm512_castpd256_pd512(_mm256_loadu_pd(xi + axis * n));
    i01[axis] = _mm512_permutexvar_pd(rows01, own);
    i23[axis] = _mm512_permutexvar_pd(rows23, own);
  }
  const Vd radius(radius_sq);
  for (int k = 0; k < count; ++k) {
    const double* xj = xyz + static_cast<long>(js[k]) * cluster_doubles;
    const double* shift = shifts + 3 * shift_of[k];
    const Vd sx(shift[0]), sy(shift[1]), sz(shift[2]);
    const Vd bx = _mm512_broadcast_f64x4(_mm256_load_pd(xj));
    const Vd by = _mm512_broadcast_f64x4(_mm256_load_pd(xj + n));
    const Vd bz = _mm512_broadcast_f64x4(_mm256_load_pd(xj + 2 * n));
    const auto within = [&](const Vd* i) {
      const Vd delx = (i[0] - sx) - bx, dely = (i[1] - sy) - by, delz = (i[2] - sz) - bz;
      const Vd rsq = delx * delx + dely * dely + delz * delz;
      return static_cast<unsigned>(_mm512_cmp_pd_mask(rsq.v, radius.v, _CMP_LT_OQ));
    };
    masks[k] = static_cast<std::uint16_t>(within(i01) | within(i23) << 8);
  }
}

ClusterSums cluster_task_avx512(const ClusterTask& task, bool with_virial) {
  return with_virial ? run_task<true>(task) : run_task<false>(task);
}

}  // namespace pelzak::kernels

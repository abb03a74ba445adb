// The pair kernels for AVX-512 (F, DQ, VL, BW): 16 pairs per instruction in the coarse look,
// 8 per instruction in the exact double arithmetic.
//
// Lennard-Jones, row by row (atom i against j = i+1 ... 864):
//   1. candidates: the coarse look over 16-bit cell words (coarse_cells.hpp), or, when the
//      configuration has coordinates the cells cannot hold, the exact squared distance;
//   2. the exact pair arithmetic for the candidates, gathered 8 at a time: minimum image
//      (image_bounds.hpp), rsq, and for every lane r, q^12 - q^6 and the force components with
//      the reference's operations in the reference's order; a row's blocks are issued in
//      between the looks at the next row, where the divider has time for them;
//   3. the ordered sums (lj_row.hpp).
// g(r): the bin of 16 pairs at once from the cell distance in single precision; the few pairs
// whose r / dr lies too near a rounding edge for that are redone exactly (r = sqrt(rsq), r / dr
// rounded half away from zero), as are all pairs of a configuration the cells cannot hold.
//
// Only correctly rounded IEEE operations are used (add, sub, mul, div, sqrt, truncation); the
// file is compiled with -ffp-contract=off like the rest, so nothing is fused.
//
// GCC 12 warns inside its own intrinsic headers that their deliberately undefined source
// registers are used uninitialized (GCC bug 105593); the warning is silenced for them alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstdint>

#include "coarse_cells.hpp"
#include "image_bounds.hpp"
#include "lj_row.hpp"
#include "pair_kernels.hpp"
#include "pelzak_model.h"

namespace pelzak::aux {
namespace {

using namespace model;

__m512d splat(double v) { return _mm512_set1_pd(v); }

// Truncation toward zero, exact.
__m512d truncate(__m512d q) { return _mm512_roundscale_pd(q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }

// x[j] for 8 indices (the masked form: the plain one makes GCC 12 warn about its undefined source).
__m512d gather(const double* x, __m256i j) {
  return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, j, x, 8);
}

// d - L * round(d / L) on 8 lanes, bit for bit.
__m512d nearest_image(__m512d d) {
  const __m512d sign = splat(-0.0);
  const __m512d ad = _mm512_andnot_pd(sign, d);
  __m512d n;  // |round(d / L)|, or round(d / L) itself on the division path
  if (_mm512_cmp_pd_mask(ad, splat(image::wrap_limit), _CMP_NLT_UQ) != 0) {
    // Some lane is far, infinite or NaN: n = round(d / L) for all lanes, exactly. Truncation is
    // exact, q - t is exact, and adding copysign(1, q) only where |q - t| >= 0.5 keeps -0.0
    // (round(-0.25) is -0.0) and passes infinities and NaN through as round() does.
    const __m512d q = _mm512_div_pd(d, splat(box));
    const __m512d t = truncate(q);
    const __mmask8 up =
        _mm512_cmp_pd_mask(_mm512_andnot_pd(sign, _mm512_sub_pd(q, t)), splat(0.5), _CMP_GE_OQ);
    n = _mm512_mask_add_pd(t, up, t, _mm512_or_pd(_mm512_and_pd(q, sign), splat(1.0)));
    return _mm512_sub_pd(d, _mm512_mul_pd(splat(box), n));
  }
  // |n| = the number of thresholds |d| has passed; L * n = copysign(fl(L * |n|), d). Nearly
  // always every lane is below T_2, and one comparison decides.
  n = _mm512_maskz_mov_pd(_mm512_cmp_pd_mask(ad, splat(image::wrap_1), _CMP_GE_OQ), splat(1.0));
  const __mmask8 twice = _mm512_cmp_pd_mask(ad, splat(image::wrap_2), _CMP_GE_OQ);
  if (twice != 0) {
    n = _mm512_mask_add_pd(n, twice, n, splat(1.0));
    n = _mm512_mask_add_pd(n, _mm512_cmp_pd_mask(ad, splat(image::wrap_3), _CMP_GE_OQ), n, splat(1.0));
  }
  return _mm512_sub_pd(d, _mm512_or_pd(_mm512_and_pd(d, sign), _mm512_mul_pd(splat(box), n)));
}

struct Separation {
  __m512d delx, dely, delz, rsq;
};

Separation separation(__m512d xi, __m512d yi, __m512d zi, __m512d xj, __m512d yj, __m512d zj) {
  Separation s;
  s.delx = nearest_image(_mm512_sub_pd(xi, xj));
  s.dely = nearest_image(_mm512_sub_pd(yi, yj));
  s.delz = nearest_image(_mm512_sub_pd(zi, zj));
  s.rsq = _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(s.delx, s.delx), _mm512_mul_pd(s.dely, s.dely)),
                        _mm512_mul_pd(s.delz, s.delz));
  return s;
}

// Lanes j0 + 0 ... j0 + lanes - 1 that are atoms.
unsigned tail_mask(int j0, int lanes) {
  const int left = atoms - j0;
  return left >= lanes ? (1u << lanes) - 1 : (1u << left) - 1;
}

// Row i-1's exact arithmetic, issued a block of 8 candidates at a time while row i is looked at,
// so that the divider works while the other units look at pairs.
struct PendingRow {
  const double* positions;
  __m512d xi, yi, zi;     // atom i-1 in every lane
  const std::int32_t* j;  // its candidates
  int n;                  // how many
  int done;               // how many have their results in row
  LjRow* row;
};

// The exact per-pair results of candidates t ... t+7 of a pending row.
[[gnu::always_inline]] inline void issue_block(const PendingRow& p, int t) {
  const double* x = p.positions + x_axis;
  const double* y = p.positions + y_axis;
  const double* z = p.positions + z_axis;
  const __m256i j = _mm256_load_si256(reinterpret_cast<const __m256i*>(p.j + t));
  const Separation s = separation(p.xi, p.yi, p.zi, gather(x, j), gather(y, j), gather(z, j));
  _mm512_store_pd(p.row->rsq + t, s.rsq);
  if (_mm512_cmp_pd_mask(s.rsq, splat(cutoff_sq), _CMP_LT_OQ) == 0) return;

  const __m512d r = _mm512_sqrt_pd(s.rsq);
  const __m512d q = _mm512_div_pd(splat(sigma), r);
  const __m512d q2 = _mm512_mul_pd(q, q);
  const __m512d q4 = _mm512_mul_pd(q2, q2);
  const __m512d q8 = _mm512_mul_pd(q4, q4);
  const __m512d q6 = _mm512_mul_pd(q2, q4);
  const __m512d q12 = _mm512_mul_pd(q4, q8);
  _mm512_store_pd(p.row->term + t, _mm512_sub_pd(q12, q6));
  const __m512d fpair = _mm512_mul_pd(_mm512_sub_pd(_mm512_mul_pd(splat(2.0), q12), q6),
                                      _mm512_mul_pd(_mm512_div_pd(splat(1.0), r), splat(force_factor)));
  _mm512_store_pd(p.row->fx + t, _mm512_div_pd(_mm512_mul_pd(s.delx, fpair), r));
  _mm512_store_pd(p.row->fy + t, _mm512_div_pd(_mm512_mul_pd(s.dely, fpair), r));
  _mm512_store_pd(p.row->fz + t, _mm512_div_pd(_mm512_mul_pd(s.delz, fpair), r));
}

// Candidates j > i by the coarse look at the cell words; returns how many. Every 8 looks (128
// pairs) one block of the pending row is issued.
int coarse_candidates(const coarse::CellCoordinates& cells, int i, std::int32_t* j_out, PendingRow& pending) {
  const __m512i xyi = _mm512_set1_epi32(cells.xy[i]);
  const __m512i zi = _mm512_set1_epi32(cells.z[i]);
  const __m512i reach = _mm512_set1_epi32(static_cast<std::int32_t>(coarse::reach_sq));
  __m512i j = _mm512_add_epi32(_mm512_set1_epi32(i + 1),
                               _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  int n = 0;
  int looks = 0;
  int done = pending.done;  // in a register: the stores below may alias the struct
  const auto look = [&](int j0, __mmask16 valid) {
    // x and y cells subtracted half by half, z whole; each multiply-add of 16-bit halves gives
    // an exact sum of squares, dx^2 + dy^2 and dz^2 (each at most 2^31, the total below 2^32).
    const __m512i dxy = _mm512_sub_epi16(xyi, _mm512_loadu_si512(cells.xy + j0));
    const __m512i dz = _mm512_sub_epi32(zi, _mm512_loadu_si512(cells.z + j0));
    const __m512i cells_sq = _mm512_add_epi32(_mm512_madd_epi16(dxy, dxy), _mm512_madd_epi16(dz, dz));
    const __mmask16 near = _mm512_mask_cmplt_epu32_mask(valid, cells_sq, reach);
    _mm512_storeu_si512(j_out + n, _mm512_maskz_compress_epi32(near, j));
    n += _mm_popcnt_u32(near);
    j = _mm512_add_epi32(j, _mm512_set1_epi32(16));
    if ((++looks & 7) == 0 && done < pending.n) {
      issue_block(pending, done);
      done += 8;
    }
  };
  int j0 = i + 1;
  for (; j0 + 16 <= atoms; j0 += 16) look(j0, 0xFFFF);
  if (j0 < atoms) look(j0, static_cast<__mmask16>(tail_mask(j0, 16)));
  pending.done = done;
  return n;
}

// Candidates j > i by the exact squared distance, for configurations the cells cannot hold.
int exact_candidates(const double* positions, int i, std::int32_t* j_out) {
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  const __m512d xi = splat(x[i]), yi = splat(y[i]), zi = splat(z[i]);
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  int n = 0;
  for (int j0 = i + 1; j0 < atoms; j0 += 8) {
    const __mmask8 valid = static_cast<__mmask8>(tail_mask(j0, 8));
    const Separation s =
        separation(xi, yi, zi, _mm512_maskz_loadu_pd(valid, x + j0), _mm512_maskz_loadu_pd(valid, y + j0),
                   _mm512_maskz_loadu_pd(valid, z + j0));
    const __mmask8 near = _mm512_mask_cmp_pd_mask(valid, s.rsq, splat(cutoff_sq), _CMP_LT_OQ);
    const __m256i j = _mm256_add_epi32(_mm256_set1_epi32(j0), lane);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(j_out + n), _mm256_maskz_compress_epi32(near, j));
    n += _mm_popcnt_u32(near);
  }
  return n;
}

// Counters of g(r) bins, one set of kSlots per vector lane (lane k's bin b at k * kSlots + b);
// slot `bins` of each set counts the pairs that fall in no bin.
struct RdfLanes {
  static constexpr int kSlots = 208;
  alignas(64) std::int32_t count[16 * kSlots];
};

// Counts the n pairs (ci[k], cj[k]), k < n <= 8, in their g(r) bins with the exact arithmetic:
// r = sqrt(rsq), bin = round(r / dr) halves away from zero (q >= 0, so q - trunc(q) is the
// fraction), counted if at most 199.
void count_exact(const double* positions, const std::int32_t* ci, const std::int32_t* cj, int n,
                 std::int32_t* counts) {
  if (n <= 0) return;
  const __mmask8 valid = static_cast<__mmask8>((1u << n) - 1);
  const __m256i i = _mm256_maskz_loadu_epi32(valid, ci);
  const __m256i j = _mm256_maskz_loadu_epi32(valid, cj);
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  const Separation s =
      separation(gather(x, i), gather(y, i), gather(z, i), gather(x, j), gather(y, j), gather(z, j));
  const __m512d q = _mm512_div_pd(_mm512_sqrt_pd(s.rsq), splat(bin_width));
  const __m512d t = truncate(q);
  const __mmask8 up = _mm512_cmp_pd_mask(_mm512_sub_pd(q, t), splat(0.5), _CMP_GE_OQ);
  const __m512d bin = _mm512_mask_add_pd(t, up, t, splat(1.0));
  unsigned counted = _mm512_mask_cmp_pd_mask(valid, bin, splat(bins - 1.0), _CMP_LE_OQ);
  alignas(32) std::int32_t b[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(b), _mm512_cvttpd_epi32(bin));
  for (; counted != 0; counted &= counted - 1) ++counts[b[__builtin_ctz(counted)]];
}

// g(r) counts with the exact squared distance of every pair, for configurations the cells
// cannot hold. Pairs at or beyond half the box side (200 bins) round to bin 200 or more, so they
// skip the square root and the division.
void rdf_count_exact(const double* positions, std::int32_t* counts) {
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  constexpr double reach = bins * bin_width;
  constexpr double last_bin = bins - 1;
  for (int i = 0; i < atoms - 1; ++i) {
    const __m512d xi = splat(x[i]), yi = splat(y[i]), zi = splat(z[i]);
    for (int j0 = i + 1; j0 < atoms; j0 += 8) {
      const __mmask8 valid = static_cast<__mmask8>(tail_mask(j0, 8));
      const Separation s =
          separation(xi, yi, zi, _mm512_maskz_loadu_pd(valid, x + j0), _mm512_maskz_loadu_pd(valid, y + j0),
                     _mm512_maskz_loadu_pd(valid, z + j0));
      const __mmask8 near = _mm512_mask_cmp_pd_mask(valid, s.rsq, splat(reach * reach), _CMP_LT_OQ);
      if (near == 0) continue;
      const __m512d q = _mm512_div_pd(_mm512_sqrt_pd(s.rsq), splat(bin_width));
      const __m512d t = truncate(q);
      const __mmask8 up = _mm512_cmp_pd_mask(_mm512_sub_pd(q, t), splat(0.5), _CMP_GE_OQ);
      const __m512d bin = _mm512_mask_add_pd(t, up, t, splat(1.0));
      unsigned counted = _mm512_mask_cmp_pd_mask(near, bin, splat(last_bin), _CMP_LE_OQ);
      alignas(32) std::int32_t b[8];
      _mm256_store_si256(reinterpret_cast<__m256i*>(b), _mm512_cvttpd_epi32(bin));
      for (; counted != 0; counted &= counted - 1) ++counts[b[__builtin_ctz(counted)]];
    }
  }
}

}  // namespace

void lj_pairs_avx512(const double* positions, double* forces, double* lj_sum) {
  coarse::CellCoordinates cells;
  const bool ordinary = coarse::cell_coordinates(positions, &cells);
  alignas(64) std::int32_t j_of[2][coarse::padded];
  LjRow row;
  double energy = *lj_sum;
  PendingRow pending{positions, splat(0.0), splat(0.0), splat(0.0), j_of[1], 0, 0, &row};
  for (int i = 0; i < atoms; ++i) {
    // Row i's candidates (the last atom has none) while row i-1's arithmetic is issued ...
    std::int32_t* j_now = j_of[i & 1];
    int n = 0;
    if (i < atoms - 1) {
      n = ordinary ? coarse_candidates(cells, i, j_now, pending) : exact_candidates(positions, i, j_now);
      pad_candidates(j_now, i, n);
    }
    for (; pending.done < pending.n; pending.done += 8) issue_block(pending, pending.done);
    // ... then row i-1's sums, in order.
    if (i > 0) accumulate_lj_row(row, pending.j, i - 1, pending.n, forces, &energy);
    pending = PendingRow{positions,
                         splat(positions[x_axis + i]),
                         splat(positions[y_axis + i]),
                         splat(positions[z_axis + i]),
                         j_now,
                         n,
                         0,
                         &row};
  }
  *lj_sum = energy;
}

void rdf_count_avx512(const double* positions, std::int32_t* counts) {
  coarse::CellCoordinates cells;
  if (!coarse::cell_coordinates(positions, &cells)) return rdf_count_exact(positions, counts);
  RdfLanes lanes = {};
  alignas(64) std::int32_t near_i[48], near_j[48];  // pairs too near a bin edge, done exactly
  int near_n = 0;
  const __m512i lane_base =
      _mm512_mullo_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                         _mm512_set1_epi32(RdfLanes::kSlots));
  const __m512i nowhere = _mm512_add_epi32(lane_base, _mm512_set1_epi32(bins));
  for (int i = 0; i < atoms - 1; ++i) {
    const __m512i xyi = _mm512_set1_epi32(cells.xy[i]);
    const __m512i zi = _mm512_set1_epi32(cells.z[i]);
    __m512i j = _mm512_add_epi32(_mm512_set1_epi32(i + 1),
                                 _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    for (int j0 = i + 1; j0 < atoms; j0 += 16) {
      const __mmask16 valid = static_cast<__mmask16>(tail_mask(j0, 16));
      const __m512i dxy = _mm512_sub_epi16(xyi, _mm512_loadu_si512(cells.xy + j0));
      const __m512i dz = _mm512_sub_epi32(zi, _mm512_loadu_si512(cells.z + j0));
      const __m512i cells_sq = _mm512_add_epi32(_mm512_madd_epi16(dxy, dxy), _mm512_madd_epi16(dz, dz));
      // h = r / dr + 1/2 in single precision; its floor is the bin unless h is near a whole number.
      const __m512 h = _mm512_add_ps(_mm512_mul_ps(_mm512_sqrt_ps(_mm512_cvtepu32_ps(cells_sq)),
                                                   _mm512_set1_ps(static_cast<float>(coarse::bins_per_cell))),
                                     _mm512_set1_ps(0.5f));
      const __m512 bin = _mm512_roundscale_ps(h, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
      const __m512 frac = _mm512_sub_ps(h, bin);
      const __mmask16 clear =
          _mm512_mask_cmp_ps_mask(valid, frac, _mm512_set1_ps(coarse::bin_margin), _CMP_GE_OQ) &
          _mm512_cmp_ps_mask(frac, _mm512_set1_ps(1.0f - coarse::bin_margin), _CMP_LE_OQ);
      const __mmask16 in_bins = _mm512_cmp_ps_mask(bin, _mm512_set1_ps(bins - 1.0f), _CMP_LE_OQ);
      const __mmask16 edge = valid & ~clear & _mm512_cmp_ps_mask(bin, _mm512_set1_ps(bins), _CMP_LE_OQ);
      // One counter set per lane: the 16 increments never touch the same counter.
      alignas(64) std::int32_t slot[16];
      _mm512_store_si512(
          slot, _mm512_mask_add_epi32(nowhere, clear & in_bins, lane_base, _mm512_cvttps_epi32(bin)));
      for (int k = 0; k < 16; ++k) ++lanes.count[slot[k]];
      if (edge != 0) {
        _mm512_storeu_si512(near_j + near_n, _mm512_maskz_compress_epi32(edge, j));
        _mm512_storeu_si512(near_i + near_n, _mm512_set1_epi32(i));
        near_n += _mm_popcnt_u32(edge);
        for (; near_n >= 8; near_n -= 8) {
          count_exact(positions, near_i, near_j, 8, counts);
          for (int t = 0; t < 32; ++t) near_i[t] = near_i[t + 8], near_j[t] = near_j[t + 8];
        }
      }
      j = _mm512_add_epi32(j, _mm512_set1_epi32(16));
    }
  }
  count_exact(positions, near_i, near_j, near_n, counts);
  for (int k = 0; k < 16; ++k)
    for (int b = 0; b < bins; ++b) counts[b] += lanes.count[k * RdfLanes::kSlots + b];
}

}  // namespace pelzak::aux

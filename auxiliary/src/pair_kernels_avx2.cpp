// The pair kernels for AVX2: 8 pairs per instruction in the coarse look, 4 per instruction in the
// exact double arithmetic. The same three stages as the AVX-512 kernels
// (pair_kernels_avx512.cpp); AVX2 has no mask registers and no compress instruction, so lane
// masks come from comparisons and the candidates are packed through a small table.
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

__m256d splat(double v) { return _mm256_set1_pd(v); }

// For every 8-bit lane mask, the positions of its set lanes in order, one per 4-bit nibble.
struct PackTable {
  std::uint32_t lanes[256];
};

constexpr PackTable make_pack_table() {
  PackTable table{};
  for (unsigned mask = 0; mask < 256; ++mask) {
    unsigned packed = 0;
    int k = 0;
    for (unsigned lane = 0; lane < 8; ++lane) {
      if (mask >> lane & 1) packed |= lane << (4 * k++);
    }
    table.lanes[mask] = packed;
  }
  return table;
}

constexpr PackTable pack_table = make_pack_table();

// Stores j0 + (the set lanes of mask, in order) at out and returns how many there are; writes
// 8 slots whatever the count.
int pack_lanes(unsigned mask, int j0, std::int32_t* out) {
  const __m256i nibble = _mm256_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28);
  const __m256i lanes = _mm256_and_si256(
      _mm256_srlv_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(pack_table.lanes[mask])), nibble),
      _mm256_set1_epi32(7));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_add_epi32(lanes, _mm256_set1_epi32(j0)));
  return _mm_popcnt_u32(mask);
}

// d - L * round(d / L) on 4 lanes, bit for bit (see the AVX-512 version).
__m256d nearest_image(__m256d d) {
  const __m256d sign = splat(-0.0);
  const __m256d ad = _mm256_andnot_pd(sign, d);
  if (_mm256_movemask_pd(_mm256_cmp_pd(ad, splat(image::wrap_limit), _CMP_NLT_UQ)) != 0) {
    const __m256d q = _mm256_div_pd(d, splat(box));
    const __m256d t = _mm256_round_pd(q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d up = _mm256_cmp_pd(_mm256_andnot_pd(sign, _mm256_sub_pd(q, t)), splat(0.5), _CMP_GE_OQ);
    const __m256d away = _mm256_add_pd(t, _mm256_or_pd(_mm256_and_pd(q, sign), splat(1.0)));
    return _mm256_sub_pd(d, _mm256_mul_pd(splat(box), _mm256_blendv_pd(t, away, up)));
  }
  const auto passed = [&](double threshold) {
    return _mm256_and_pd(_mm256_cmp_pd(ad, splat(threshold), _CMP_GE_OQ), splat(1.0));
  };
  // Nearly always every lane is below T_2, and one comparison decides.
  __m256d n = passed(image::wrap_1);
  if (_mm256_movemask_pd(_mm256_cmp_pd(ad, splat(image::wrap_2), _CMP_GE_OQ)) != 0)
    n = _mm256_add_pd(_mm256_add_pd(n, passed(image::wrap_2)), passed(image::wrap_3));
  return _mm256_sub_pd(d, _mm256_or_pd(_mm256_and_pd(d, sign), _mm256_mul_pd(splat(box), n)));
}

struct Separation {
  __m256d delx, dely, delz, rsq;
};

Separation separation(__m256d xi, __m256d yi, __m256d zi, __m256d xj, __m256d yj, __m256d zj) {
  Separation s;
  s.delx = nearest_image(_mm256_sub_pd(xi, xj));
  s.dely = nearest_image(_mm256_sub_pd(yi, yj));
  s.delz = nearest_image(_mm256_sub_pd(zi, zj));
  s.rsq = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(s.delx, s.delx), _mm256_mul_pd(s.dely, s.dely)),
                        _mm256_mul_pd(s.delz, s.delz));
  return s;
}

// Lanes j0 + 0 ... j0 + lanes - 1 that are atoms, as a bit mask.
unsigned tail_mask(int j0, int lanes) {
  const int left = atoms - j0;
  return left >= lanes ? (1u << lanes) - 1 : (1u << left) - 1;
}

// The same as a lane mask for masked loads of 4 doubles.
__m256i tail_lanes(int j0) {
  return _mm256_cmpgt_epi64(_mm256_set1_epi64x(atoms - j0), _mm256_setr_epi64x(0, 1, 2, 3));
}

// x[j] for 4 indices.
__m256d gather(const double* x, __m128i j) { return _mm256_i32gather_pd(x, j, 8); }

// Row i-1's exact arithmetic, issued a block of 4 candidates at a time while row i is looked at
// (see the AVX-512 version).
struct PendingRow {
  const double* positions;
  __m256d xi, yi, zi;     // atom i-1 in every lane
  const std::int32_t* j;  // its candidates
  int n;                  // how many
  int done;               // how many have their results in row
  LjRow* row;
};

// The exact per-pair results of candidates t ... t+3 of a pending row.
[[gnu::always_inline]] inline void issue_block(const PendingRow& p, int t) {
  const double* x = p.positions + x_axis;
  const double* y = p.positions + y_axis;
  const double* z = p.positions + z_axis;
  const __m128i j = _mm_load_si128(reinterpret_cast<const __m128i*>(p.j + t));
  const Separation s = separation(p.xi, p.yi, p.zi, gather(x, j), gather(y, j), gather(z, j));
  _mm256_store_pd(p.row->rsq + t, s.rsq);
  if (_mm256_movemask_pd(_mm256_cmp_pd(s.rsq, splat(cutoff_sq), _CMP_LT_OQ)) == 0) return;

  const __m256d r = _mm256_sqrt_pd(s.rsq);
  const __m256d q = _mm256_div_pd(splat(sigma), r);
  const __m256d q2 = _mm256_mul_pd(q, q);
  const __m256d q4 = _mm256_mul_pd(q2, q2);
  const __m256d q8 = _mm256_mul_pd(q4, q4);
  const __m256d q6 = _mm256_mul_pd(q2, q4);
  const __m256d q12 = _mm256_mul_pd(q4, q8);
  _mm256_store_pd(p.row->term + t, _mm256_sub_pd(q12, q6));
  const __m256d fpair = _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(splat(2.0), q12), q6),
                                      _mm256_mul_pd(_mm256_div_pd(splat(1.0), r), splat(force_factor)));
  _mm256_store_pd(p.row->fx + t, _mm256_div_pd(_mm256_mul_pd(s.delx, fpair), r));
  _mm256_store_pd(p.row->fy + t, _mm256_div_pd(_mm256_mul_pd(s.dely, fpair), r));
  _mm256_store_pd(p.row->fz + t, _mm256_div_pd(_mm256_mul_pd(s.delz, fpair), r));
}

// Candidates j > i by the coarse look at the cell words (see the AVX-512 version); every 8 looks
// (64 pairs) one block of the pending row is issued.
int coarse_candidates(const coarse::CellCoordinates& cells, int i, std::int32_t* j_out, PendingRow& pending) {
  const __m256i xyi = _mm256_set1_epi32(cells.xy[i]);
  const __m256i zi = _mm256_set1_epi32(cells.z[i]);
  // cells_sq < reach_sq as cells_sq <= reach_sq - 1, unsigned: min(cells_sq, limit) == cells_sq.
  const __m256i limit = _mm256_set1_epi32(static_cast<std::int32_t>(coarse::reach_sq - 1));
  const auto load = [](const std::int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  };
  int n = 0;
  int looks = 0;
  int done = pending.done;  // in a register: the stores below may alias the struct
  for (int j0 = i + 1; j0 < atoms; j0 += 8) {
    const __m256i dxy = _mm256_sub_epi16(xyi, load(cells.xy + j0));
    const __m256i dz = _mm256_sub_epi32(zi, load(cells.z + j0));
    const __m256i cells_sq = _mm256_add_epi32(_mm256_madd_epi16(dxy, dxy), _mm256_madd_epi16(dz, dz));
    const __m256i near = _mm256_cmpeq_epi32(_mm256_min_epu32(cells_sq, limit), cells_sq);
    const unsigned mask =
        static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(near))) & tail_mask(j0, 8);
    n += pack_lanes(mask, j0, j_out + n);
    if ((++looks & 7) == 0 && done < pending.n) {
      issue_block(pending, done);
      done += 4;
    }
  }
  pending.done = done;
  return n;
}

// Candidates j > i by the exact squared distance, for configurations the cells cannot hold.
int exact_candidates(const double* positions, int i, std::int32_t* j_out) {
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  const __m256d xi = splat(x[i]), yi = splat(y[i]), zi = splat(z[i]);
  int n = 0;
  for (int j0 = i + 1; j0 < atoms; j0 += 4) {
    const __m256i valid = tail_lanes(j0);
    const Separation s = separation(xi, yi, zi, _mm256_maskload_pd(x + j0, valid),
                                    _mm256_maskload_pd(y + j0, valid), _mm256_maskload_pd(z + j0, valid));
    const unsigned mask =
        static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(s.rsq, splat(cutoff_sq), _CMP_LT_OQ))) &
        tail_mask(j0, 4);
    n += pack_lanes(mask, j0, j_out + n);
  }
  return n;
}

// Counters of g(r) bins, one set of kSlots per vector lane (lane k's bin b at k * kSlots + b);
// slot `bins` of each set counts the pairs that fall in no bin.
struct RdfLanes {
  static constexpr int kSlots = 208;
  alignas(32) std::int32_t count[8 * kSlots];
};

// Counts the n pairs (ci[k], cj[k]), k < n <= 4, in their g(r) bins with the exact arithmetic
// (see the AVX-512 version).
void count_exact(const double* positions, const std::int32_t* ci, const std::int32_t* cj, int n,
                 std::int32_t* counts) {
  if (n <= 0) return;
  const __m128i valid = _mm_cmpgt_epi32(_mm_set1_epi32(n), _mm_setr_epi32(0, 1, 2, 3));
  const __m128i i = _mm_maskload_epi32(ci, valid);
  const __m128i j = _mm_maskload_epi32(cj, valid);
  const double* x = positions + x_axis;
  const double* y = positions + y_axis;
  const double* z = positions + z_axis;
  const Separation s =
      separation(gather(x, i), gather(y, i), gather(z, i), gather(x, j), gather(y, j), gather(z, j));
  const __m256d q = _mm256_div_pd(_mm256_sqrt_pd(s.rsq), splat(bin_width));
  const __m256d t = _mm256_round_pd(q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
  const __m256d up = _mm256_cmp_pd(_mm256_sub_pd(q, t), splat(0.5), _CMP_GE_OQ);
  const __m256d bin = _mm256_blendv_pd(t, _mm256_add_pd(t, splat(1.0)), up);
  unsigned counted =
      static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(bin, splat(bins - 1.0), _CMP_LE_OQ))) &
      ((1u << n) - 1);
  alignas(16) std::int32_t b[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(b), _mm256_cvttpd_epi32(bin));
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
    const __m256d xi = splat(x[i]), yi = splat(y[i]), zi = splat(z[i]);
    for (int j0 = i + 1; j0 < atoms; j0 += 4) {
      const __m256i valid = tail_lanes(j0);
      const Separation s = separation(xi, yi, zi, _mm256_maskload_pd(x + j0, valid),
                                      _mm256_maskload_pd(y + j0, valid), _mm256_maskload_pd(z + j0, valid));
      const __m256d near =
          _mm256_and_pd(_mm256_castsi256_pd(valid), _mm256_cmp_pd(s.rsq, splat(reach * reach), _CMP_LT_OQ));
      if (_mm256_movemask_pd(near) == 0) continue;
      const __m256d q = _mm256_div_pd(_mm256_sqrt_pd(s.rsq), splat(bin_width));
      const __m256d t = _mm256_round_pd(q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
      const __m256d up = _mm256_cmp_pd(_mm256_sub_pd(q, t), splat(0.5), _CMP_GE_OQ);
      const __m256d bin = _mm256_blendv_pd(t, _mm256_add_pd(t, splat(1.0)), up);
      unsigned counted = static_cast<unsigned>(
          _mm256_movemask_pd(_mm256_and_pd(near, _mm256_cmp_pd(bin, splat(last_bin), _CMP_LE_OQ))));
      alignas(16) std::int32_t b[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(b), _mm256_cvttpd_epi32(bin));
      for (; counted != 0; counted &= counted - 1) ++counts[b[__builtin_ctz(counted)]];
    }
  }
}

}  // namespace

void lj_pairs_avx2(const double* positions, double* forces, double* lj_sum) {
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
    for (; pending.done < pending.n; pending.done += 4) issue_block(pending, pending.done);
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

void rdf_count_avx2(const double* positions, std::int32_t* counts) {
  coarse::CellCoordinates cells;
  if (!coarse::cell_coordinates(positions, &cells)) return rdf_count_exact(positions, counts);
  RdfLanes lanes = {};
  alignas(64) std::int32_t near_i[32], near_j[32];  // pairs too near a bin edge, done exactly
  int near_n = 0;
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i lane_base = _mm256_mullo_epi32(lane, _mm256_set1_epi32(RdfLanes::kSlots));
  const __m256i nowhere = _mm256_add_epi32(lane_base, _mm256_set1_epi32(bins));
  const __m256 margin = _mm256_set1_ps(coarse::bin_margin);
  const __m256 far_margin = _mm256_set1_ps(1.0f - coarse::bin_margin);
  const auto load = [](const std::int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  };
  for (int i = 0; i < atoms - 1; ++i) {
    const __m256i xyi = _mm256_set1_epi32(cells.xy[i]);
    const __m256i zi = _mm256_set1_epi32(cells.z[i]);
    for (int j0 = i + 1; j0 < atoms; j0 += 8) {
      const __m256 valid = _mm256_castsi256_ps(
          _mm256_cmpgt_epi32(_mm256_set1_epi32(atoms), _mm256_add_epi32(_mm256_set1_epi32(j0), lane)));
      const __m256i dxy = _mm256_sub_epi16(xyi, load(cells.xy + j0));
      const __m256i dz = _mm256_sub_epi32(zi, load(cells.z + j0));
      const __m256i cells_sq = _mm256_add_epi32(_mm256_madd_epi16(dxy, dxy), _mm256_madd_epi16(dz, dz));
      // h = r / dr + 1/2 in single precision; its floor is the bin unless h is near a whole
      // number. Squares of 2^31 and more convert as negative numbers and give NaN: those pairs
      // are over 280 bins away and are counted nowhere, as they should be.
      const __m256 h = _mm256_add_ps(_mm256_mul_ps(_mm256_sqrt_ps(_mm256_cvtepi32_ps(cells_sq)),
                                                   _mm256_set1_ps(static_cast<float>(coarse::bins_per_cell))),
                                     _mm256_set1_ps(0.5f));
      const __m256 bin = _mm256_round_ps(h, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
      const __m256 frac = _mm256_sub_ps(h, bin);
      const __m256 clear = _mm256_and_ps(_mm256_and_ps(valid, _mm256_cmp_ps(frac, margin, _CMP_GE_OQ)),
                                         _mm256_cmp_ps(frac, far_margin, _CMP_LE_OQ));
      const __m256 in_bins = _mm256_cmp_ps(bin, _mm256_set1_ps(bins - 1.0f), _CMP_LE_OQ);
      const __m256 edge =
          _mm256_andnot_ps(clear, _mm256_and_ps(valid, _mm256_cmp_ps(bin, _mm256_set1_ps(bins), _CMP_LE_OQ)));
      // One counter set per lane: the 8 increments never touch the same counter.
      alignas(32) std::int32_t slot[8];
      const __m256i counted = _mm256_castps_si256(_mm256_and_ps(clear, in_bins));
      _mm256_store_si256(
          reinterpret_cast<__m256i*>(slot),
          _mm256_blendv_epi8(nowhere, _mm256_add_epi32(lane_base, _mm256_cvttps_epi32(bin)), counted));
      for (int k = 0; k < 8; ++k) ++lanes.count[slot[k]];
      const unsigned edge_mask = static_cast<unsigned>(_mm256_movemask_ps(edge));
      if (edge_mask != 0) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(near_i + near_n), _mm256_set1_epi32(i));
        near_n += pack_lanes(edge_mask, j0, near_j + near_n);
        for (; near_n >= 4; near_n -= 4) {
          count_exact(positions, near_i, near_j, 4, counts);
          for (int t = 0; t < 16; ++t) near_i[t] = near_i[t + 4], near_j[t] = near_j[t + 4];
        }
      }
    }
  }
  count_exact(positions, near_i, near_j, near_n, counts);
  for (int k = 0; k < 8; ++k)
    for (int b = 0; b < bins; ++b) counts[b] += lanes.count[k * RdfLanes::kSlots + b];
}

}  // namespace pelzak::aux

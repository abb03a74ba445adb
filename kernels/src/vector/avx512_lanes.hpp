// The lane operations for AVX-512 (F, DQ, VL, BW) that the template of vector_loops.hpp runs on,
// 8 doubles per vector and 16 pairs per look at the cell words.
//
// Everything here sits in an unnamed namespace: each file that includes this header is compiled
// for AVX-512 alone (avx512_loops.cpp, and the kernels' white-box test of the image thresholds),
// and keeps its own copy, which the linker can never mix up with one built for another set.
#pragma once

#include <cstdint>

#include "lists/coarse_cells.hpp"
#include "pelzak_model.h"
#include "vector/intrinsics.hpp"

namespace pelzak::kernels {
namespace {

struct Avx512 {
  static constexpr int lanes = 8;
  static constexpr int cell_lanes = 16;

  using Vd = Vd512;
  using Mask = __mmask8;

  // Four doubles (x, y, z, 0) of one atom's force, for the ordered sums.
  using Quad = __m256d;
  static Quad quad_load(const double* p) { return _mm256_load_pd(p); }
  static void quad_store(double* p, Quad q) { _mm256_store_pd(p, q); }
  static Quad quad_add(Quad a, Quad b) { return _mm256_add_pd(a, b); }
  static Quad quad_sub(Quad a, Quad b) { return _mm256_sub_pd(a, b); }
  static Quad quad_of(double x, double y, double z) { return _mm256_setr_pd(x, y, z, 0.0); }
  static Quad quad_of4(double a, double b, double c, double d) { return _mm256_setr_pd(a, b, c, d); }

  static unsigned bits(Mask m) { return m; }
  static int count(Mask m) { return _mm_popcnt_u32(m); }
  // The lanes whose bits are set in bits (bit 0 for lane 0).
  static Mask lanes_of(unsigned bits) { return static_cast<Mask>(bits); }
  // Lanes 0 ... n-1 (all of them for n >= 8).
  static Mask first_lanes(int n) { return n >= lanes ? 0xFF : static_cast<Mask>((1u << n) - 1); }
  static Mask both(Mask a, Mask b) { return a & b; }
  static Mask either(Mask a, Mask b) { return a | b; }
  static Mask less(Vd a, Vd b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_LT_OQ); }
  static Mask at_most(Vd a, Vd b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_LE_OQ); }
  static Mask at_least(Vd a, Vd b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_GE_OQ); }
  static Mask not_less(Vd a, Vd b) { return _mm512_cmp_pd_mask(a.v, b.v, _CMP_NLT_UQ); }

  // a > b ? a : b, lane by lane (b where either is NaN).
  static Vd larger(Vd a, Vd b) { return _mm512_max_pd(a.v, b.v); }
  static Vd abs(Vd a) { return _mm512_andnot_pd(_mm512_set1_pd(-0.0), a.v); }
  // |magnitude| with the sign of sign; magnitude is never negative here.
  static Vd copysign(Vd magnitude, Vd sign) {
    return _mm512_or_pd(_mm512_and_pd(sign.v, _mm512_set1_pd(-0.0)), magnitude.v);
  }
  static Vd select(Mask m, Vd yes, Vd no) { return _mm512_mask_blend_pd(m, no.v, yes.v); }
  static Vd trunc(Vd a) { return _mm512_roundscale_pd(a.v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }

  static Vd load(const double* p) { return _mm512_load_pd(p); }
  static void store(double* p, Vd a) { _mm512_store_pd(p, a.v); }
  // The coordinates of atoms j[0 ... 7] from their rows x, y, z, unused of xyz, which begin at
  // xyz + j4[k] (j4 = 4 j): eight loads and a transposition.
  static void gather_xyz(const double* xyz, const std::int32_t* j4, Vd& x, Vd& y, Vd& z) {
    const auto row = [&](int a, int b) {
      return _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_load_pd(xyz + j4[a])),
                                _mm256_load_pd(xyz + j4[b]), 1);
    };
    const __m512d r0 = row(0, 4), r1 = row(1, 5), r2 = row(2, 6), r3 = row(3, 7);
    const __m512d xz01 = _mm512_unpacklo_pd(r0, r1);  // x0 x1 z0 z1 | x4 x5 z4 z5
    const __m512d yw01 = _mm512_unpackhi_pd(r0, r1);
    const __m512d xz23 = _mm512_unpacklo_pd(r2, r3);  // x2 x3 z2 z3 | x6 x7 z6 z7
    const __m512d yw23 = _mm512_unpackhi_pd(r2, r3);
    const __m512i low = _mm512_setr_epi64(0, 1, 8, 9, 4, 5, 12, 13);
    const __m512i high = _mm512_setr_epi64(2, 3, 10, 11, 6, 7, 14, 15);
    x = _mm512_permutex2var_pd(xz01, low, xz23);
    z = _mm512_permutex2var_pd(xz01, high, xz23);
    y = _mm512_permutex2var_pd(yw01, low, yw23);
  }
  // Whole numbers (or anything: lanes that are not are never read) as 32-bit integers.
  static void store_int(std::int32_t* out, Vd a) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(out), _mm512_cvttpd_epi32(a.v));
  }
  // 8 copies of value.
  static void fill(std::int32_t* out, std::int32_t value) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_set1_epi32(value));
  }
  // The lanes of m, in order, to out; 8 slots are written whatever the count.
  static void compress(double* out, Vd a, Mask m) { _mm512_storeu_pd(out, _mm512_maskz_compress_pd(m, a.v)); }
  // The same for the 32-bit values in[0 ... 7] (the candidates' 4 j).
  static void compress(std::int32_t* out, const std::int32_t* in, Mask m) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_maskz_compress_epi32(m, v));
  }
  // Eight rows of four, rows[k] = (x[k], y[k], z[k], w[k]): a transposition.
  static void store_rows(double (*rows)[4], Vd x, Vd y, Vd z, Vd w) {
    const __m512d a = _mm512_unpacklo_pd(x.v, y.v);  // x0 y0 | x2 y2 | x4 y4 | x6 y6
    const __m512d b = _mm512_unpackhi_pd(x.v, y.v);  // x1 y1 | x3 y3 | ...
    const __m512d c = _mm512_unpacklo_pd(z.v, w.v);  // z0 w0 | z2 w2 | ...
    const __m512d d = _mm512_unpackhi_pd(z.v, w.v);  // z1 w1 | z3 w3 | ...
    const __m512d ac_low =
        _mm512_shuffle_f64x2(a, c, _MM_SHUFFLE(1, 0, 1, 0));  // x0 y0 | x2 y2 | z0 w0 | z2 w2
    const __m512d ac_high = _mm512_shuffle_f64x2(a, c, _MM_SHUFFLE(3, 2, 3, 2));
    const __m512d bd_low = _mm512_shuffle_f64x2(b, d, _MM_SHUFFLE(1, 0, 1, 0));
    const __m512d bd_high = _mm512_shuffle_f64x2(b, d, _MM_SHUFFLE(3, 2, 3, 2));
    _mm512_store_pd(rows[0], _mm512_shuffle_f64x2(ac_low, bd_low, _MM_SHUFFLE(2, 0, 2, 0)));
    _mm512_store_pd(rows[2], _mm512_shuffle_f64x2(ac_low, bd_low, _MM_SHUFFLE(3, 1, 3, 1)));
    _mm512_store_pd(rows[4], _mm512_shuffle_f64x2(ac_high, bd_high, _MM_SHUFFLE(2, 0, 2, 0)));
    _mm512_store_pd(rows[6], _mm512_shuffle_f64x2(ac_high, bd_high, _MM_SHUFFLE(3, 1, 3, 1)));
  }

  // Squared cell distances of atom i to atoms j0 ... j0+15 (lists/coarse_cells.hpp): x and y cells
  // subtracted half by half, z whole; each multiply-add of 16-bit halves gives an exact sum of
  // squares, dx^2 + dy^2 and dz^2 (each at most 2^31, the total below 2^32).
  static __m512i cells_sq(const coarse::CellWords& cells, int i, int j0) {
    const __m512i dxy = _mm512_sub_epi16(_mm512_set1_epi32(cells.xy[i]), _mm512_loadu_si512(cells.xy + j0));
    const __m512i dz = _mm512_sub_epi32(_mm512_set1_epi32(cells.z[i]), _mm512_loadu_si512(cells.z + j0));
    return _mm512_add_epi32(_mm512_madd_epi16(dxy, dxy), _mm512_madd_epi16(dz, dz));
  }
  static __mmask16 atoms_from(int atoms, int j0) {
    const int left = atoms - j0;
    return left >= cell_lanes ? 0xFFFF : static_cast<__mmask16>((1u << left) - 1);
  }
  // 4 j for j = j0 ... j0+15.
  static __m512i iota4(int j0) {
    return _mm512_add_epi32(_mm512_set1_epi32(4 * j0),
                            _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60));
  }

  // The j among j0 ... j0+15 (below atoms) whose squared cell distance to i is below reach_sq,
  // or that are free (free[j] = -1), or all of them if i is free; in order and as 4 j, to out
  // (16 slots written). Returns how many.
  static int near_cells(const coarse::CellWords& cells, int atoms, int i, int j0, std::uint32_t reach_sq,
                        const std::int32_t* free, std::int32_t* out) {
    const __mmask16 valid = atoms_from(atoms, j0);
    const __m512i free_j = _mm512_loadu_si512(free + j0);
    const __mmask16 near =
        _mm512_mask_cmplt_epu32_mask(valid, cells_sq(cells, i, j0),
                                     _mm512_set1_epi32(static_cast<std::int32_t>(reach_sq))) |
        (_mm512_test_epi32_mask(free_j, free_j) & valid) | (free[i] != 0 ? valid : 0);
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi32(near, iota4(j0)));
    return _mm_popcnt_u32(near);
  }

  struct CellLook {
    int counted, edge;
  };
  // Atom i's cell words, in every lane.
  struct CellRow {
    __m512i xy, z;
  };
  static CellRow cell_row_of(std::int32_t xy, std::int32_t z) {
    return {_mm512_set1_epi32(xy), _mm512_set1_epi32(z)};
  }
  static CellRow cell_row(const coarse::CellWords& cells, int i) {
    return {_mm512_set1_epi32(cells.xy[i]), _mm512_set1_epi32(cells.z[i])};
  }
  // The atoms ids[0 ... count-1] (count may exceed 16: only the first 16 are looked at) whose
  // squared cell distance to the row's atom is below reach_sq and whose number is above `after`,
  // in order, to out (16 slots written). Returns how many. Reads 16 of each array.
  static int near_ids(const CellRow& row, const std::int32_t* xy, const std::int32_t* z,
                      const std::int32_t* ids, int count, std::int32_t after, std::uint32_t reach_sq,
                      std::int32_t* out) {
    const __mmask16 valid = count >= cell_lanes ? 0xFFFF : static_cast<__mmask16>((1u << count) - 1);
    const __m512i dxy = _mm512_sub_epi16(row.xy, _mm512_loadu_si512(xy));
    const __m512i dz = _mm512_sub_epi32(row.z, _mm512_loadu_si512(z));
    const __m512i d2 = _mm512_add_epi32(_mm512_madd_epi16(dxy, dxy), _mm512_madd_epi16(dz, dz));
    const __m512i id = _mm512_loadu_si512(ids);
    const __mmask16 near =
        _mm512_mask_cmplt_epu32_mask(valid, d2, _mm512_set1_epi32(static_cast<std::int32_t>(reach_sq))) &
        _mm512_cmpgt_epi32_mask(id, _mm512_set1_epi32(after));
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi32(near, id));
    return _mm_popcnt_u32(near);
  }

  // The g(r) look at atom i (row) against j0 ... j0 + count - 1 (count <= 16): h = r / dr + 1/2
  // from the cell distance in single precision, read in fixed point (lists/coarse_cells.hpp); its
  // floor is the bin unless h lies near a whole number. The bins of the pairs counted go to
  // bins_out, the 4 j of the pairs too near an edge (and not clearly beyond the last bin) to
  // edge_out, each packed in order (16 slots written).
  static CellLook cell_bins(const CellRow& row, const coarse::CellWords& cells, int j0, int count,
                            std::int32_t* bins_out, std::int32_t* edge_out) {
    const __mmask16 valid = count >= cell_lanes ? 0xFFFF : static_cast<__mmask16>((1u << count) - 1);
    const __m512i dxy = _mm512_sub_epi16(row.xy, _mm512_loadu_si512(cells.xy + j0));
    const __m512i dz = _mm512_sub_epi32(row.z, _mm512_loadu_si512(cells.z + j0));
    const __m512i d2 = _mm512_add_epi32(_mm512_madd_epi16(dxy, dxy), _mm512_madd_epi16(dz, dz));
    const __m512 h = _mm512_add_ps(
        _mm512_mul_ps(_mm512_sqrt_ps(_mm512_cvtepu32_ps(d2)), _mm512_set1_ps(coarse::fixed_scale)),
        _mm512_set1_ps(coarse::fixed_offset));
    const __m512i fixed = _mm512_cvttps_epi32(h);
    const __m512i frac = _mm512_and_si512(fixed, _mm512_set1_epi32(coarse::fraction_steps - 1));
    const __mmask16 clear =
        _mm512_mask_cmplt_epu32_mask(valid, _mm512_sub_epi32(frac, _mm512_set1_epi32(coarse::clear_low)),
                                     _mm512_set1_epi32(coarse::clear_high - coarse::clear_low + 1));
    const __mmask16 counted =
        _mm512_mask_cmplt_epu32_mask(clear, fixed, _mm512_set1_epi32(model::bins * coarse::fraction_steps));
    const __mmask16 edge = _mm512_mask_cmplt_epu32_mask(
        valid & ~clear, fixed, _mm512_set1_epi32((model::bins + 1) * coarse::fraction_steps));
    static_assert(coarse::fraction_steps == 1 << 8);
    _mm512_storeu_si512(bins_out, _mm512_maskz_compress_epi32(counted, _mm512_srli_epi32(fixed, 8)));
    _mm512_storeu_si512(edge_out, _mm512_maskz_compress_epi32(edge, iota4(j0)));
    return {static_cast<int>(_mm_popcnt_u32(counted)), static_cast<int>(_mm_popcnt_u32(edge))};
  }
};

}  // namespace
}  // namespace pelzak::kernels

// The lane operations for AVX2 that the template of vector_loops.hpp runs on, 4 doubles per vector
// and 8 pairs per look at the cell words. AVX2 has no mask registers and no compress instruction:
// masks are vectors of all-ones lanes, and lanes are packed through a permutation looked up by the
// mask.
//
// Everything here sits in an unnamed namespace: each file that includes this header is compiled
// for AVX2 alone (avx2_loops.cpp, and the kernels' white-box test of the image thresholds),
// and keeps its own copy, which the linker can never mix up with one built for another set.
#pragma once

#include <cstdint>

#include "lists/coarse_cells.hpp"
#include "pelzak_model.h"
#include "vector/intrinsics.hpp"

namespace pelzak::kernels {
namespace {

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

// The 32-bit lanes of each 4-bit mask of double lanes (each double is two 32-bit lanes), as
// entries of pack_table.
struct DoublePackTable {
  std::uint32_t lanes[16];
};

constexpr DoublePackTable make_double_pack_table() {
  DoublePackTable table{};
  for (unsigned mask = 0; mask < 16; ++mask) {
    unsigned halves = 0;
    for (unsigned lane = 0; lane < 4; ++lane) halves |= (mask >> lane & 1) * (3u << (2 * lane));
    table.lanes[mask] = pack_table.lanes[halves];
  }
  return table;
}

constexpr DoublePackTable double_pack_table = make_double_pack_table();

// The lanes packed in `packed` (one per nibble) as a permutation for _mm256_permutevar8x32.
__m256i permutation(std::uint32_t packed) {
  const __m256i nibble = _mm256_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28);
  return _mm256_and_si256(_mm256_srlv_epi32(_mm256_set1_epi32(static_cast<std::int32_t>(packed)), nibble),
                          _mm256_set1_epi32(7));
}

// The 32-bit lanes of mask (8 bits), in order, as a permutation for _mm256_permutevar8x32.
__m256i pack_order(unsigned mask) { return permutation(pack_table.lanes[mask]); }

// The same for a mask of 4 double lanes.
__m256i pack_order_double(unsigned mask) { return permutation(double_pack_table.lanes[mask]); }

struct Avx2 {
  static constexpr int lanes = 4;
  static constexpr int cell_lanes = 8;

  using Vd = Vd256;
  using Mask = __m256d;  // all ones in the lanes set

  // Four doubles (x, y, z, 0) of one atom's force, for the ordered sums.
  using Quad = __m256d;
  static Quad quad_load(const double* p) { return _mm256_load_pd(p); }
  static void quad_store(double* p, Quad q) { _mm256_store_pd(p, q); }
  static Quad quad_add(Quad a, Quad b) { return _mm256_add_pd(a, b); }
  static Quad quad_sub(Quad a, Quad b) { return _mm256_sub_pd(a, b); }
  static Quad quad_of(double x, double y, double z) { return _mm256_setr_pd(x, y, z, 0.0); }
  static Quad quad_of4(double a, double b, double c, double d) { return _mm256_setr_pd(a, b, c, d); }

  static unsigned bits(Mask m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
  static int count(Mask m) { return _mm_popcnt_u32(bits(m)); }
  // The lanes whose bits are set in the low four bits of bits (bit 0 for lane 0).
  static Mask lanes_of(unsigned bits) {
    const __m256i lane_bit = _mm256_setr_epi64x(1, 2, 4, 8);
    const __m256i set = _mm256_and_si256(_mm256_set1_epi64x(bits), lane_bit);
    return _mm256_castsi256_pd(_mm256_cmpeq_epi64(set, lane_bit));
  }
  // Lanes 0 ... n-1 (all of them for n >= 4).
  static Mask first_lanes(int n) {
    return _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_set1_epi64x(n), _mm256_setr_epi64x(0, 1, 2, 3)));
  }
  static Mask both(Mask a, Mask b) { return _mm256_and_pd(a, b); }
  static Mask either(Mask a, Mask b) { return _mm256_or_pd(a, b); }
  static Mask less(Vd a, Vd b) { return _mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ); }
  static Mask at_most(Vd a, Vd b) { return _mm256_cmp_pd(a.v, b.v, _CMP_LE_OQ); }
  static Mask at_least(Vd a, Vd b) { return _mm256_cmp_pd(a.v, b.v, _CMP_GE_OQ); }
  static Mask not_less(Vd a, Vd b) { return _mm256_cmp_pd(a.v, b.v, _CMP_NLT_UQ); }

  // a > b ? a : b, lane by lane (b where either is NaN).
  static Vd larger(Vd a, Vd b) { return _mm256_max_pd(a.v, b.v); }
  static Vd abs(Vd a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a.v); }
  // |magnitude| with the sign of sign; magnitude is never negative here.
  static Vd copysign(Vd magnitude, Vd sign) {
    return _mm256_or_pd(_mm256_and_pd(sign.v, _mm256_set1_pd(-0.0)), magnitude.v);
  }
  static Vd select(Mask m, Vd yes, Vd no) { return _mm256_blendv_pd(no.v, yes.v, m); }
  static Vd trunc(Vd a) { return _mm256_round_pd(a.v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC); }

  static Vd load(const double* p) { return _mm256_load_pd(p); }
  static void store(double* p, Vd a) { _mm256_store_pd(p, a.v); }
  // The coordinates of atoms j[0 ... 3] from their rows x, y, z, unused of xyz, which begin at
  // xyz + j4[k] (j4 = 4 j): four loads and a transposition.
  static void gather_xyz(const double* xyz, const std::int32_t* j4, Vd& x, Vd& y, Vd& z) {
    const __m256d r0 = _mm256_load_pd(xyz + j4[0]), r1 = _mm256_load_pd(xyz + j4[1]);
    const __m256d r2 = _mm256_load_pd(xyz + j4[2]), r3 = _mm256_load_pd(xyz + j4[3]);
    const __m256d xz01 = _mm256_unpacklo_pd(r0, r1);  // x0 x1 | z0 z1
    const __m256d yw01 = _mm256_unpackhi_pd(r0, r1);
    const __m256d xz23 = _mm256_unpacklo_pd(r2, r3);  // x2 x3 | z2 z3
    const __m256d yw23 = _mm256_unpackhi_pd(r2, r3);
    x = _mm256_permute2f128_pd(xz01, xz23, 0x20);
    z = _mm256_permute2f128_pd(xz01, xz23, 0x31);
    y = _mm256_permute2f128_pd(yw01, yw23, 0x20);
  }
  // Whole numbers (or anything: lanes that are not are never read) as 32-bit integers.
  static void store_int(std::int32_t* out, Vd a) {
    _mm_store_si128(reinterpret_cast<__m128i*>(out), _mm256_cvttpd_epi32(a.v));
  }
  // 4 copies of value.
  static void fill(std::int32_t* out, std::int32_t value) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_set1_epi32(value));
  }
  // The lanes of m, in order, to out; 4 slots are written whatever the count.
  static void compress(double* out, Vd a, Mask m) {
    const __m256 packed = _mm256_permutevar8x32_ps(_mm256_castpd_ps(a.v), pack_order_double(bits(m)));
    _mm256_storeu_pd(out, _mm256_castps_pd(packed));
  }
  // The same for the 32-bit values in[0 ... 3] (the candidates' 4 j).
  static void compress(std::int32_t* out, const std::int32_t* in, Mask m) {
    const __m256i v = _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(v, pack_order(bits(m)))));
  }
  // Four rows of four, rows[k] = (x[k], y[k], z[k], w[k]): a transposition.
  static void store_rows(double (*rows)[4], Vd x, Vd y, Vd z, Vd w) {
    const __m256d a = _mm256_unpacklo_pd(x.v, y.v);  // x0 y0 | x2 y2
    const __m256d b = _mm256_unpackhi_pd(x.v, y.v);  // x1 y1 | x3 y3
    const __m256d c = _mm256_unpacklo_pd(z.v, w.v);  // z0 w0 | z2 w2
    const __m256d d = _mm256_unpackhi_pd(z.v, w.v);  // z1 w1 | z3 w3
    _mm256_store_pd(rows[0], _mm256_permute2f128_pd(a, c, 0x20));
    _mm256_store_pd(rows[1], _mm256_permute2f128_pd(b, d, 0x20));
    _mm256_store_pd(rows[2], _mm256_permute2f128_pd(a, c, 0x31));
    _mm256_store_pd(rows[3], _mm256_permute2f128_pd(b, d, 0x31));
  }

  // Squared cell distances of atom i to atoms j0 ... j0+7 (see the AVX-512 version).
  static __m256i cells_sq(const coarse::CellWords& cells, int i, int j0) {
    const __m256i dxy = _mm256_sub_epi16(_mm256_set1_epi32(cells.xy[i]),
                                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells.xy + j0)));
    const __m256i dz = _mm256_sub_epi32(_mm256_set1_epi32(cells.z[i]),
                                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells.z + j0)));
    return _mm256_add_epi32(_mm256_madd_epi16(dxy, dxy), _mm256_madd_epi16(dz, dz));
  }
  static unsigned atoms_from(int atoms, int j0) {
    const int left = atoms - j0;
    return left >= cell_lanes ? 0xFFu : (1u << left) - 1;
  }
  // 4 j for j = j0 ... j0+7.
  static __m256i iota4(int j0) {
    return _mm256_add_epi32(_mm256_set1_epi32(4 * j0), _mm256_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28));
  }
  // The 32-bit lanes of mask, in order, to out (8 slots written); returns how many.
  static int compress_cells(std::int32_t* out, __m256i v, unsigned mask) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permutevar8x32_epi32(v, pack_order(mask)));
    return _mm_popcnt_u32(mask);
  }

  // The j among j0 ... j0+7 (below atoms) whose squared cell distance to i is below reach_sq,
  // or that are free, or all of them if i is free, as 4 j (see the AVX-512 version); returns how
  // many.
  // cells_sq < reach_sq is tested as min(cells_sq, reach_sq - 1) == cells_sq, unsigned.
  static int near_cells(const coarse::CellWords& cells, int atoms, int i, int j0, std::uint32_t reach_sq,
                        const std::int32_t* free, std::int32_t* out) {
    const __m256i d = cells_sq(cells, i, j0);
    const __m256i limit = _mm256_set1_epi32(static_cast<std::int32_t>(reach_sq - 1));
    const __m256i near = _mm256_or_si256(_mm256_cmpeq_epi32(_mm256_min_epu32(d, limit), d),
                                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(free + j0)));
    const unsigned valid = atoms_from(atoms, j0);
    const unsigned mask =
        (static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(near))) | (free[i] != 0 ? 0xFFu : 0u)) &
        valid;
    return compress_cells(out, iota4(j0), mask);
  }

  struct CellLook {
    int counted, edge;
  };
  // Atom i's cell words, in every lane.
  struct CellRow {
    __m256i xy, z;
  };
  static CellRow cell_row_of(std::int32_t xy, std::int32_t z) {
    return {_mm256_set1_epi32(xy), _mm256_set1_epi32(z)};
  }
  static CellRow cell_row(const coarse::CellWords& cells, int i) {
    return {_mm256_set1_epi32(cells.xy[i]), _mm256_set1_epi32(cells.z[i])};
  }
  // a < b lane by lane, unsigned, as a lane mask: min(a, b - 1) == a.
  static unsigned below(__m256i a, std::int32_t b) {
    const __m256i same = _mm256_cmpeq_epi32(_mm256_min_epu32(a, _mm256_set1_epi32(b - 1)), a);
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(same)));
  }
  // The atoms ids[0 ... count-1] (only the first 8 are looked at) whose squared cell distance to
  // the row's atom is below reach_sq and whose number is above `after`, in order, to out (8 slots
  // written); see the AVX-512 version. Returns how many.
  static int near_ids(const CellRow& row, const std::int32_t* xy, const std::int32_t* z,
                      const std::int32_t* ids, int count, std::int32_t after, std::uint32_t reach_sq,
                      std::int32_t* out) {
    const unsigned valid = count >= cell_lanes ? 0xFFu : (1u << count) - 1;
    const __m256i dxy = _mm256_sub_epi16(row.xy, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(xy)));
    const __m256i dz = _mm256_sub_epi32(row.z, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(z)));
    const __m256i d2 = _mm256_add_epi32(_mm256_madd_epi16(dxy, dxy), _mm256_madd_epi16(dz, dz));
    const __m256i id = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(ids));
    const unsigned later = static_cast<unsigned>(
        _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(id, _mm256_set1_epi32(after)))));
    const unsigned mask = valid & later & below(d2, static_cast<std::int32_t>(reach_sq));
    return compress_cells(out, id, mask);
  }

  // The g(r) look at atom i (row) against j0 ... j0 + count - 1 (count <= 8), see the AVX-512
  // version. Squares of 2^31 and more convert as negative numbers and give NaN, which converts
  // to 0x80000000: no fraction in range and beyond every bin, so those pairs (over 280 bins
  // away) are counted nowhere, as they should be.
  static CellLook cell_bins(const CellRow& row, const coarse::CellWords& cells, int j0, int count,
                            std::int32_t* bins_out, std::int32_t* edge_out) {
    const unsigned valid = count >= cell_lanes ? 0xFFu : (1u << count) - 1;
    const __m256i dxy =
        _mm256_sub_epi16(row.xy, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells.xy + j0)));
    const __m256i dz =
        _mm256_sub_epi32(row.z, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells.z + j0)));
    const __m256i d2 = _mm256_add_epi32(_mm256_madd_epi16(dxy, dxy), _mm256_madd_epi16(dz, dz));
    const __m256 h = _mm256_add_ps(
        _mm256_mul_ps(_mm256_sqrt_ps(_mm256_cvtepi32_ps(d2)), _mm256_set1_ps(coarse::fixed_scale)),
        _mm256_set1_ps(coarse::fixed_offset));
    const __m256i fixed = _mm256_cvttps_epi32(h);
    const __m256i frac = _mm256_and_si256(fixed, _mm256_set1_epi32(coarse::fraction_steps - 1));
    const unsigned clear = valid & below(_mm256_sub_epi32(frac, _mm256_set1_epi32(coarse::clear_low)),
                                         coarse::clear_high - coarse::clear_low + 1);
    const unsigned counted = clear & below(fixed, model::bins * coarse::fraction_steps);
    const unsigned edge = valid & ~clear & below(fixed, (model::bins + 1) * coarse::fraction_steps);
    static_assert(coarse::fraction_steps == 1 << 8);
    return {compress_cells(bins_out, _mm256_srli_epi32(fixed, 8), counted),
            compress_cells(edge_out, iota4(j0), edge)};
  }
};

}  // namespace
}  // namespace pelzak::kernels

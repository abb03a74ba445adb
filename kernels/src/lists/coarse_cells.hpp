// A coarse first look at every pair: for building Verlet lists, and for g(r).
//
// Only about 6 % of the pairs lie within the Verlet list's radius. To find them cheaply, every
// coordinate is also held as a 16-bit fraction of the box side (65536 cells per side, cell = L /
// 65536: about 5.3e-5 nm in the library's box). A 16-bit difference wraps modulo 65536: it is the
// minimum-image separation in cells. Each atom has two 32-bit words: x in the low and y in the
// high half of one, z in the high half of the other (low half zero). Subtracting the xy words half
// by half and the z words whole, a multiply-add of 16-bit halves then gives dx^2 + dy^2 and dz^2
// exactly, one pair per 32-bit lane: sixteen pairs per AVX-512 register, in five integer
// operations.
//
// The look must never miss a pair the exact arithmetic puts inside a radius rc. Each coordinate
// is rounded to the nearest cell (error at most 1/2 cell, plus under 2^-16 cell from the one
// rounded multiplication for |x| <= the model's ordinary_bound), so each cell difference is within
// 1.01 cells of the exact minimum-image separation, which itself carries under 1e-5 cells of
// rounding there. If rsq < rc^2 then, with c = rc / cell,
//   sum (|d_k| / cell + 1.01)^2 <= c^2 + 2.02 sqrt(3) c + 3.07 < (c + 2)^2,
// so every such pair has a squared cell distance below (c + 2)^2 and is kept as a candidate
// (lists/verlet_list.hpp and the engine's lists, with rc the cut-off plus the skin). The candidates then go
// through the exact double arithmetic, which alone decides. Everything here is in cells, so it holds for any
// box side.
#pragma once

#include <bit>
#include <cstdint>

#include "pelzak/kernels/candidate_list.hpp"
#include "pelzak_model.h"

namespace pelzak::kernels::coarse {

// Cells per box side (pelzak/kernels/candidate_list.hpp); a difference wraps to [-32768, 32767]
// cells, the nearest image.
using kernels::cells_per_side;
// g(r) from the cells. A bin is dr = L / 400 = 163.84 cells wide for every box, so a cell
// distance D gives r / dr = D * 400 / 65536 (exact in binary). The bound above puts D within
// 1.01 sqrt(3) = 1.75 cells of the exact distance, that is within 0.01068 in r / dr;
// single-precision arithmetic (convert, square root, one multiplication, adding 1/2 for the
// rounding) adds under 1e-4 for r / dr below 350: 0.01078 in all. So wherever
// D * 400 / 65536 + 1/2 lies farther than bin_margin from a whole number, its floor is the bin the
// exact arithmetic gives; nearer ones are redone exactly.
inline constexpr double bins_per_cell = 400.0 / cells_per_side;
static_assert(bins_per_cell == 25.0 / 4096.0);
static_assert(model::bin_width == model::box / 400.0);
inline constexpr float bin_margin = 0.0115f;
// The vector kernels read h = r / dr + 1/2 in fixed point, H = trunc(256 h) (scaling by 256 and
// adding 128 are exact in single precision here, so H is the floor of 256 times the h above):
// the bin is H >> 8 and the fraction's first eight bits are H & 255. Those in
// [clear_low, clear_high] put the fraction in [3/256, 253/256), at least bin_margin from either
// whole number; the others (about 2.3 % of the pairs) go to the exact arithmetic as before.
inline constexpr int fraction_steps = 256;
// 256 h = sqrt(D^2) * fixed_scale + fixed_offset, in single precision (both exact there).
inline constexpr float fixed_scale = static_cast<float>(bins_per_cell * fraction_steps);
inline constexpr float fixed_offset = 0.5f * fraction_steps;
static_assert(fixed_scale == 25.0f / 16.0f);
inline constexpr int clear_low = 3;
inline constexpr int clear_high = fraction_steps - 1 - clear_low;
static_assert(bin_margin > 0.01078f && clear_low >= bin_margin * fraction_steps &&
              clear_high + 1 <= (1.0 - bin_margin) * fraction_steps);

// Room for one full vector load past the last atom.
inline constexpr int padding = cell_padding;

// Cell words of every atom (atoms + padding of each, 64-byte aligned); the padding is zero.
struct CellWords {
  std::int32_t* xy;  // x cell | y cell << 16
  std::int32_t* z;   // z cell << 16
};

// The squared minimum-image distance in cells of two atoms with cell words (xy_a, z_a) and
// (xy_b, z_b): 16-bit differences wrap to the nearest image. (Static: the vector kernels' files
// compute it their own way.)
static inline std::uint32_t words_sq(std::int32_t xy_a, std::int32_t z_a, std::int32_t xy_b,
                                     std::int32_t z_b) {
  const auto square = [](std::uint32_t a, std::uint32_t b) {
    const std::int32_t d = static_cast<std::int16_t>(a - b);  // modulo 2^16
    return static_cast<std::uint32_t>(d * d);
  };
  const auto a = static_cast<std::uint32_t>(xy_a), b = static_cast<std::uint32_t>(xy_b);
  return square(a, b) + square(a >> 16, b >> 16) +
         square(static_cast<std::uint32_t>(z_a) >> 16, static_cast<std::uint32_t>(z_b) >> 16);
}

// The same for atoms i and j of cells.
static inline std::uint32_t cells_sq(const CellWords& cells, int i, int j) {
  return words_sq(cells.xy[i], cells.z[i], cells.xy[j], cells.z[j]);
}

// The nearest cell of coordinate x (nm), modulo 65536 (pelzak/kernels/candidate_list.hpp).
inline std::uint32_t cell_of(double x, double cells_per_nm) { return kernels::cell_of(x, cells_per_nm); }

// Fills cells from a configuration array of m.atoms atoms. Returns false, and leaves cells
// unfilled, if some coordinate is infinite, NaN or beyond m.ordinary_bound.
template <class M>
bool cell_coordinates(const M& m, const double* positions, CellWords cells) {
  const long n3 = 3L * m.atoms;
  // Comparisons are false for NaN, so NaN fails too.
  bool ordinary = true;
  for (long n = 0; n < n3; ++n)
    ordinary &= (positions[n] >= -m.ordinary_bound) & (positions[n] <= m.ordinary_bound);
  if (!ordinary) return false;
  const double cells_per_nm = cells_per_side / m.box;
  const double* x = positions;
  const double* y = positions + m.atoms;
  const double* z = positions + 2L * m.atoms;
  for (long i = 0; i < m.atoms; ++i) {
    cells.xy[i] = static_cast<std::int32_t>(cell_of(x[i], cells_per_nm) | cell_of(y[i], cells_per_nm) << 16);
    cells.z[i] = static_cast<std::int32_t>(cell_of(z[i], cells_per_nm) << 16);
  }
  for (long i = m.atoms; i < m.atoms + padding; ++i) cells.xy[i] = cells.z[i] = 0;
  return true;
}

}  // namespace pelzak::kernels::coarse

// A coarse first look at every pair: for building the Verlet list, and for g(r).
//
// Only about 6 % of the pairs lie within the Verlet list's radius. To find them cheaply, every
// coordinate is also held as a 16-bit fraction of the box side (65536 cells per side, cell = L / 65536, about
// 5.3e-5 nm). A 16-bit difference wraps modulo 65536: it is the minimum-image separation in
// cells. Each atom has two 32-bit words: x in the low and y in the high half of one, z in the
// high half of the other (low half zero). Subtracting the xy words half by half and the z words
// whole, a multiply-add of 16-bit halves then gives dx^2 + dy^2 and dz^2 exactly, one pair per
// 32-bit lane: sixteen pairs per AVX-512 register, in five integer operations.
//
// The look must never miss a pair the exact arithmetic puts inside a radius rc. Each coordinate
// is rounded to the nearest cell (error at most 1/2 cell, plus under 2^-16 cell from the one
// rounded multiplication for |x| <= ordinary_bound), so each cell difference is within 1.01
// cells of the exact minimum-image separation, which itself carries under 1e-5 cells of
// rounding there. If rsq < rc^2 then, with c = rc / cell,
//   sum (|d_k| / cell + 1.01)^2 <= c^2 + 2.02 sqrt(3) c + 3.07 < (c + 2)^2,
// so every such pair has a squared cell distance below (c + 2)^2 and is kept as a candidate
// (verlet_list.hpp, with rc the cut-off plus the skin). The candidates then go through the
// exact double arithmetic, which alone decides.
#pragma once

#include <cstdint>

#include "pelzak_model.h"

namespace pelzak::kernels::coarse {

// Cells per box side; a difference wraps to [-32768, 32767] cells, the nearest image.
inline constexpr double cells_per_side = 65536.0;
inline constexpr double cells_per_nm = cells_per_side / model::box;
// The cut-off radius 2.25 sigma, nm.
inline constexpr double cutoff = 2.25 * model::sigma;
static_assert(cutoff * cutoff == model::cutoff_sq);
// g(r) from the cells. A bin is dr = L / 400 = 163.84 cells wide, so a cell distance D gives
// r / dr = D * 400 / 65536 (exact in binary). The bound above puts D within 1.01 sqrt(3) = 1.75
// cells of the exact distance, that is within 0.01068 in r / dr; single-precision arithmetic
// (convert, square root, one multiplication, adding 1/2 for the rounding) adds under 1e-4 for
// r / dr below 350: 0.01078 in all. So wherever D * 400 / 65536 + 1/2 lies farther than
// bin_margin from a whole number, its floor is the bin the exact arithmetic gives; nearer ones
// are redone exactly.
inline constexpr double bins_per_cell = 400.0 / cells_per_side;
static_assert(bins_per_cell == 25.0 / 4096.0);
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

// Coordinates up to this size (nm) keep the error bounds above; a configuration with any larger,
// infinite or NaN coordinate skips the coarse look and every pair takes the exact arithmetic.
inline constexpr double ordinary_bound = 1048576.0;

// Room for one full vector load past the last atom.
inline constexpr int padded = model::atoms + 16;

// Cell words of every atom; the padding is zero.
struct CellCoordinates {
  alignas(64) std::int32_t xy[padded];  // x cell | y cell << 16
  alignas(64) std::int32_t z[padded];   // z cell << 16
};

// The squared minimum-image distance of atoms i and j in cells: 16-bit differences wrap to the
// nearest image. (Static: the vector kernels' files compute it their own way.)
static inline std::uint32_t cells_sq(const CellCoordinates& cells, int i, int j) {
  const auto square = [](std::uint32_t a, std::uint32_t b) {
    const std::int32_t d = static_cast<std::int16_t>(a - b);  // modulo 2^16
    return static_cast<std::uint32_t>(d * d);
  };
  const auto xy_i = static_cast<std::uint32_t>(cells.xy[i]);
  const auto xy_j = static_cast<std::uint32_t>(cells.xy[j]);
  return square(xy_i, xy_j) + square(xy_i >> 16, xy_j >> 16) +
         square(static_cast<std::uint32_t>(cells.z[i]) >> 16, static_cast<std::uint32_t>(cells.z[j]) >> 16);
}

// Fills cells from a configuration array. Returns false, and leaves cells unfilled, if some
// coordinate is infinite, NaN or beyond ordinary_bound.
bool cell_coordinates(const double* positions, CellCoordinates* cells);

}  // namespace pelzak::kernels::coarse

// What the library's Verlet list is made of and how the kernels read it: candidate blocks and the
// coarse look's cell words
// (the kernels' coarse_cells.hpp has the proof that the look never misses a pair).
#pragma once

#include <bit>
#include <cstdint>

namespace pelzak::kernels {

// Candidates come in blocks of 8 (one AVX-512 vector, two AVX2 ones), each block within one row:
// a row's last block is padded with atom 0 and says which of its 8 lanes are candidates. The
// kernels then run one flat loop over blocks, with no short loop per row to leave. A candidate
// j is held as 4 j, where atom j's row begins in the kernels' arrays of four doubles per atom
// (x, y, z and a spare lane), so that no load needs a multiplication of its own.
inline constexpr int block_size = 8;
// Room after the last block: the vector kernels store whole vectors (up to 16 lanes) there.
inline constexpr int tail_room = 16;

// A list as a pair loop reads it: rows in ascending i, and the
// candidates j > i of a row ascending. A list must hold every pair inside the cut-off.
struct CandidateList {
  int blocks;
  const std::int32_t* block_atom;   // the row of each block; -1 after the last
  const std::uint8_t* block_lanes;  // the block's candidate lanes, bits 0 ... count - 1
  const std::int32_t* j4;           // block b: j4[8 b] ... j4[8 b + 7], as 4 j; tail_room zeros after
};

// The coarse look: every coordinate also held as a 16-bit fraction of the box side, its "cell"
// (65536 per side). An atom has two 32-bit words: x in the low and y in the high half of one, z in
// the high half of the other (low half zero).
inline constexpr double cells_per_side = 65536.0;
// Room for one full vector load past the last atom of an array of cell words.
inline constexpr int cell_padding = 16;

// The nearest cell of coordinate x (nm), modulo 65536, for cells_per_nm = 65536 / L. Adding
// 1.5 * 2^52 leaves x * cells_per_nm rounded to a whole number in the low bits of the sum's
// significand (|x| up to the model's ordinary_bound keeps it below 2^35), two's complement included
// for negative values.
inline std::uint32_t cell_of(double x, double cells_per_nm) {
  const double shifted = x * cells_per_nm + 6755399441055744.0;
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(shifted)) & 0xFFFF;
}

// The reach of the coarse look for a list of radius `radius` nm in a box of side `box`: pairs
// whose squared cell distance lies below it are candidates (a margin of two cells).
inline std::uint32_t coarse_reach_sq(double radius, double box) {
  const double cells = radius * (cells_per_side / box) + 2.0;
  const double sq = cells * cells + 1.0;
  return sq < 4294967295.0 ? static_cast<std::uint32_t>(sq) : 4294967295u;
}

}  // namespace pelzak::kernels

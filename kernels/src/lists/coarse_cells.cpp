// Cell words of a configuration for the coarse look at the pairs (see coarse_cells.hpp).
#include "lists/coarse_cells.hpp"

#include <bit>

namespace pelzak::kernels::coarse {
namespace {

// The nearest cell of coordinate x (nm), modulo 65536. Adding 1.5 * 2^52 leaves x * cells_per_nm
// rounded to a whole number in the low bits of the sum's significand (|x| <= ordinary_bound
// keeps it below 2^35), two's complement included for negative values.
std::uint32_t cell_of(double x) {
  const double shifted = x * cells_per_nm + 6755399441055744.0;
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(shifted)) & 0xFFFF;
}

}  // namespace

bool cell_coordinates(const double* positions, CellCoordinates* cells) {
  using model::atoms;
  // Comparisons are false for NaN, so NaN fails too.
  bool ordinary = true;
  for (int n = 0; n < 3 * atoms; ++n)
    ordinary &= (positions[n] >= -ordinary_bound) & (positions[n] <= ordinary_bound);
  if (!ordinary) return false;
  for (int i = 0; i < atoms; ++i) {
    cells->xy[i] = static_cast<std::int32_t>(cell_of(positions[model::x_axis + i]) |
                                             cell_of(positions[model::y_axis + i]) << 16);
    cells->z[i] = static_cast<std::int32_t>(cell_of(positions[model::z_axis + i]) << 16);
  }
  for (int i = atoms; i < padded; ++i) cells->xy[i] = cells->z[i] = 0;
  return true;
}

}  // namespace pelzak::kernels::coarse

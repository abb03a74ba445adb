// Cell words of a configuration for the coarse look at the pairs (see coarse_cells.hpp).
#include "coarse_cells.hpp"

namespace pelzak::aux::coarse {
namespace {

// The nearest cell of coordinate x (nm) modulo 65536, or -1 if x is beyond ordinary_bound,
// infinite or NaN.
std::int32_t cell_of(double x) {
  if (!(x >= -ordinary_bound && x <= ordinary_bound)) return -1;
  // floor(v + 1/2) as truncation, corrected downwards for negative values; |v| < 2^35 here.
  const double v = x * cells_per_nm + 0.5;
  std::int64_t cell = static_cast<std::int64_t>(v);
  if (static_cast<double>(cell) > v) --cell;
  return static_cast<std::int32_t>(cell & 0xFFFF);
}

}  // namespace

bool cell_coordinates(const double* positions, CellCoordinates* cells) {
  using model::atoms;
  for (int i = 0; i < atoms; ++i) {
    const std::int32_t cx = cell_of(positions[model::x_axis + i]);
    const std::int32_t cy = cell_of(positions[model::y_axis + i]);
    const std::int32_t cz = cell_of(positions[model::z_axis + i]);
    if (cx < 0 || cy < 0 || cz < 0) return false;
    cells->xy[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(cx) |
                                             static_cast<std::uint32_t>(cy) << 16);
    cells->z[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(cz) << 16);
  }
  for (int i = atoms; i < padded; ++i) cells->xy[i] = cells->z[i] = 0;
  return true;
}

}  // namespace pelzak::aux::coarse

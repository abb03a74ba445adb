#include "verlet_list.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pelzak::engine {

namespace {

// At most this many cells along an axis (the grid's memory grows with its cube).
constexpr int max_cells = 1024;

bool ordinary(const kernels::PairModel& m, const double* positions, long i) {
  for (int k = 0; k < 3; ++k) {
    const double x = positions[k * static_cast<long>(m.atoms) + i];
    if (!(x >= -m.ordinary_bound && x <= m.ordinary_bound)) return false;
  }
  return true;
}

}  // namespace

std::size_t VerletList::bytes() const {
  return built_at_.capacity() * sizeof(double) + free_.capacity() + block_atom_.capacity() * 4 +
         block_lanes_.capacity() + j4_.capacity() * 4 +
         (cell_of_.capacity() + cell_start_.capacity() + cell_atoms_.capacity() + cell_xy_.capacity() +
          cell_z_.capacity() + atom_xy_.capacity() + atom_z_.capacity() + row_.capacity()) *
             4;
}

bool VerletList::serves(const kernels::PairModel& m, const double* positions) const {
  if (!valid_ || m.atoms != built_for_.atoms || m.box != built_for_.box ||
      m.cutoff_sq != built_for_.cutoff_sq)
    return false;
  const double move_limit = 0.5 * skin_ * (1.0 - 1e-6);
  const double move_limit_sq = move_limit * move_limit;
  const long n = m.atoms;
  const double* x = positions;
  const double* y = positions + n;
  const double* z = positions + 2 * n;
  const double* x0 = built_at_.data();
  const double* y0 = x0 + n;
  const double* z0 = x0 + 2 * n;
  // Every atom is checked, without an early exit: the loop stays branch-free. NaN fails.
  bool near = true;
  for (long i = 0; i < n; ++i) {
    const double dx = x[i] - x0[i], dy = y[i] - y0[i], dz = z[i] - z0[i];
    near &= free_[i] != 0 || dx * dx + dy * dy + dz * dz <= move_limit_sq;
  }
  return near;
}

kernels::CandidateList VerletList::current(const kernels::PairModel& m, const double* positions,
                                           kernels::Isa isa) {
  if (!serves(m, positions)) build(m, positions, isa);
  return {blocks_, block_atom_.data(), block_lanes_.data(), j4_.data()};
}

void VerletList::finish_row(int i, int n) {
  using kernels::block_size;
  std::int32_t* j4 = j4_.data() + static_cast<std::size_t>(block_size) * blocks_;
  // Padding: atom 0, a valid address for the loads; the block's lanes leave it out.
  for (int t = n; t % block_size != 0; ++t) j4[t] = 0;
  for (int t = 0; t < n; t += block_size) {
    const int count = n - t < block_size ? n - t : block_size;
    block_atom_[blocks_] = i;
    block_lanes_[blocks_] = static_cast<std::uint8_t>((1u << count) - 1);
    ++blocks_;
  }
}

void VerletList::build(const kernels::PairModel& m, const double* positions, kernels::Isa isa) {
  using kernels::block_size;
  using kernels::tail_room;
  const long n = m.atoms;
  ++builds_;
  built_for_ = m;
  built_at_.assign(positions, positions + 3 * n);

  // Every atom's cell words (coarse_cells.hpp); a free atom gets none.
  const double cells_per_nm = kernels::cells_per_side / m.box;
  free_.assign(n, 0);
  atom_xy_.assign(n, 0);
  atom_z_.assign(n, 0);
  long free_count = 0;
  for (long i = 0; i < n; ++i) {
    free_[i] = !ordinary(m, positions, i);
    free_count += free_[i];
    if (free_[i]) continue;
    atom_xy_[i] = static_cast<std::int32_t>(kernels::cell_of(positions[i], cells_per_nm) |
                                            kernels::cell_of(positions[n + i], cells_per_nm) << 16);
    atom_z_[i] = static_cast<std::int32_t>(kernels::cell_of(positions[2 * n + i], cells_per_nm) << 16);
  }

  // The grid (neighbour_list.hpp's CellGrid): ncell cells along each axis, each at least the list's
  // radius plus four coarse cells wide. A cell is the 16-bit word scaled to ncell.
  const double radius = std::sqrt(m.cutoff_sq) + skin_;
  const std::uint32_t reach_sq = kernels::coarse_reach_sq(radius, m.box);
  int ncell = static_cast<int>(std::floor(m.box / (radius + 4.0 * m.box / kernels::cells_per_side)));
  if (ncell > max_cells) ncell = max_cells;
  if (ncell < 3) ncell = 1;
  const long cells = static_cast<long>(ncell) * ncell * ncell;
  const auto grid_cell = [ncell](std::uint32_t word) {
    return static_cast<int>((word & 0xFFFF) * ncell >> 16);
  };
  cell_of_.assign(n, -1);
  cell_start_.assign(cells + 1, 0);
  for (long i = 0; i < n; ++i) {
    if (free_[i]) continue;
    const auto xy = static_cast<std::uint32_t>(atom_xy_[i]), z = static_cast<std::uint32_t>(atom_z_[i]);
    cell_of_[i] = static_cast<std::int32_t>(
        (static_cast<long>(grid_cell(z >> 16)) * ncell + grid_cell(xy >> 16)) * ncell + grid_cell(xy));
    ++cell_start_[cell_of_[i] + 1];
  }
  for (long c = 0; c < cells; ++c) cell_start_[c + 1] += cell_start_[c];
  const std::int32_t placed = cell_start_[cells];
  cell_atoms_.assign(placed + kernels::cell_padding, 0);
  cell_xy_.assign(placed + kernels::cell_padding, 0);
  cell_z_.assign(placed + kernels::cell_padding, 0);
  {
    std::vector<std::int32_t> fill(cell_start_.begin(), cell_start_.end() - 1);
    for (long i = 0; i < n; ++i) {  // ascending i: each cell's atoms ascending
      if (cell_of_[i] < 0) continue;
      const std::int32_t p = fill[cell_of_[i]]++;
      cell_atoms_[p] = static_cast<std::int32_t>(i);
      cell_xy_[p] = atom_xy_[i];
      cell_z_[p] = atom_z_[i];
    }
  }
  const kernels::CellGrid grid{ncell,           cell_of_.data(), cell_start_.data(), cell_atoms_.data(),
                               cell_xy_.data(), cell_z_.data(),  atom_xy_.data(),    atom_z_.data()};
  long largest_cell = 0;
  for (long c = 0; c < cells; ++c)
    largest_cell = std::max<long>(largest_cell, cell_start_[c + 1] - cell_start_[c]);

  // Row by row, ascending: the candidates the grid finds, every free j > i, sorted; every j > i for
  // a free i.
  blocks_ = 0;
  const std::size_t guess = static_cast<std::size_t>(n) * 48 + tail_room;
  if (j4_.size() < guess) j4_.resize(guess);
  if (block_atom_.size() < guess / block_size + n + 1) {
    block_atom_.resize(guess / block_size + n + 1);
    block_lanes_.resize(guess / block_size + n + 1);
  }
  row_.resize(27 * largest_cell + 64 + static_cast<std::size_t>(free_count));
  const kernels::Isa look = isa == kernels::Isa::reference ? kernels::Isa::scalar : isa;
  row_block_.assign(n + 1, 0);
  for (long i = 0; i < n; ++i) {
    row_block_[i] = blocks_;
    long count = 0;
    if (free_[i]) {
      if (row_.size() < static_cast<std::size_t>(n)) row_.resize(n);
      for (long j = i + 1; j < n; ++j) row_[count++] = static_cast<std::int32_t>(j);
    } else {
      count = kernels::grid_row_on(look, grid, static_cast<int>(i), reach_sq, row_.data());
      if (free_count > 0)
        for (long j = i + 1; j < n; ++j)
          if (free_[j]) row_[count++] = static_cast<std::int32_t>(j);
      std::sort(row_.begin(), row_.begin() + count);
    }
    const std::size_t needed = static_cast<std::size_t>(blocks_ + 1) * block_size + count + tail_room;
    if (needed > j4_.size()) j4_.resize(needed + needed / 2);
    const std::size_t needed_blocks = blocks_ + count / block_size + 2;
    if (needed_blocks > block_atom_.size()) {
      block_atom_.resize(needed_blocks + needed_blocks / 2);
      block_lanes_.resize(needed_blocks + needed_blocks / 2);
    }
    std::int32_t* out = j4_.data() + static_cast<std::size_t>(block_size) * blocks_;
    for (long t = 0; t < count; ++t) out[t] = 4 * row_[t];
    finish_row(static_cast<int>(i), static_cast<int>(count));
  }
  block_atom_[blocks_] = -1;
  row_block_[n] = blocks_;
  std::fill(j4_.begin() + static_cast<long>(block_size) * blocks_,
            j4_.begin() + static_cast<long>(block_size) * blocks_ + tail_room, 0);
  valid_ = true;
}

}  // namespace pelzak::engine

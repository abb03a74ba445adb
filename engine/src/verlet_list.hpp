// The engine's Verlet list: the candidate partners of every atom, found through a grid of cells in
// time proportional to the atom count, kept from one force call to the next while no atom has
// moved far enough to change which pairs can interact.
//
// A build records the positions it was made from and, for every atom i, the j > i (ascending)
// whose minimum-image distance there is below the cut-off plus a skin, and every pair with a "free"
// atom: one whose coordinates are not finite or too large for the cells (beyond the model's
// ordinary_bound). A later call may use the list only if every atom that is not free lies less
// than half the skin (less a part in a million, for rounding) from where it was at the build: a
// pair of two such atoms inside the cut-off now was then closer than cut-off + skin (each moved
// less than skin / 2; the torus distance obeys the triangle inequality), so it is a candidate.
// Each candidate still gets the exact in-range test on the positions passed in, and pairs out of
// range add nothing to any sum, so the results are those of the plain loop over all pairs, bit for
// bit, and visited in the same order (the kernels read the list in the layout of the library's).
//
// The candidates are found through the coarse look at the 16-bit cell words of the library's
// kernels (coarse_cells.hpp), which never misses a pair closer than the list's radius, over the
// 27 cells of a grid around each atom (neighbour_list.hpp's CellGrid); boxes narrower than three
// grid cells take every atom as a neighbour of every other.
#pragma once

#include <cstdint>
#include <vector>

#include "pelzak/kernels/candidate_list.hpp"
#include "pelzak/kernels/pair_model.hpp"
#include "pelzak/kernels/state_point_loops.hpp"

namespace pelzak::engine {

class VerletList {
 public:
  explicit VerletList(double skin = 0.1) : skin_(skin) {}

  // The candidates for positions of a system with model m: the kept list while it serves them,
  // otherwise a new one.
  // isa: the kernel set that looks for the candidates.
  kernels::CandidateList current(const kernels::PairModel& m, const double* positions, kernels::Isa isa);

  long builds() const { return builds_; }
  // The first block of each row of the current list, and its block count after the last row.
  const std::int32_t* row_blocks() const { return row_block_.data(); }
  // Bytes the list holds now.
  std::size_t bytes() const;

 private:
  bool serves(const kernels::PairModel& m, const double* positions) const;
  void build(const kernels::PairModel& m, const double* positions, kernels::Isa isa);
  void finish_row(int i, int n);

  double skin_;
  long builds_ = 0;
  bool valid_ = false;
  kernels::PairModel built_for_{};
  std::vector<double> built_at_;    // positions of the build
  std::vector<std::uint8_t> free_;  // 1 for a free atom
  std::vector<std::int32_t> block_atom_;
  std::vector<std::uint8_t> block_lanes_;
  std::vector<std::int32_t> j4_;
  int blocks_ = 0;
  std::vector<std::int32_t> row_block_;
  // Working arrays of a build, kept to save their allocation.
  std::vector<std::int32_t> atom_xy_, atom_z_, cell_of_, cell_start_, cell_atoms_, cell_xy_, cell_z_, row_;
};

}  // namespace pelzak::engine

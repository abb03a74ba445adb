// The Verlet list: the candidate partners of every atom, kept from one force_atoms call to the
// next. This is the one piece of state the library keeps in memory between calls besides the
// open g(r) file.
//
// A build records the positions it was made from and, for every i, the j > i (ascending) whose
// minimum-image distance there is below the cut-off plus a skin (and every pair with one of a
// few fast-moving "free" atoms, below). A later call may use the list only if every atom of the
// positions it is given, free ones aside, lies less than half the skin from where it was at the
// build: a pair of two such atoms inside the cut-off now was then closer than cut-off + skin
// (each moved less than skin / 2; the torus distance obeys the triangle inequality), so it is a
// candidate, and so is every pair with a free atom. Each candidate still gets the exact in-range test on the
// positions passed in, and pairs out of range add nothing to any sum, so the results are those of the plain
// loop over all pairs, bit for bit, and visited in the same order.
//
// The check runs on every call against whatever array the caller passes: a driver that moves
// atoms by hand, swaps arrays or calls with an unrelated configuration just gets a rebuild. An
// infinite, NaN or huge coordinate fails the check; such configurations get no list at all and
// go through the exact all-pairs loop.
//
// The storage is one plain static object, zero-initialised at load (no constructor, destructor,
// guard variable or allocation), with internal linkage: nothing of it reaches the link names.
#pragma once

#include <cstdint>

#include "library_model.hpp"
#include "lists/coarse_cells.hpp"
#include "pelzak/kernels/candidate_list.hpp"
#include "pelzak_model.h"

namespace pelzak::kernels::verlet {

// Skin, nm: the list holds the pairs closer than cut-off + skin at the build. Atoms of the
// liquid at 94.4 K cross half of it in about ten steps, which is then how often a list is made.
inline constexpr double skin = 0.1;
inline constexpr double list_radius = model::cutoff + skin;

// Candidates are the pairs whose squared cell distance (coarse_cells.hpp) lies below this: the
// cell look keeps every pair closer than list_radius, with the same margin of two cells.
inline constexpr double list_cells = list_radius * (coarse::cells_per_side / model::box);
inline constexpr std::uint32_t reach_sq =
    static_cast<std::uint32_t>((list_cells + 2.0) * (list_cells + 2.0)) + 1;
static_assert(reach_sq < 3u * (1u << 30));

// The list may be used while every atom's squared displacement from the build, computed in
// doubles, is at most move_limit_sq. Half the skin, less a part in a million: that part (5e-8 nm)
// covers the rounding of the displacement (relative 1e-15) and of the exact separation at
// coordinates up to LibraryModel::ordinary_bound (under 1e-9 nm), so the proof above holds for the
// values the kernels actually compute.
inline constexpr double move_limit = 0.5 * skin * (1.0 - 1e-6);
inline constexpr double move_limit_sq = move_limit * move_limit;

inline constexpr int all_pairs = model::atoms * (model::atoms - 1) / 2;

// Fast movers. A list that has to be rebuilt after fewer than quick_rebuild calls was given up
// for a few atoms that move fast (a driver passing forces in newtons as the driving term flings
// a handful of overlapping atoms away and scales every other velocity down to almost nothing).
// The next list makes the atoms that went beyond move_limit "free": every pair with a free atom
// is a candidate, so a free atom may move any distance; the check on each call then concerns
// the others only. A free atom that went on moving stays free in the list after. At most
// max_free atoms are made free, else none. "Free" here means a fast mover, made so by this list's
// history. The engine's list (engine/src/verlet_list.hpp) pairs every atom with its own "free"
// atoms for another reason: their coordinates are not finite or too large for the coarse cells;
// a coordinate like that here sends the whole call to the all-pairs loop instead.
inline constexpr int quick_rebuild = 4;
inline constexpr int max_free = 64;

// Candidates in blocks of kernels::block_size within a row (pelzak/kernels/candidate_list.hpp).
using kernels::block_size;
using kernels::tail_room;
inline constexpr int max_blocks = all_pairs / block_size + model::atoms;

struct NeighbourList {
  double built_at[3 * model::atoms];  // the positions of the build, configuration layout
  alignas(64) std::int32_t free[model::atoms + tail_room];  // -1 for a free atom, else 0
  int calls;                                                // since the build
  int blocks;
  std::int32_t block_atom[max_blocks + 1];  // the row (atom i) of each block; -1 after the last
  std::uint8_t block_lanes[max_blocks];     // the block's candidate lanes, bits 0 ... count - 1
  // Candidates j > i, ascending along a row, as 4 j: block b is j4[8 b] ... j4[8 b + 7]. Every
  // pair in the worst case: 1.5 MB (1.8 MB for the whole list).
  alignas(64) std::int32_t j4[max_blocks * block_size + tail_room];
  bool valid;
};

// The plain loop's candidates as a row: row i is j = i+1 ... atoms-1, here every_atom.j[i + 1]
// onwards.
struct EveryAtom {
  std::int32_t j[model::atoms + tail_room];
};
constexpr EveryAtom make_every_atom() {
  EveryAtom all{};
  for (int k = 0; k < model::atoms; ++k) all.j[k] = k;
  return all;
}
inline constexpr EveryAtom every_atom = make_every_atom();

// The rows of a new list, filled into list from cells: the kernels' ways of finding the candidates.
using BuildRows = void (*)(const coarse::CellWords& cells, NeighbourList* list);

inline kernels::CandidateList candidates(const NeighbourList& list) {
  return {list.blocks, list.block_atom, list.block_lanes, list.j4};
}

// The list for positions: the kept one while every atom that is not free lies within move_limit
// of its position at the build; otherwise a new one, whose rows build_rows fills. When a
// coordinate is infinite, NaN or beyond LibraryModel::ordinary_bound the cells are unusable: the new
// list then holds every pair and serves this call only.
const NeighbourList* current_list(const double* positions, BuildRows build_rows);

// Row i's n candidates are in place at j4[8 * blocks] onwards: pads them to whole blocks.
void finish_row(NeighbourList* list, int i, int n);

// The rows of a new list: every j > i whose squared cell distance is below reach_sq, and every
// pair with a free atom, in the plainest form (the portable kernel builds this way; the vector kernels find
// the same candidates 8 or 16 at a time).
void build_rows_portable(const coarse::CellWords& cells, NeighbourList* list);

}  // namespace pelzak::kernels::verlet

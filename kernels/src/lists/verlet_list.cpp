// The kept Verlet list, its check on every call, and the portable way to fill it (see
// verlet_list.hpp for why a list in range gives the exact results).
#include "lists/verlet_list.hpp"

#include <cstring>

namespace pelzak::kernels::verlet {
namespace {

// The one list: plain static storage, zero-initialised at load (valid = false), no constructor,
// destructor or guard.
NeighbourList kept;

// Whether atom i of positions lies within move_limit of its position at the build. NaN fails
// the comparison, so a NaN or infinite coordinate never does.
bool stayed(const double* positions, int i) {
  using namespace model;
  const double dx = positions[x_axis + i] - kept.built_at[x_axis + i];
  const double dy = positions[y_axis + i] - kept.built_at[y_axis + i];
  const double dz = positions[z_axis + i] - kept.built_at[z_axis + i];
  return dx * dx + dy * dy + dz * dz <= move_limit_sq;
}

// The kept list if it was built and every atom of positions that is not free lies within
// move_limit of its position at the build; nullptr when a new list is needed.
const NeighbourList* list_for(const double* positions) {
  if (!kept.valid) return nullptr;
  // Every atom is checked, without an early exit: the loop stays branch-free.
  bool near = true;
  for (int i = 0; i < model::atoms; ++i) near &= kept.free[i] != 0 || stayed(positions, i);
  if (!near) return nullptr;
  ++kept.calls;
  return &kept;
}

// Starts a new list for positions: forgets the kept one and records the positions. cells gets
// their cell words, and *cells_usable says whether it could: not when a coordinate is infinite,
// NaN or beyond LibraryModel::ordinary_bound.
NeighbourList* start_build(const double* positions, coarse::CellWords cells, bool* cells_usable) {
  // The atoms that ended a list young are free in the next one, and free atoms that moved on
  // stay free.
  const bool young = kept.valid && kept.calls < quick_rebuild;
  int free_atoms = 0;
  for (int i = 0; i < model::atoms; ++i) {
    kept.free[i] = (young || kept.free[i] != 0) && !stayed(positions, i) ? -1 : 0;
    free_atoms += kept.free[i] != 0;
  }
  if (free_atoms > max_free)
    for (int i = 0; i < model::atoms; ++i) kept.free[i] = 0;
  kept.valid = false;
  kept.calls = 0;
  kept.blocks = 0;
  *cells_usable = coarse::cell_coordinates(library_model, positions, cells);
  std::memcpy(kept.built_at, positions, sizeof kept.built_at);
  return &kept;
}

// Ends the build; keep = the list may serve later calls (cells were usable).
void finish_build(NeighbourList* list, bool keep) {
  list->block_atom[list->blocks] = -1;
  for (int t = 0; t < tail_room; ++t) list->j4[block_size * list->blocks + t] = 0;
  list->valid = keep;
}

// Every j > i, for positions the cells cannot hold.
void build_every_pair(NeighbourList* list) {
  for (int i = 0; i < model::atoms - 1; ++i) {
    std::int32_t* j_out = list->j4 + block_size * list->blocks;
    for (int j = i + 1; j < model::atoms; ++j) j_out[j - i - 1] = 4 * j;
    finish_row(list, i, model::atoms - 1 - i);
  }
}

}  // namespace

void finish_row(NeighbourList* list, int i, int n) {
  std::int32_t* j4 = list->j4 + block_size * list->blocks;
  // Padding: atom 0, a valid address for the loads; the block's lanes leave it out.
  for (int t = n; t % block_size != 0; ++t) j4[t] = 0;
  for (int t = 0; t < n; t += block_size) {
    const int count = n - t < block_size ? n - t : block_size;
    list->block_atom[list->blocks] = i;
    list->block_lanes[list->blocks] = static_cast<std::uint8_t>((1u << count) - 1);
    ++list->blocks;
  }
}

void build_rows_portable(const coarse::CellWords& cells, NeighbourList* list) {
  for (int i = 0; i < model::atoms - 1; ++i) {
    std::int32_t* j_out = list->j4 + block_size * list->blocks;
    int n = 0;
    for (int j = i + 1; j < model::atoms; ++j) {
      j_out[n] = 4 * j;
      n += (coarse::cells_sq(cells, i, j) < reach_sq) | (list->free[i] != 0) | (list->free[j] != 0);
    }
    finish_row(list, i, n);
  }
}

const NeighbourList* current_list(const double* positions, BuildRows build_rows) {
  if (const NeighbourList* list = list_for(positions)) return list;
  alignas(64) std::int32_t xy[model::atoms + coarse::padding];
  alignas(64) std::int32_t z[model::atoms + coarse::padding];
  const coarse::CellWords cells{xy, z};
  bool cells_usable = false;
  NeighbourList* fresh = start_build(positions, cells, &cells_usable);
  if (cells_usable) {
    build_rows(cells, fresh);
  } else {
    build_every_pair(fresh);
  }
  finish_build(fresh, cells_usable);
  return fresh;
}

}  // namespace pelzak::kernels::verlet

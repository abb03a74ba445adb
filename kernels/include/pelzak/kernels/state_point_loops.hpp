// The pair loops at any state point (pair_model.hpp): the plain loops over all pairs, which the
// engine's own order is held to within a part in 10^12, and g(r)'s kernels (the library's, one
// template for its fixed liquid and the engine's run-time model), bit for bit the plain loop's. The
// plain loops visit pairs with i ascending and, for each i, j ascending; the energy is summed as
// term + sum in that order, atom i's force taking +f and atom j's -f in that order, and each virial
// component as product + sum in that order.
#pragma once

#include <cstdint>

#include "pelzak/kernels/candidate_list.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak/kernels/pair_model.hpp"

namespace pelzak::kernels {

// Working arrays that grow with the atom count: the library keeps its own on the stack (its 864
// atoms need about 60 KB); the engine allocates them once per system. Each loop uses only the
// arrays it needs.
struct PairScratch {
  double* xyz = nullptr;             // 4 atoms: x, y, z and a spare lane per atom (64-byte aligned)
  double* force_rows = nullptr;      // 4 atoms: the forces being summed, the same way
  std::int32_t* cells_xy = nullptr;  // atoms + cell_padding: the coarse look's cell words
  std::int32_t* cells_z = nullptr;
  std::int32_t* row_bins = nullptr;  // pair_scratch_ints(atoms) each
  std::int32_t* edge_i4 = nullptr;
  std::int32_t* j4 = nullptr;
};
// Room for n atoms' worth of 32-bit values and one full vector load or store past them.
constexpr long pair_scratch_ints(long atoms) { return atoms + 64; }

// The plain loops over all pairs at a model: what every other loop here gives.
// Forces and *lj_sum carry in what the sums start from (zero them for the forces of positions
// alone); virial, if not null, receives the six sums of del_a f_b (xx, yy, zz, xy, xz, yz) with
// del = r_i - r_j at the minimum image and f the force on i from j, in nm N, carried in the same way.
// rdf_sample_reference adds 2.0 per pair to the bin its r / dr rounds to (dr = L / 400, model::bins
// bins over half the box).
void lj_pairs_reference(const PairModel& m, const double* positions, double* forces, double* lj_sum,
                        double* virial);
void rdf_sample_reference(const PairModel& m, const double* positions, double* histogram);

// g(r)'s histogram on a kernel set (Isa::reference: the plain loop; every pair: the cost grows
// with N^2). The engine's forces have kernels of their own, in its own order (cluster_pairs.hpp).
void rdf_sample_on(Isa isa, const PairModel& m, const double* positions, double* histogram,
                   const PairScratch& scratch);

}  // namespace pelzak::kernels

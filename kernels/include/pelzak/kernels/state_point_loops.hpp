// The pair loops at any state point: the library's kernels, one template for its fixed liquid and
// for the engine's run-time model (pair_model.hpp), over a candidate list (candidate_list.hpp),
// with the engine's working arrays. Every result is the plain reference loop's at the same model,
// bit for bit, on every kernel set: pairs visited with i ascending and, for each i, j ascending;
// the energy summed as term + sum in that order, atom i's force taking +f and atom j's -f in that
// order, and each virial component summed as product + sum in that order.
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

// The Lennard-Jones loop over a candidate list on a kernel set (Isa::reference: the plain loop, the
// list unread), and g(r)'s histogram (every pair: the cost grows with N^2).
void lj_listed_on(Isa isa, const PairModel& m, const double* positions, const CandidateList& list,
                  double* forces, double* lj_sum, double* virial, const PairScratch& scratch);
void rdf_sample_on(Isa isa, const PairModel& m, const double* positions, double* histogram,
                   const PairScratch& scratch);

// Row i of an engine's Verlet list from a grid: the j > i of the 27 cells around i's (the one cell
// of a small box) whose coarse distance to i is below reach_sq, unsorted, to out (room for every
// atom of those cells and 16 more). Returns how many.
int grid_row_on(Isa isa, const CellGrid& grid, int i, std::uint32_t reach_sq, std::int32_t* out);

// The engine's loop on several threads is the same loop cut in two: the pair terms, in any order,
// then the ordered sums. PairTerms holds the pairs one thread found, with their terms: arrays of
// block_size per candidate block and 16 more, the doubles 64-byte aligned.
struct PairTerms {
  std::int32_t* row;  // atom i of each pair
  std::int32_t* j4;   // 4 j
  double* x;          // the separation del = r_i - r_j
  double* y;
  double* z;
  double (*terms)[4];          // the force on i from j (N) and q^12 - q^6
  double (*virial_first)[4];   // del_x f_x, del_y f_y, del_z f_z, del_x f_y (with the virial only)
  double (*virial_second)[4];  // del_x f_z, del_y f_z, 0, 0
};

// The pairs inside the cut-off among the candidates of blocks first ... last - 1 of list, in visiting
// order, with their terms (and the virial's products when with_virial), to out; xyz holds the
// positions as rows of x, y, z and a spare lane. Returns how many.
int lj_terms_on(Isa isa, const PairModel& m, const double* xyz, const CandidateList& list, int first,
                int last, bool with_virial, const PairTerms& out);

// The ordered sums over pairs of t, each a step of the plain loop's sums: forces(j) -= f for the
// pairs listed in `pairs` (count of them, in order); forces(i) += f for pairs 0 ... n - 1; the energy
// (term + sum) and, if virial is not null, the six virial sums (product + sum) over pairs 0 ... n - 1.
// force_rows holds the forces as rows of four (x, y, z, unused), atom i's at 4 i.
void subtract_terms(const PairTerms& t, const std::int32_t* pairs, int count, double* force_rows);
void add_row_terms(const PairTerms& t, int n, double* force_rows);
void sum_terms(const PairTerms& t, int n, double* lj_sum, double* virial);

}  // namespace pelzak::kernels

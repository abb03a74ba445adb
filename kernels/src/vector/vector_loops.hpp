// The vector pair kernels, one template for AVX2 and AVX-512.
//
// avx2_lanes.hpp and avx512_lanes.hpp each define a small set of lane operations, S (the traits:
// S::Vd, a vector of S::lanes doubles with + - * / and sqrt, masks, gathers, compression, and the
// look at the 16-bit cell words over S::cell_lanes pairs); avx2_loops.cpp and avx512_loops.cpp
// instantiate the loops below with it. Every S lives in an unnamed namespace of the file compiled
// for its instruction set, so each instantiation is compiled for that set alone and no copy built
// for one set can be picked by the linker for the other. The same goes for anything else in this
// header: templates over S, or static.
//
// Every loop is a template over the model M (pelzak/kernels/pair_model.hpp): the library's fixed
// liquid (library_model.hpp), whose numbers are compile-time constants, or a state point of the
// engine's, whose numbers are run-time values. Working arrays that grow with the atom count come
// from the caller (PairScratch).
//
// Lennard-Jones: the candidates of a Verlet list (a CandidateList: the library's, lists/
// verlet_list.hpp, or the engine's), S::lanes at a time, gathered, their exact minimum image
// (image_bounds.hpp) and
// rsq; the pairs inside the cut-off are packed, in visiting order, into a chunk. A full chunk gets
// its terms (lj_pair.hpp) on full vectors, so the divider works on packed lanes only, and then its
// ordered sums, pair by pair: the energy, the forces and, when asked for, the virial.
// Configurations that cannot have a list take the same loop with every j > i as candidates.
//
// g(r): each pair's bin from the cell distance in single precision, S::cell_lanes pairs at a
// time; the bins of the pairs counted are packed and counted row by row into per-lane counter
// sets; the few pairs too near a bin edge for that look, and all pairs of a configuration the
// cells cannot hold, are binned with the exact arithmetic: r = sqrt(rsq), r / dr rounded half
// away from zero.
//
// Only correctly rounded IEEE operations are used (add, sub, mul, div, sqrt, truncation), and
// the files are compiled with -ffp-contract=off like the rest, so nothing is fused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "library_model.hpp"
#include "lists/coarse_cells.hpp"
#include "lists/verlet_list.hpp"
#include "lj_pair.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "pelzak_model.h"

namespace pelzak::kernels::vector_kernels {

// Pairs inside the cut-off whose terms are computed before they are summed: enough for the
// divider to work on long runs of full vectors, few enough (with their indices, about 10 KB)
// to stay in the first-level cache. A chunk also records at most chunk_rows rows: a sparse
// configuration (rows with few or no pairs) starts the next chunk early.
inline constexpr int chunk_pairs = 256;
inline constexpr int chunk_rows = 256;
// Ordered sums done after each block of 8 candidates: a little more than the 5.6 pairs in range
// such a block holds in the liquid, so that the sums keep pace with the pairs found.
inline constexpr int sums_per_block = 8;

// Per-lane g(r) counters: a set holds the 200 bins and one slot, `nowhere`, that the padding
// of a row's packed bins counts into; each set is 208 counters long (a multiple of 16, so every
// set starts on its own cache line). Eight sets, used in turn, keep consecutive increments
// apart: no increment waits for the one before.
inline constexpr int nowhere = model::bins;
inline constexpr int counter_stride = 208;
static_assert(counter_stride >= model::bins + 1 && counter_stride % 16 == 0);
inline constexpr int counter_sets = 8;

template <class S>
struct Separation {
  typename S::Vd delx, dely, delz, rsq;
};

// d - L * round(d / L) on every lane, bit for bit (image_bounds.hpp, pelzak/kernels/pair_model.hpp).
template <class S, class M>
[[gnu::always_inline]] inline typename S::Vd nearest_image(const M& m, typename S::Vd d) {
  using V = typename S::Vd;
  const V ad = S::abs(d);
  if (S::bits(S::not_less(ad, V(m.wrap_limit))) != 0) {
    // Some lane is far, infinite or NaN: n = round(d / L) on every lane, exactly. Truncation is
    // exact, q - t is exact, and adding copysign(1, q) only where |q - t| >= 0.5 keeps -0.0
    // (round(-0.25) is -0.0) and passes infinities and NaN through as round() does.
    const V q = d / V(m.box);
    const V t = S::trunc(q);
    const V n = S::select(S::at_least(S::abs(q - t), V(0.5)), t + S::copysign(V(1.0), q), t);
    return d - V(m.box) * n;
  }
  // |n| = the number of thresholds |d| has passed; L * n = copysign(fl(L * |n|), d). Nearly
  // always every lane is below T_2, and one comparison decides.
  V n = S::select(S::at_least(ad, V(m.wrap_1)), V(1.0), V(0.0));
  if (S::bits(S::at_least(ad, V(m.wrap_2))) != 0) {
    n = n + S::select(S::at_least(ad, V(m.wrap_2)), V(1.0), V(0.0)) +
        S::select(S::at_least(ad, V(m.wrap_3)), V(1.0), V(0.0));
  }
  return d - S::copysign(V(m.box) * n, d);
}

// The three separations of a pair on every lane, bit for bit as nearest_image gives them: the
// decision between the usual case (every |d| below T_2, where L * n is 0 or L) and the others
// is made once for the three axes.
template <class S, class M>
[[gnu::always_inline]] inline Separation<S> separation(const M& m, typename S::Vd xi, typename S::Vd yi,
                                                       typename S::Vd zi, typename S::Vd xj,
                                                       typename S::Vd yj, typename S::Vd zj) {
  using V = typename S::Vd;
  const V dx = xi - xj, dy = yi - yj, dz = zi - zj;
  const V adx = S::abs(dx), ady = S::abs(dy), adz = S::abs(dz);
  Separation<S> s;
  // One comparison for the three axes. The larger of two values is the second when either is
  // NaN, so a NaN may hide a value at or above T_2 only by reaching the comparison itself, which
  // it fails: either way a lane with a wrap beyond L takes the general path. A NaN lane that
  // does not gets d - (+-0.0), the same NaN the general path gives.
  if (S::bits(S::not_less(S::larger(adx, S::larger(ady, adz)), V(m.wrap_2))) == 0) {
    // L * n = copysign(L or 0, d).
    const V box(m.box), wrap_1(m.wrap_1);
    s.delx = dx - S::copysign(S::select(S::at_least(adx, wrap_1), box, V(0.0)), dx);
    s.dely = dy - S::copysign(S::select(S::at_least(ady, wrap_1), box, V(0.0)), dy);
    s.delz = dz - S::copysign(S::select(S::at_least(adz, wrap_1), box, V(0.0)), dz);
  } else {
    s.delx = nearest_image<S>(m, dx);
    s.dely = nearest_image<S>(m, dy);
    s.delz = nearest_image<S>(m, dz);
  }
  s.rsq = s.delx * s.delx + s.dely * s.dely + s.delz * s.delz;
  return s;
}

// Each atom's x, y, z side by side (and a fourth, unused lane), atom i from xyz + 4 i: a pair's
// coordinates are two loads.
template <class M>
void atom_rows(const M& m, const double* positions, double* xyz) {
  const double* x = positions;
  const double* y = positions + m.atoms;
  const double* z = positions + 2L * m.atoms;
  for (long i = 0; i < m.atoms; ++i) {
    xyz[4 * i] = x[i];
    xyz[4 * i + 1] = y[i];
    xyz[4 * i + 2] = z[i];
    xyz[4 * i + 3] = 0.0;
  }
}

// ---------------------------------------------------------------------------------------------
// Lennard-Jones

// The six products del_a * f_b of the virial, xx yy zz xy and xz yz, in two rows of four per pair.
struct VirialRows {
  static constexpr int capacity = chunk_pairs + verlet::block_size;
  alignas(64) double first[capacity][4];   // xx, yy, zz, xy
  alignas(64) double second[capacity][4];  // xz, yz, 0, 0
};
struct NoVirialRows {};

// Pairs inside the cut-off, in visiting order: partner atom, separation, then their terms; and
// the rows they belong to.
template <class S, bool with_virial>
struct PairChunk {
  static constexpr int capacity = chunk_pairs + verlet::block_size;
  alignas(64) std::int32_t j4[capacity];  // 4 j: where atom j's row begins in the forces being summed
  alignas(64) double x[capacity];         // delx
  alignas(64) double y[capacity];         // dely
  alignas(64) double z[capacity];         // delz
  // The terms of each pair, side by side: the force on i (x, y, z) and q^12 - q^6, so that the
  // ordered sums read one pair with one load.
  alignas(64) double terms[capacity][4];
  [[no_unique_address]] std::conditional_t<with_virial, VirialRows, NoVirialRows> virial;
  int n;     // pairs
  int rows;  // row r is atom row_atom[r], pairs row_end[r - 1] ... row_end[r] - 1
  std::int32_t row_atom[chunk_rows];
  std::int32_t row_end[chunk_rows];
};

// The forces being summed, atom by atom in rows of four: x, y, z and a fourth lane that only
// collects the energy terms riding along (never read), so that the force of a pair goes onto an
// atom with one vector addition (each lane an addition of its own, rounded as the scalar one).
// Atom i's row begins at 4 i.
using ForceRows = double*;

// The terms (lj_pair.hpp) of pairs t ... t + S::lanes - 1 of a chunk. rsq is formed again from
// the separation, with the same operations in the same order as when the pair was found.
template <class S, bool with_virial>
[[gnu::always_inline]] inline void compute_terms(PairChunk<S, with_virial>* c, int t) {
  using V = typename S::Vd;
  const V delx = S::load(c->x + t), dely = S::load(c->y + t), delz = S::load(c->z + t);
  const LjTerms<V> p = lj_pair_terms<V>(delx, dely, delz, delx * delx + dely * dely + delz * delz);
  S::store_rows(c->terms + t, p.fx, p.fy, p.fz, p.term);
  if constexpr (with_virial) {
    const V zero(0.0);
    S::store_rows(c->virial.first + t, delx * p.fx, dely * p.fy, delz * p.fz, delx * p.fy);
    S::store_rows(c->virial.second + t, delx * p.fz, dely * p.fz, zero, zero);
  }
}

// Where the ordered sums stand: the running energy sum, row i's force in a register, and the
// running virial sums.
template <class S>
struct SumState {
  int t, r, end, i;
  double energy;
  typename S::Quad fi;
  typename S::Quad w_first, w_second;
};

// The ordered sums of the chunk's pairs st.t ... stop - 1: energy = term + energy, forces(i) += f
// (in ascending j, held in a register along a row), forces(j) -= f, and w = (del_a f_b) + w. Only
// pairs inside the cut-off are here: x + 0.0 is not x when x is -0.0, so nothing else may be
// added. The pairs of one row run in a loop of their own, with no test for the row's end.
template <class S, bool with_virial>
[[gnu::always_inline]] inline void sum_pairs(const PairChunk<S, with_virial>* c, SumState<S>& st, ForceRows f,
                                             int stop) {
  while (st.t < stop) {
    if (st.t == st.end) {
      if (st.i >= 0) S::quad_store(f + 4L * st.i, st.fi);
      do {  // the next row (a row without pairs is passed over)
        st.i = c->row_atom[st.r];
        st.end = c->row_end[st.r];
        ++st.r;
      } while (st.t == st.end);
      st.fi = S::quad_load(f + 4L * st.i);
    }
    const int run_end = stop < st.end ? stop : st.end;
    double energy = st.energy;
    typename S::Quad fi = st.fi;
    for (int t = st.t; t < run_end; ++t) {
      const double* pair = c->terms[t];
      energy = add_term(pair[3], energy);
      const typename S::Quad q = S::quad_load(pair);
      fi = S::quad_add(fi, q);
      double* fj = f + c->j4[t];
      S::quad_store(fj, S::quad_sub(S::quad_load(fj), q));
      if constexpr (with_virial) {
        st.w_first = S::quad_add(S::quad_load(c->virial.first[t]), st.w_first);
        st.w_second = S::quad_add(S::quad_load(c->virial.second[t]), st.w_second);
      }
    }
    st.energy = energy;
    st.fi = fi;
    st.t = run_end;
  }
}

// Three chunks in turn make a pipeline: while one fills with the pairs in range (loads, image,
// rsq: simple arithmetic), the one before gets its terms (the divider), and the one before that
// its ordered sums (a chain of dependent additions). Each block of candidates also moves the
// other two stages on by a little, so that the three kinds of work overlap.
template <class S, bool with_virial>
struct Pipeline {
  using Chunk = PairChunk<S, with_virial>;
  Chunk* filling;
  Chunk* computing;
  Chunk* summing;
  int computed;    // pairs of `computing` with their terms
  int to_compute;  // its pairs in full vectors
  SumState<S> st;  // the sums of `summing`
};

// Finishes the chunks in the pipeline by one stage and moves each on to the next. Kept out of
// line: the loop's own state then never has its address taken and stays in registers.
template <class S, bool with_virial>
[[gnu::noinline]] void rotate(Pipeline<S, with_virial>& p, ForceRows forces) {
  auto* c = p.computing;
  for (int t = c->n; t % S::lanes != 0; ++t) c->x[t] = 1.0, c->y[t] = c->z[t] = 0.0;  // r = 1
  for (; p.computed < c->n; p.computed += S::lanes) compute_terms(c, p.computed);
  sum_pairs(p.summing, p.st, forces, p.summing->n);
  if (p.st.i >= 0) S::quad_store(forces + 4L * p.st.i, p.st.fi);
  auto* const free = p.summing;
  p.summing = p.computing;
  p.computing = p.filling;
  p.filling = free;
  p.filling->n = p.filling->rows = 0;
  p.computed = 0;
  p.to_compute = p.computing->n - p.computing->n % S::lanes;
  p.st = SumState<S>{0, 0, 0, -1, p.st.energy, p.st.fi, p.st.w_first, p.st.w_second};
}

// The pair loop over a list's candidates (with every j > i as candidates when the
// configuration cannot keep a list): one flat loop over blocks of 8, each within one row.
// forces and *lj_sum carry in what the sums start from; virial (six sums: xx yy zz xy xz yz) too,
// when with_virial.
template <class S, bool with_virial, class M>
void lj_listed(const M& m, const double* positions, const CandidateList& list, double* forces, double* lj_sum,
               double* virial, const PairScratch& scratch) {
  using V = typename S::Vd;
  static_assert(verlet::block_size % S::lanes == 0);
  double* const xyz = scratch.xyz;
  atom_rows(m, positions, xyz);
  PairChunk<S, with_virial> chunks[3];
  for (auto& c : chunks) c.n = c.rows = 0;
  // The forces passed in, atom by atom; copied back at the end.
  const double* fx_in = forces;
  const double* fy_in = forces + m.atoms;
  const double* fz_in = forces + 2L * m.atoms;
  ForceRows f = scratch.force_rows;
  for (long i = 0; i < m.atoms; ++i) {
    f[4 * i] = fx_in[i];
    f[4 * i + 1] = fy_in[i];
    f[4 * i + 2] = fz_in[i];
    f[4 * i + 3] = 0.0;
  }
  typename S::Quad w_first = S::quad_of(0.0, 0.0, 0.0), w_second = w_first;
  if constexpr (with_virial) {
    w_first = S::quad_of4(virial[0], virial[1], virial[2], virial[3]);
    w_second = S::quad_of4(virial[4], virial[5], 0.0, 0.0);
  }
  Pipeline<S, with_virial> p{
      &chunks[0], &chunks[1], &chunks[2],
      0,          0,          SumState<S>{0, 0, 0, -1, *lj_sum, S::quad_load(f), w_first, w_second}};

  // The loop's working copies of the pipeline's state: never address-taken, kept in registers.
  auto* filling = p.filling;
  auto* computing = p.computing;
  const auto* summing = p.summing;
  int n = 0, rows = 0;               // of the chunk being filled
  int computed = 0, to_compute = 0;  // of the chunk getting its terms: full vectors only
  int to_sum = 0;
  SumState<S> st = p.st;
  const auto run_rotate = [&](int filled_rows) __attribute__((always_inline)) {
    filling->n = n;
    filling->rows = filled_rows;
    p.computed = computed;
    p.st = st;
    rotate(p, f);
    filling = p.filling, computing = p.computing, summing = p.summing;
    n = rows = 0, computed = p.computed, to_compute = p.to_compute, to_sum = summing->n;
    st = p.st;
  };

  for (int b = 0; b < list.blocks; ++b) {
    const int i = list.block_atom[b];
    const double* row_i = xyz + 4 * static_cast<std::ptrdiff_t>(i);
    const V xi(row_i[0]), yi(row_i[1]), zi(row_i[2]);
    for (int part = 0; part < verlet::block_size; part += S::lanes) {
      const std::int32_t* j4 = list.j4 + block_size * static_cast<std::ptrdiff_t>(b) + part;
      V xj, yj, zj;
      S::gather_xyz(xyz, j4, xj, yj, zj);
      const Separation<S> sep = separation<S>(m, xi, yi, zi, xj, yj, zj);
      // Strictly inside: a pair at exactly the cut-off, or with a NaN distance, adds nothing.
      const auto near = S::both(S::less(sep.rsq, V(m.cutoff_sq)), S::lanes_of(list.block_lanes[b] >> part));
      S::compress(filling->j4 + n, j4, near);
      S::compress(filling->x + n, sep.delx, near);
      S::compress(filling->y + n, sep.dely, near);
      S::compress(filling->z + n, sep.delz, near);
      n += S::count(near);
    }
    // Row i's pairs so far; the next block may start another row.
    filling->row_atom[rows] = i;
    filling->row_end[rows] = n;
    rows += list.block_atom[b + 1] != i;
    if (computed < to_compute) {
      compute_terms(computing, computed);
      computed += S::lanes;
    }
    sum_pairs(summing, st, f, st.t + sums_per_block < to_sum ? st.t + sums_per_block : to_sum);
    if (n >= chunk_pairs || rows == chunk_rows) run_rotate(rows + (list.block_atom[b + 1] == i));
  }
  for (int drain = 0; drain < 3; ++drain) run_rotate(rows);
  double* fx = forces;
  double* fy = forces + m.atoms;
  double* fz = forces + 2L * m.atoms;
  for (long i = 0; i < m.atoms; ++i) {
    fx[i] = f[4 * i];
    fy[i] = f[4 * i + 1];
    fz[i] = f[4 * i + 2];
  }
  *lj_sum = st.energy;
  if constexpr (with_virial) {
    alignas(32) double a[4], b[4];
    S::quad_store(a, st.w_first);
    S::quad_store(b, st.w_second);
    virial[0] = a[0], virial[1] = a[1], virial[2] = a[2], virial[3] = a[3];
    virial[4] = b[0], virial[5] = b[1];
  }
}

// The rows of a new library Verlet list: every j > i whose squared cell distance is below
// verlet::reach_sq, and every pair with a free atom, S::cell_lanes pairs per look.
template <class S>
void build_rows(const coarse::CellWords& cells, verlet::NeighbourList* list) {
  constexpr int atoms = model::atoms;
  for (int i = 0; i < atoms - 1; ++i) {
    std::int32_t* j_out = list->j4 + verlet::block_size * list->blocks;
    int n = 0;
    for (int j0 = i + 1; j0 < atoms; j0 += S::cell_lanes)
      n += S::near_cells(cells, atoms, i, j0, verlet::reach_sq, list->free, j_out + n);
    verlet::finish_row(list, i, n);
  }
}

// The library's force_atoms loop: its own kept list, its arrays on the stack.
template <class S>
void lj_pairs(const double* positions, double* forces, double* lj_sum) {
  const verlet::NeighbourList* list = verlet::current_list(positions, build_rows<S>);
  alignas(64) double xyz[4 * model::atoms];
  alignas(64) double force_rows[4 * model::atoms];
  PairScratch scratch{};
  scratch.xyz = xyz;
  scratch.force_rows = force_rows;
  lj_listed<S, false>(library_model, positions, verlet::candidates(*list), forces, lj_sum, nullptr, scratch);
}

// ---------------------------------------------------------------------------------------------
// g(r)

// The bins of pairs (i, j), given as 4 i and 4 j (S::lanes of each, all read), with the exact
// arithmetic: r = sqrt(rsq), bin = round(r / dr) halves away from zero (q >= 0, so q - trunc(q)
// is the fraction), counted if at most 199. Lanes outside `valid`, beyond the last bin or NaN
// (which fails that comparison) get `nowhere`.
template <class S, class M>
[[gnu::always_inline]] inline void exact_bins(const M& m, double bin_width, const double* xyz,
                                              const std::int32_t* i4, const std::int32_t* j4,
                                              typename S::Mask valid, std::int32_t* bins) {
  using V = typename S::Vd;
  V xi, yi, zi, xj, yj, zj;
  S::gather_xyz(xyz, i4, xi, yi, zi);
  S::gather_xyz(xyz, j4, xj, yj, zj);
  const Separation<S> s = separation<S>(m, xi, yi, zi, xj, yj, zj);
  const V q = sqrt(s.rsq) / V(bin_width);
  const V t = S::trunc(q);
  const V bin = S::select(S::at_least(q - t, V(0.5)), t + V(1.0), t);
  const auto counted = S::both(valid, S::at_most(bin, V(model::bins - 1.0)));
  S::store_int(bins, S::select(counted, bin, V(static_cast<double>(nowhere))));
}

// The per-lane counter sets, zeroed, that the bins of a g(r) sample are counted into before they
// are added up.
using CounterSets = std::int32_t[counter_sets][counter_stride];

// Counts the S::lanes pairs (4 i, 4 j) of the lanes in `valid` with the exact arithmetic, lane k
// into set k: no branch on how many are counted, and no increment waits for another.
template <class S, class M>
[[gnu::always_inline]] inline void count_exact(const M& m, double bin_width, const double* xyz,
                                               const std::int32_t* i4, const std::int32_t* j4,
                                               typename S::Mask valid, CounterSets& sets) {
  static_assert(S::lanes <= counter_sets);
  alignas(64) std::int32_t b[S::lanes];
  exact_bins<S>(m, bin_width, xyz, i4, j4, valid, b);
  for (int k = 0; k < S::lanes; ++k) ++sets[k][b[k]];
}

// Adds the counter sets up into counts.
inline void add_sets(const CounterSets& sets, std::int64_t* counts) {
  for (int k = 0; k < counter_sets; ++k)
    for (int b = 0; b < model::bins; ++b) counts[b] += sets[k][b];
}

// Every pair with the exact arithmetic, for configurations the cells cannot hold.
template <class S, class M>
void rdf_count_exact(const M& m, const double* positions, std::int64_t* counts, const PairScratch& scratch) {
  const double bin_width = rdf_bin_width(m.box);
  double* const xyz = scratch.xyz;
  atom_rows(m, positions, xyz);
  // 4 j for every atom, then atom 0 for the lanes past the last (read, never counted).
  std::int32_t* all_j4 = scratch.j4;
  for (int j = 0; j < m.atoms; ++j) all_j4[j] = 4 * j;
  for (int j = m.atoms; j < m.atoms + S::lanes; ++j) all_j4[j] = 0;
  alignas(64) CounterSets sets = {};
  alignas(64) std::int32_t row_i4[S::lanes];
  for (int i = 0; i < m.atoms - 1; ++i) {
    for (int k = 0; k < S::lanes; ++k) row_i4[k] = 4 * i;
    for (int j0 = i + 1; j0 < m.atoms; j0 += S::lanes)
      count_exact<S>(m, bin_width, xyz, row_i4, all_j4 + j0, S::first_lanes(m.atoms - j0), sets);
    // The 32-bit counters hold a row's worth and more; move them on to the 64-bit sums now and
    // then so that no count of a big configuration can overflow them.
    if (i % 4096 == 4095) {
      add_sets(sets, counts);
      for (auto& set : sets)
        for (std::int32_t& c : set) c = 0;
    }
  }
  add_sets(sets, counts);
}

// Adds to counts[b] the number of pairs whose r / dr rounds to b (bins 0 ... model::bins - 1).
template <class S, class M>
void rdf_count(const M& m, const double* positions, std::int64_t* counts, const PairScratch& scratch) {
  const coarse::CellWords cells{scratch.cells_xy, scratch.cells_z};
  if (!coarse::cell_coordinates(m, positions, cells))
    return rdf_count_exact<S>(m, positions, counts, scratch);
  const double bin_width = rdf_bin_width(m.box);
  double* const xyz = scratch.xyz;
  atom_rows(m, positions, xyz);
  alignas(64) CounterSets sets = {};
  // One row's bins, packed, padded to a whole number of counter_sets with `nowhere`.
  std::int32_t* const row_bins = scratch.row_bins;
  // The pairs that the cell look left to the exact arithmetic (4 i, 4 j), counted S::lanes at a
  // time: a row's worth at most is gathered before they are.
  std::int32_t* const edge_i4 = scratch.edge_i4;
  std::int32_t* const edge_j4 = scratch.j4;
  int edges = 0;
  for (int i = 0; i < m.atoms - 1; ++i) {
    const typename S::CellRow row = S::cell_row(cells, i);
    const int row_edges = edges;
    int n = 0, j0 = i + 1;
    for (; j0 <= m.atoms - S::cell_lanes; j0 += S::cell_lanes) {
      const auto look = S::cell_bins(row, cells, j0, S::cell_lanes, row_bins + n, edge_j4 + edges);
      n += look.counted;
      edges += look.edge;
    }
    if (j0 < m.atoms) {
      const auto look = S::cell_bins(row, cells, j0, m.atoms - j0, row_bins + n, edge_j4 + edges);
      n += look.counted;
      edges += look.edge;
    }
    for (int t = row_edges; t < edges; ++t) edge_i4[t] = 4 * i;
    if (edges >= S::lanes) {
      int t = 0;
      for (; t + S::lanes <= edges; t += S::lanes)
        count_exact<S>(m, bin_width, xyz, edge_i4 + t, edge_j4 + t, S::first_lanes(S::lanes), sets);
      for (int k = t; k < edges; ++k) edge_i4[k - t] = edge_i4[k], edge_j4[k - t] = edge_j4[k];
      edges -= t;
    }
    for (int t = n; t % counter_sets != 0; ++t) row_bins[t] = nowhere;
    for (int t = 0; t < n; t += counter_sets)
      for (int k = 0; k < counter_sets; ++k) ++sets[k][row_bins[t + k]];
    // See rdf_count_exact: the 32-bit counters go on to the 64-bit sums now and then.
    if (i % 4096 == 4095) {
      add_sets(sets, counts);
      for (auto& set : sets)
        for (std::int32_t& c : set) c = 0;
    }
  }
  if (edges > 0) {
    // The lanes past the last pair read atom 0 and are not counted.
    for (int t = edges; t < S::lanes; ++t) edge_i4[t] = edge_j4[t] = 0;
    count_exact<S>(m, bin_width, xyz, edge_i4, edge_j4, S::first_lanes(edges), sets);
  }
  add_sets(sets, counts);
}

// The library's radial_dist sample: its arrays on the stack.
template <class S>
void rdf_count_library(const double* positions, std::int64_t* counts) {
  constexpr int atoms = model::atoms;
  alignas(64) double xyz[4 * atoms];
  alignas(64) std::int32_t cells_xy[atoms + coarse::padding], cells_z[atoms + coarse::padding];
  alignas(64) std::int32_t row_bins[pair_scratch_ints(atoms)];
  alignas(64) std::int32_t edge_i4[pair_scratch_ints(atoms)];
  alignas(64) std::int32_t j4[pair_scratch_ints(atoms)];
  PairScratch scratch{};
  scratch.xyz = xyz;
  scratch.cells_xy = cells_xy;
  scratch.cells_z = cells_z;
  scratch.row_bins = row_bins;
  scratch.edge_i4 = edge_i4;
  scratch.j4 = j4;
  rdf_count<S>(library_model, positions, counts, scratch);
}

}  // namespace pelzak::kernels::vector_kernels

// The Lennard-Jones loop on several threads, with the plain loop's results bit for bit.
//
// Every sum of the plain loop runs in the visiting order of the pairs (i ascending, then j): atom
// k's force takes -f from each row i < k it appears in, in ascending i, and then +f for each pair of
// its own row; the energy and the virial take every pair in turn. Only the pair terms (the
// divisions and the square root, most of the work) can be formed in any order. So the rows are
// dealt out in chunks of `chunk_rows` consecutive atoms, chunk u of every batch of T chunks to
// thread u, which owns those atoms: it forms the terms of its chunk's pairs (the kernels'
// lj_terms_on) and hands each pair's -f to the owner of atom j. Then, batch by batch, each thread
// applies to the atoms it owns, in the visiting order, everything they receive: the -f of the
// chunks of threads 0 ... T-1 in turn (which are the rows in ascending order), its own rows' +f
// right after its own chunk's -f (no atom of a chunk receives -f from a later row of the same
// chunk: every j-partner lies beyond its row). One thread per batch, in turn, runs the energy and
// virial sums over the batch's pairs in order. A batch's terms are formed while the one before is
// applied, so each batch costs one barrier.
#pragma once

#include <cstdint>
#include <vector>

#include "pelzak/kernels/candidate_list.hpp"
#include "pelzak/kernels/pair_model.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "workers.hpp"

namespace pelzak::engine {

class ThreadedPairs {
 public:
  // Rows dealt out at a time: about 700 pairs in the liquid, a few tens of kilobytes of terms.
  static constexpr int chunk_rows = 32;
  // The most threads a team may have.
  static constexpr int max_members = 64;

  explicit ThreadedPairs(Workers& workers) : workers_(workers) {}

  // As kernels::lj_listed_on with the same arguments (forces zeroed here). row_block[i] is the first
  // block of row i in list, row_block[atoms] its block count.
  void compute(const kernels::PairModel& m, kernels::Isa isa, const double* positions,
               const kernels::CandidateList& list, const std::int32_t* row_block, double* forces,
               double* lj_sum, double* virial);

  std::size_t bytes() const;

 private:
  struct Produced;
  void produce(const kernels::PairModel& m, kernels::Isa isa, const kernels::CandidateList& list,
               const std::int32_t* row_block, long batch, int member, bool with_virial);
  void apply(long batch, int member);
  void sum_batch(long batch, bool with_virial);

  Workers& workers_;
  long atoms_ = 0;
  std::vector<double> xyz_storage_, force_storage_;
  double* xyz_ = nullptr;    // positions as rows of four (64-byte aligned)
  double* force_ = nullptr;  // forces being summed, rows of four
  // Per parity (batch % 2) and member: the pairs it produced and, per receiving member, the
  // indices of the pairs whose -f that member applies.
  struct Buffer {
    std::vector<std::int32_t> row, j4;
    std::vector<double> storage;  // x, y, z, terms, virial rows, 64-byte aligned
    kernels::PairTerms terms{};
    int pairs = 0;
    std::vector<std::vector<std::int32_t>> to;  // to[owner]: pair indices
    std::vector<std::int32_t> to_count;         // how many of each
    std::size_t capacity = 0;
    void reserve(std::size_t pairs_capacity, int members);
  };
  std::vector<Buffer> buffers_;  // [parity * members + member]
  double energy_ = 0.0;
  double virial_[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

}  // namespace pelzak::engine

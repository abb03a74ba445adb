#include "threaded_pairs.hpp"

#include <algorithm>
#include <cstdint>

namespace pelzak::engine {

namespace {

// 64-byte aligned doubles within storage.
double* aligned(std::vector<double>& storage, std::size_t n) {
  storage.assign(n + 8, 0.0);
  const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
  return storage.data() + (64 - address % 64) % 64 / sizeof(double);
}

}  // namespace

void ThreadedPairs::Buffer::reserve(std::size_t pairs_capacity, int members) {
  if (capacity >= pairs_capacity && static_cast<int>(to.size()) == members) return;
  capacity = pairs_capacity + pairs_capacity / 4;
  // Whole 64-byte lines, so that every array carved from storage starts on one (the kernels' vector
  // loads and stores of the terms are aligned).
  const std::size_t cap = (capacity + 16 + 7) / 8 * 8;
  row.assign(cap, 0);
  j4.assign(cap, 0);
  double* base = aligned(storage, 3 * cap + 12 * cap);
  terms.row = row.data();
  terms.j4 = j4.data();
  terms.x = base;
  terms.y = base + cap;
  terms.z = base + 2 * cap;
  terms.terms = reinterpret_cast<double(*)[4]>(base + 3 * cap);
  terms.virial_first = reinterpret_cast<double(*)[4]>(base + 7 * cap);
  terms.virial_second = reinterpret_cast<double(*)[4]>(base + 11 * cap);
  to.assign(members, std::vector<std::int32_t>(cap));
  to_count.assign(members, 0);
}

std::size_t ThreadedPairs::bytes() const {
  std::size_t total = (xyz_storage_.capacity() + force_storage_.capacity()) * sizeof(double);
  for (const Buffer& b : buffers_)
    total += (b.row.capacity() + b.j4.capacity()) * 4 + b.storage.capacity() * 8 +
             b.to.size() * (b.capacity + 16) * 4;
  return total;
}

void ThreadedPairs::produce(const kernels::PairModel& m, kernels::Isa isa, const kernels::CandidateList& list,
                            const std::int32_t* row_block, long batch, int member, bool with_virial) {
  const int members = workers_.size();
  Buffer& out = buffers_[(batch % 2) * members + member];
  const long first_row = (batch * members + member) * chunk_rows;
  const long last_row = std::min(first_row + chunk_rows, atoms_);
  out.pairs = 0;
  if (first_row >= atoms_) {
    std::fill(out.to_count.begin(), out.to_count.end(), 0);
    return;
  }
  const int first = row_block[first_row], last = row_block[last_row];
  out.pairs = kernels::lj_terms_on(isa, m, xyz_, list, first, last, with_virial, out.terms);
  // Each pair's -f goes to the owner of atom j: the member whose chunks hold j.
  std::int32_t* to[max_members];
  std::int32_t* counts = out.to_count.data();
  for (int t = 0; t < members; ++t) to[t] = out.to[t].data(), counts[t] = 0;
  for (int p = 0; p < out.pairs; ++p) {
    const int owner = static_cast<int>(out.j4[p] / 4 / chunk_rows % members);
    to[owner][counts[owner]++] = p;
  }
}

void ThreadedPairs::apply(long batch, int member) {
  const int members = workers_.size();
  for (int u = 0; u < members; ++u) {
    const Buffer& in = buffers_[(batch % 2) * members + u];
    kernels::subtract_terms(in.terms, in.to[member].data(), in.to_count[member], force_);
    if (u == member) kernels::add_row_terms(in.terms, in.pairs, force_);
  }
}

void ThreadedPairs::sum_batch(long batch, bool with_virial) {
  const int members = workers_.size();
  for (int u = 0; u < members; ++u) {
    const Buffer& in = buffers_[(batch % 2) * members + u];
    kernels::sum_terms(in.terms, in.pairs, &energy_, with_virial ? virial_ : nullptr);
  }
}

void ThreadedPairs::compute(const kernels::PairModel& m, kernels::Isa isa, const double* positions,
                            const kernels::CandidateList& list, const std::int32_t* row_block, double* forces,
                            double* lj_sum, double* virial) {
  const int members = workers_.size();
  const bool with_virial = virial != nullptr;
  if (atoms_ != m.atoms) {
    atoms_ = m.atoms;
    xyz_ = aligned(xyz_storage_, 4 * static_cast<std::size_t>(atoms_));
    force_ = aligned(force_storage_, 4 * static_cast<std::size_t>(atoms_));
  }
  // Room for the largest chunk's candidates.
  std::size_t largest = 0;
  for (long r = 0; r < atoms_; r += chunk_rows) {
    const long end = std::min(r + chunk_rows, atoms_);
    largest = std::max<std::size_t>(largest, static_cast<std::size_t>(row_block[end] - row_block[r]));
  }
  buffers_.resize(2 * members);
  for (Buffer& b : buffers_) b.reserve(largest * kernels::block_size, members);
  energy_ = *lj_sum;
  for (int k = 0; k < 6; ++k) virial_[k] = with_virial ? virial[k] : 0.0;
  const long batches =
      (atoms_ + static_cast<long>(chunk_rows) * members - 1) / (static_cast<long>(chunk_rows) * members);

  workers_.run([&](int member) {
    // The positions as rows, the forces zeroed: each member its share of the atoms.
    const long first = atoms_ * member / members, last = atoms_ * (member + 1) / members;
    for (long i = first; i < last; ++i) {
      xyz_[4 * i] = positions[i];
      xyz_[4 * i + 1] = positions[atoms_ + i];
      xyz_[4 * i + 2] = positions[2 * atoms_ + i];
      xyz_[4 * i + 3] = 0.0;
      force_[4 * i] = force_[4 * i + 1] = force_[4 * i + 2] = force_[4 * i + 3] = 0.0;
    }
    workers_.barrier();
    produce(m, isa, list, row_block, 0, member, with_virial);
    workers_.barrier();
    for (long b = 0; b < batches; ++b) {
      if (b + 1 < batches) produce(m, isa, list, row_block, b + 1, member, with_virial);
      apply(b, member);
      if (b % members == member) sum_batch(b, with_virial);
      workers_.barrier();
    }
    for (long i = first; i < last; ++i) {
      forces[i] = force_[4 * i];
      forces[atoms_ + i] = force_[4 * i + 1];
      forces[2 * atoms_ + i] = force_[4 * i + 2];
    }
  });
  *lj_sum = energy_;
  if (with_virial)
    for (int k = 0; k < 6; ++k) virial[k] = virial_[k];
}

}  // namespace pelzak::engine

#include "cluster_list.hpp"

#include <algorithm>
#include <cmath>

namespace pelzak::engine {

namespace {

constexpr int n = kernels::cluster_size;
constexpr int most_members = 64;
// Shifts are held in 16 bits: at most (2 * 19 + 1)^3 of them.
constexpr int most_reach = 19;
// Coordinates up to this many box sides from the origin join clusters; farther ones are free.
constexpr double ordinary_sides = 1024.0;

// [first, last) of count items for one member of members.
struct Share {
  long first, last;
};
Share share(long count, int member, int members) {
  return {count * member / members, count * (member + 1) / members};
}

// The bits 4a + b of the pairs (a, b) with a below atoms_i and b below atoms_j.
unsigned existing_pairs(int atoms_i, int atoms_j) {
  const unsigned row = (1u << atoms_j) - 1;
  unsigned mask = 0;
  for (int a = 0; a < atoms_i; ++a) mask |= row << (n * a);
  return mask;
}
// The pairs b > a: a cluster with itself at shift 0.
constexpr unsigned upper_pairs = 0x8CE;  // bits 4a + b with b > a

// How far apart two intervals are, 0 if they overlap.
double gap(double low_a, double high_a, double low_b, double high_b) {
  return std::max(0.0, std::max(low_b - high_a, low_a - high_b));
}

}  // namespace

ClusterList::ClusterList(long atoms, double box, double cutoff_sq, double skin, double inner_skin)
    : atoms_(atoms),
      box_(box),
      cutoff_sq_(cutoff_sq),
      skin_(skin),
      radius_(std::sqrt(cutoff_sq) + skin),
      inner_radius_(std::sqrt(cutoff_sq) + std::min(inner_skin, skin)) {
  const double margin = 1e-6 * skin + 1e-11 * box;
  const double move_limit = 0.5 * skin - margin;
  move_limit_sq_ = move_limit > 0.0 ? move_limit * move_limit : -1.0;
  const double inner = std::min(inner_skin, skin);
  const double prune_limit = 0.5 * inner - (1e-6 * inner + 1e-11 * box);
  prune_limit_sq_ = prune_limit > 0.0 ? prune_limit * prune_limit : -1.0;
  ordinary_bound_ = ordinary_sides * box;
  // Columns about as wide as a cluster of the liquid is long (four atoms at number density
  // atoms / L^3), so that clusters cut from them are about cubes; no more columns than atoms.
  const double side = std::cbrt(n * box * box * box / static_cast<double>(atoms));
  const double most_columns = std::max(1.0, std::floor(std::sqrt(static_cast<double>(atoms))));
  ncol_ = static_cast<int>(std::clamp(std::floor(box / side), 1.0, std::min(most_columns, 1024.0)));
  col_width_ = box / ncol_;
  // Columns cut into slabs four clusters high: the clusters of a task (consecutive in the cells'
  // order) then make a compact block rather than a column the height of the box, and touch fewer
  // clusters outside it.
  nslab_ = static_cast<int>(std::clamp(std::floor(box / (4.0 * side)), 1.0, 1024.0));
  slab_height_ = box / nslab_;
  const double reach = std::floor(1.0 + (radius_ + 1e-9 * box) / box);
  reach_ = reach <= most_reach ? static_cast<int>(reach) : -1;  // -1: every atom is free
  if (reach_ > 0) {
    const int side_shifts = 2 * reach_ + 1;
    shifts_.resize(3 * side_shifts * side_shifts * side_shifts);
    int s = 0;
    for (int sz = -reach_; sz <= reach_; ++sz)
      for (int sy = -reach_; sy <= reach_; ++sy)
        for (int sx = -reach_; sx <= reach_; ++sx, ++s) {
          shifts_[3 * s] = sx * box;
          shifts_[3 * s + 1] = sy * box;
          shifts_[3 * s + 2] = sz * box;
        }
    shift_center_ = (side_shifts * side_shifts * side_shifts - 1) / 2;
  }
  wrapped_.resize(3 * atoms);
  column_of_.resize(atoms);
  stale_.assign(most_members, 0);
  unpruned_.assign(most_members, 0);
  slot_of_.resize(most_members);
  prune_js_.resize(most_members);
  prune_shifts_.resize(most_members);
  prune_masks_.resize(most_members);
}

std::size_t ClusterList::bytes() const {
  std::size_t total =
      (atom_.capacity() + column_of_.capacity() + column_start_.capacity() + column_atoms_.capacity() +
       column_clusters_.capacity() + free_.capacity() + ref_start_.capacity()) *
          4 +
      count_.capacity() + image_.capacity() * 2 +
      (xyz_.storage.capacity() + built_.capacity() + pruned_.capacity() + bounds_.capacity() +
       buffers_.storage.capacity() + wrapped_.capacity() + column_bounds_.capacity() + shifts_.capacity()) *
          8 +
      refs_.capacity() * 8 + sums_.capacity() * sizeof(kernels::ClusterSums);
  for (const Task& t : tasks_)
    total += (t.outer.capacity() + t.pairs.capacity()) * sizeof(kernels::ClusterPair) +
             (t.outer_start.capacity() + t.pair_start.capacity() + t.touched.capacity()) * 4;
  for (const auto& s : slot_of_) total += s.capacity() * 4;
  for (std::size_t m = 0; m < prune_js_.size(); ++m)
    total += prune_js_[m].capacity() * 4 + (prune_shifts_[m].capacity() + prune_masks_[m].capacity()) * 2;
  return total;
}

long ClusterList::entries() const {
  long total = 0;
  for (const Task& t : tasks_) total += static_cast<long>(t.pairs.size());
  return total;
}

bool ClusterList::place(int member, int members, const double* positions, bool& inner) {
  const Share clusters = share(clusters_, member, members);
  bool near = true;
  inner = true;
  for (long c = clusters.first; c < clusters.last; ++c) {
    const long base = c * kernels::cluster_doubles;
    for (int a = 0; a < count_[c]; ++a) {
      const long id = atom_[n * c + a];
      double dsq = 0.0, psq = 0.0;
      for (int k = 0; k < 3; ++k) {
        const double x = positions[k * atoms_ + id];
        const double d = x - built_[base + k * n + a];
        dsq = d * d + dsq;
        const double p = x - pruned_[base + k * n + a];
        psq = p * p + psq;
        xyz_.data[base + k * n + a] = x - image_[base + k * n + a] * box_;
      }
      near &= dsq <= move_limit_sq_;  // NaN fails
      inner &= psq <= prune_limit_sq_;
    }
  }
  return near;
}

bool ClusterList::update(Workers& workers, int member, const double* positions, kernels::Isa isa) {
  const int members = workers.size();
  bool inner = true;
  stale_[member] = !(valid_ && place(member, members, positions, inner));
  unpruned_[member] = !inner;
  workers.barrier();
  bool stale = false, prune = false;
  for (int m = 0; m < members; ++m) stale |= stale_[m] != 0, prune |= unpruned_[m] != 0;
  if (stale) {
    build(workers, member, positions, isa);  // prunes too
    return false;
  }
  if (!prune) return false;
  // The positions of this prune, for the next calls' test; run_tasks reads only xyz_.
  const Share clusters = share(clusters_, member, members);
  for (long c = clusters.first; c < clusters.last; ++c)
    for (int a = 0; a < count_[c]; ++a)
      for (int k = 0; k < 3; ++k)
        pruned_[c * kernels::cluster_doubles + k * n + a] = positions[k * atoms_ + atom_[n * c + a]];
  if (member == 0) ++prunes_;
  return true;
}

void ClusterList::build(Workers& workers, int member, const double* positions, kernels::Isa isa) {
  const int members = workers.size();
  const long columns = static_cast<long>(nslab_) * ncol_ * ncol_;
  if (member == 0) build_positions_ = positions;
  // Each atom's offset, wrapped position and column.
  const Share atoms = share(atoms_, member, members);
  for (long i = atoms.first; i < atoms.last; ++i) {
    bool ordinary = reach_ > 0;
    for (int k = 0; k < 3; ++k) {
      const double x = positions[k * atoms_ + i];
      ordinary &= x >= -ordinary_bound_ && x <= ordinary_bound_;
    }
    column_of_[i] = -1;
    if (!ordinary) continue;
    int cell[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
      const double x = positions[k * atoms_ + i];
      wrapped_[3 * i + k] = x - std::floor(x / box_) * box_;
      const double width = k < 2 ? col_width_ : slab_height_;
      const double last = (k < 2 ? ncol_ : nslab_) - 1.0;
      cell[k] = static_cast<int>(std::clamp(std::floor(wrapped_[3 * i + k] / width), 0.0, last));
    }
    column_of_[i] = (cell[2] * ncol_ + cell[1]) * ncol_ + cell[0];
  }
  workers.barrier();

  // The columns' atoms, ascending; their clusters; the tasks.
  if (member == 0) {
    ++builds_;
    free_.clear();
    free_origin_.clear();
    column_start_.assign(columns + 1, 0);
    for (long i = 0; i < atoms_; ++i) {
      if (column_of_[i] < 0) {
        free_.push_back(static_cast<std::int32_t>(i));
        for (int k = 0; k < 3; ++k) free_origin_.push_back(positions[k * atoms_ + i]);
      } else {
        ++column_start_[column_of_[i] + 1];
      }
    }
    column_clusters_.assign(columns + 1, 0);
    for (long c = 0; c < columns; ++c) {
      column_clusters_[c + 1] = column_clusters_[c] + (column_start_[c + 1] + n - 1) / n;
      column_start_[c + 1] += column_start_[c];
    }
    column_atoms_.resize(column_start_[columns]);
    std::vector<std::int32_t> fill(column_start_.begin(), column_start_.end() - 1);
    for (long i = 0; i < atoms_; ++i)
      if (column_of_[i] >= 0) column_atoms_[fill[column_of_[i]]++] = static_cast<std::int32_t>(i);
    clusters_ = column_clusters_[columns];
    atom_.assign(static_cast<std::size_t>(n) * clusters_, -1);
    count_.assign(clusters_, 0);
    xyz_.resize(static_cast<std::size_t>(kernels::cluster_doubles) * clusters_);
    built_.assign(static_cast<std::size_t>(kernels::cluster_doubles) * clusters_, 0.0);
    pruned_.assign(static_cast<std::size_t>(kernels::cluster_doubles) * clusters_, 0.0);
    image_.assign(static_cast<std::size_t>(kernels::cluster_doubles) * clusters_, 0);
    bounds_.assign(6 * static_cast<std::size_t>(clusters_), 0.0);
    column_bounds_.assign(4 * columns, 0.0);
    task_clusters_ = std::clamp(clusters_ / 16, 8, 32);
    tasks_.resize((clusters_ + task_clusters_ - 1) / task_clusters_);
    sums_.resize(tasks_.size());
    for (int m = 0; m < members; ++m) slot_of_[m].assign(clusters_, -1);
  }
  workers.barrier();

  const Share own_columns = share(columns, member, members);
  for (long c = own_columns.first; c < own_columns.last; ++c) sort_column(static_cast<int>(c));
  workers.barrier();

  for (int t; (t = next_task_.fetch_add(1, std::memory_order_relaxed)) < tasks();) {
    search(t, isa, slot_of_[member]);
    prune(t, member, isa);
  }
  workers.barrier();

  // The buffers, and each cluster's slots in task order.
  if (member == 0) {
    long doubles = 0;
    ref_start_.assign(clusters_ + 1, 0);
    for (Task& t : tasks_) {
      t.buffer = doubles;
      doubles += static_cast<long>(t.touched.size()) * kernels::cluster_doubles;
      for (std::int32_t c : t.touched) ++ref_start_[c + 1];
    }
    for (int c = 0; c < clusters_; ++c) ref_start_[c + 1] += ref_start_[c];
    refs_.resize(ref_start_[clusters_]);
    std::vector<std::int32_t> fill(ref_start_.begin(), ref_start_.end() - 1);
    for (const Task& t : tasks_)
      for (std::size_t k = 0; k < t.touched.size(); ++k)
        refs_[fill[t.touched[k]]++] = t.buffer + static_cast<long>(k) * kernels::cluster_doubles;
    buffers_.resize(doubles);
    next_task_.store(0, std::memory_order_relaxed);
    valid_ = true;
  }
  workers.barrier();
}

void ClusterList::sort_column(int column) {
  std::int32_t* first = column_atoms_.data() + column_start_[column];
  std::int32_t* last = column_atoms_.data() + column_start_[column + 1];
  std::sort(first, last, [this](std::int32_t a, std::int32_t b) {
    const double za = wrapped_[3 * a + 2], zb = wrapped_[3 * b + 2];
    return za < zb || (za == zb && a < b);
  });
  double* box = &column_bounds_[4 * column];
  box[0] = box[2] = INFINITY;
  box[1] = box[3] = -INFINITY;
  const long count = last - first;
  for (long q = 0; q * n < count; ++q) {
    const long c = column_clusters_[column] + q;
    const long base = c * kernels::cluster_doubles;
    double* bounds = &bounds_[6 * c];
    for (int k = 0; k < 3; ++k) bounds[k] = INFINITY, bounds[3 + k] = -INFINITY;
    count_[c] = static_cast<std::uint8_t>(std::min<long>(n, count - q * n));
    for (int a = 0; a < n; ++a) {
      for (int k = 0; k < 3; ++k) xyz_.data[base + k * n + a] = 0.0;
      if (a >= count_[c]) continue;
      const std::int32_t id = first[q * n + a];
      atom_[n * c + a] = id;
      for (int k = 0; k < 3; ++k) {
        const double w = wrapped_[3 * id + k];
        xyz_.data[base + k * n + a] = w;
        built_[base + k * n + a] = build_positions_[k * atoms_ + id];
        pruned_[base + k * n + a] = built_[base + k * n + a];
        image_[base + k * n + a] = static_cast<std::int16_t>(std::floor(built_[base + k * n + a] / box_));
        bounds[k] = std::min(bounds[k], w);
        bounds[3 + k] = std::max(bounds[3 + k], w);
      }
    }
    box[0] = std::min(box[0], bounds[0]);
    box[1] = std::max(box[1], bounds[3]);
    box[2] = std::min(box[2], bounds[1]);
    box[3] = std::max(box[3], bounds[4]);
  }
}

void ClusterList::search(int t, kernels::Isa isa, std::vector<std::int32_t>& slot_of) {
  Task& task = tasks_[t];
  const int first_i = t * task_clusters_;
  const int last_i = std::min(first_i + task_clusters_, clusters_);
  const int side_shifts = 2 * reach_ + 1;
  const double radius_sq = radius_ * radius_;
  task.outer.clear();
  task.outer_start.assign(1, 0);
  std::vector<std::int32_t> candidates;
  std::vector<std::uint16_t> candidate_shifts, masks;
  for (int ci = first_i; ci < last_i; ++ci) {
    candidates.clear();
    candidate_shifts.clear();
    const double* bi = &bounds_[6 * ci];
    const std::size_t start = task.outer.size();
    // Only the shifts that bring the image of cluster i within radius of the wrapped coordinates
    // (which lie within [-10^-9 L, (1 + 10^-9) L]): one, for a cluster far from the box's faces.
    int from_shift[3], to_shift[3];
    for (int k = 0; k < 3; ++k) {
      const double lowest = std::ceil((bi[k] - radius_ - (1.0 + 1e-9) * box_) / box_ - 1e-9);
      const double highest = std::floor((bi[3 + k] + radius_ + 1e-9 * box_) / box_ + 1e-9);
      from_shift[k] = static_cast<int>(std::max<double>(lowest, -reach_));
      to_shift[k] = static_cast<int>(std::min<double>(highest, reach_));
    }
    for (int shift_z = from_shift[2]; shift_z <= to_shift[2]; ++shift_z)
      for (int shift_y = from_shift[1]; shift_y <= to_shift[1]; ++shift_y)
        for (int shift_x = from_shift[0]; shift_x <= to_shift[0]; ++shift_x) {
          const int s =
              ((shift_z + reach_) * side_shifts + shift_y + reach_) * side_shifts + shift_x + reach_;
          const double* shift = &shifts_[3 * s];
          // Cluster i's image: the j-atoms near it lie within radius of these bounds.
          double low[3], high[3];
          for (int k = 0; k < 3; ++k) low[k] = bi[k] - shift[k], high[k] = bi[3 + k] - shift[k];
          int from[3], to[3];
          for (int k = 0; k < 3; ++k) {
            // An atom's cell along an axis is floor(w / width) clamped to the grid: monotonic in w,
            // so the cells of the atoms from low - radius to high + radius lie between these.
            const double width = k < 2 ? col_width_ : slab_height_;
            const double last = (k < 2 ? ncol_ : nslab_) - 1.0;
            from[k] = static_cast<int>(std::clamp(std::floor((low[k] - radius_) / width), 0.0, last));
            to[k] = static_cast<int>(std::clamp(std::floor((high[k] + radius_) / width), 0.0, last));
          }
          for (int cz = from[2]; cz <= to[2]; ++cz)
            for (int cy = from[1]; cy <= to[1]; ++cy) {
              for (int cx = from[0]; cx <= to[0]; ++cx) {
                const int column = (cz * ncol_ + cy) * ncol_ + cx;
                const int c0 = column_clusters_[column], c1 = column_clusters_[column + 1];
                if (c1 <= ci || c0 == c1) continue;
                const double* box = &column_bounds_[4 * column];
                const double gx = gap(low[0], high[0], box[0], box[1]);
                const double gy = gap(low[1], high[1], box[2], box[3]);
                if (!(gx * gx + gy * gy < radius_sq)) continue;
                // The column's clusters are sorted by z: the first whose top reaches low z - radius.
                int lo = c0, hi = c1;
                while (lo < hi) {
                  const int mid = lo + (hi - lo) / 2;
                  if (bounds_[6 * mid + 5] < low[2] - radius_)
                    lo = mid + 1;
                  else
                    hi = mid;
                }
                for (int cj = std::max(lo, ci); cj < c1 && bounds_[6 * cj + 2] <= high[2] + radius_; ++cj) {
                  if (cj == ci && s < shift_center_) continue;
                  const double* bj = &bounds_[6 * cj];
                  const double dx = gap(low[0], high[0], bj[0], bj[3]);
                  const double dy = gap(low[1], high[1], bj[1], bj[4]);
                  const double dz = gap(low[2], high[2], bj[2], bj[5]);
                  if (!(dx * dx + dy * dy + dz * dz < radius_sq)) continue;
                  candidates.push_back(cj);
                  candidate_shifts.push_back(static_cast<std::uint16_t>(s));
                }
              }
            }
        }
    // The pairs of atoms closer than the radius at each candidate's shift: no other pair can come
    // within the cut-off while the list serves.
    const int count = static_cast<int>(candidates.size());
    masks.resize(count);
    kernels::cluster_masks_on(isa, xyz_.data, xyz_.data + static_cast<long>(ci) * kernels::cluster_doubles,
                              shifts_.data(), candidates.data(), candidate_shifts.data(), count, radius_sq,
                              masks.data());
    for (int k = 0; k < count; ++k) {
      const int cj = candidates[k], s = candidate_shifts[k];
      unsigned mask = masks[k] & existing_pairs(count_[ci], count_[cj]);
      if (cj == ci && s == shift_center_) mask &= upper_pairs;
      if (mask != 0)
        task.outer.push_back({cj, 0, static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(mask)});
    }
    std::sort(task.outer.begin() + static_cast<long>(start), task.outer.end(),
              [](const kernels::ClusterPair& a, const kernels::ClusterPair& b) {
                return a.j < b.j || (a.j == b.j && a.shift < b.shift);
              });
    task.outer_start.push_back(static_cast<std::int32_t>(task.outer.size()));
  }
  // Slots: the i-clusters, then the other j-clusters ascending.
  task.touched.clear();
  for (int c = first_i; c < last_i; ++c) task.touched.push_back(c), slot_of[c] = 0;
  for (const kernels::ClusterPair& p : task.outer)
    if (slot_of[p.j] < 0) task.touched.push_back(p.j), slot_of[p.j] = 0;
  std::sort(task.touched.begin() + (last_i - first_i), task.touched.end());
  for (std::size_t k = 0; k < task.touched.size(); ++k)
    slot_of[task.touched[k]] = static_cast<std::int32_t>(k);
  for (kernels::ClusterPair& p : task.outer) p.slot = slot_of[p.j];
  for (std::int32_t c : task.touched) slot_of[c] = -1;
}

void ClusterList::prune(int t, int member, kernels::Isa isa) {
  Task& task = tasks_[t];
  const int first_i = t * task_clusters_;
  const double radius_sq = inner_radius_ * inner_radius_;
  std::vector<std::int32_t>& js = prune_js_[member];
  std::vector<std::uint16_t>& shift_of = prune_shifts_[member];
  std::vector<std::uint16_t>& masks = prune_masks_[member];
  task.pairs.clear();
  task.pair_start.assign(1, 0);
  for (std::size_t k = 0; k + 1 < task.outer_start.size(); ++k) {
    const kernels::ClusterPair* outer = task.outer.data() + task.outer_start[k];
    const int count = task.outer_start[k + 1] - task.outer_start[k];
    js.resize(count);
    shift_of.resize(count);
    masks.resize(count);
    for (int e = 0; e < count; ++e) js[e] = outer[e].j, shift_of[e] = outer[e].shift;
    const long ci = first_i + static_cast<long>(k);
    kernels::cluster_masks_on(isa, xyz_.data, xyz_.data + ci * kernels::cluster_doubles, shifts_.data(),
                              js.data(), shift_of.data(), count, radius_sq, masks.data());
    for (int e = 0; e < count; ++e) {
      const unsigned mask = outer[e].mask & masks[e];
      if (mask != 0)
        task.pairs.push_back({outer[e].j, outer[e].slot, outer[e].shift, static_cast<std::uint16_t>(mask)});
    }
    task.pair_start.push_back(static_cast<std::int32_t>(task.pairs.size()));
  }
}

bool ClusterList::origin(double* origin) const {
  if (!valid_) return false;
  for (long c = 0; c < clusters_; ++c)
    for (int a = 0; a < count_[c]; ++a)
      for (int k = 0; k < 3; ++k)
        origin[k * atoms_ + atom_[n * c + a]] = built_[c * kernels::cluster_doubles + k * n + a];
  for (std::size_t q = 0; q < free_.size(); ++q)
    for (int k = 0; k < 3; ++k) origin[k * atoms_ + free_[q]] = free_origin_[3 * q + k];
  return true;
}

void ClusterList::run_tasks(int member, kernels::Isa isa, bool with_virial, bool prune) {
  for (int t; (t = next_task_.fetch_add(1, std::memory_order_relaxed)) < tasks();) {
    if (prune) this->prune(t, member, isa);
    sums_[t] = kernels::cluster_task_on(isa, task(t), with_virial);
  }
}

kernels::ClusterTask ClusterList::task(int t) const {
  const Task& task = tasks_[t];
  const int first_i = t * task_clusters_;
  return {xyz_.data,
          shifts_.data(),
          cutoff_sq_,
          first_i,
          std::min(first_i + task_clusters_, clusters_),
          task.pair_start.data(),
          task.pairs.data(),
          buffers_.data + task.buffer,
          static_cast<int>(task.touched.size())};
}

void ClusterList::gather_forces(int member, int members, double* forces) const {
  const Share clusters = share(clusters_, member, members);
  for (long c = clusters.first; c < clusters.last; ++c) {
    // All twelve sums of the cluster side by side (each its own: sum = sum + slot, in task order).
    double sum[kernels::cluster_doubles] = {};
    for (int r = ref_start_[c]; r < ref_start_[c + 1]; ++r) {
      const double* slot = buffers_.data + refs_[r];
      for (int e = 0; e < kernels::cluster_doubles; ++e) sum[e] = sum[e] + slot[e];
    }
    for (int a = 0; a < count_[c]; ++a) {
      const long id = atom_[n * c + a];
      for (int k = 0; k < 3; ++k) forces[k * atoms_ + id] = sum[k * n + a];
    }
  }
  if (member == 0)
    for (std::int32_t f : free_) forces[f] = forces[atoms_ + f] = forces[2 * atoms_ + f] = 0.0;
}

}  // namespace pelzak::engine

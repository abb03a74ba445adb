// The engine's cluster-pair list: the atoms sorted spatially into clusters of four, the pairs of
// clusters that may interact, and the tasks that form their forces. engine/README.md describes
// the order it fixes; this is how it is built and kept.
//
// A build wraps every atom's position into the box by a whole number of box sides per axis (its
// image offset, kept until the next build), drops the atoms into the cells of a grid: columns
// over x and y about four atoms' worth of liquid on a side, cut along z into slabs four times as
// high. It sorts each cell by z and cuts it into clusters of four (the cell's last cluster may hold
// fewer), numbered cell by cell. For every i-cluster it lists the j-clusters,
// with the image shift s (whole box sides per axis), that hold a pair of atoms closer than the
// list radius rc + skin (bounding boxes first, then each of the 16 pairs, whose bits make the
// entry's mask); each unordered pair of clusters once (j > i, or j = i with a shift s that is 0 or
// on the positive side, so that s and -s are not both taken); within the cluster at s = 0 only the
// pairs a < b.
//
// Why no pair inside the cut-off is ever missed. A later call uses the list only if every atom
// that was in a cluster at the build is still less than skin/2 - margin from where it was then.
// Take two such atoms closer than rc now, at the image n (whole box sides): in the wrapped frame of
// the build (their positions minus their offsets) that image is a shift s with |s_k| < 1 +
// (rc + skin)/L, since wrapped coordinates lay within the box at the build and have moved less than
// skin/2 since; those are the shifts a build looks through. Each atom moved less than skin/2 -
// margin, so at the build the two were closer than rc + skin - 2 margin at that shift (the triangle
// inequality): their clusters' bounding boxes were closer still, and the build listed the pair of
// clusters with s and set the pair's bit. Every distance here is computed in rounded arithmetic
// from coordinates of size at most 2^10 L (farther atoms are free, below), each within 10^-11 L of
// the exact one; margin = 10^-6 skin + 10^-11 L covers that. The test
// EngineList.NeverMissesAPairOverALongHotRun checks it against all pairs over a long hot run.
//
// Free atoms: any coordinate not finite or beyond 2^10 box sides. They join no cluster; their
// pairs with every other atom are formed after the clusters' by a plain loop (free atom ascending,
// partner ascending), which the list never has to foresee.
//
// Pruning. The build lists the pairs within an outer radius rc + skin; the kernels run a pruned
// copy, the outer entries' pairs closer than rc + inner_skin at the last prune (the pairs' bits of
// the outer mask that are still that close; an entry with none left is dropped). A prune serves
// while every clustered atom is less than inner_skin/2 - inner margin from where it was at the prune
// (inner margin = 10^-6 inner_skin + 10^-11 L), by the argument above with the prune's positions
// in place of the build's and the same image frame: a pair inside rc now was closer than
// rc + inner_skin at the prune, at the shift of its outer entry, which the outer list holds while it
// serves. A prune changes no bit of any result: every pair it drops is beyond the cut-off while the
// pruned list serves, and such a pair's terms are +-0.0, which leave every sum as it was; the
// tasks' buffers keep the slots of the outer list (a slot no entry reaches stays +0.0). So the bits
// depend on the outer list's builds only. Each task is pruned by the member that then runs it: no
// meeting point is added.
//
// Tasks: the i-clusters cut into runs of clusters / 16 clusters, at least 8 and at most 32 (so that
// even a small system has some 16 tasks to share out), however many threads run them. Each
// task sums into its own buffer holding the clusters it touches (its i-clusters, then the
// j-clusters of its entries, ascending); an atom's force is the sum of its cluster's slots over the
// tasks that touch it, in task order.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "aligned.hpp"
#include "pelzak/kernels/cluster_pairs.hpp"
#include "workers.hpp"

namespace pelzak::engine {

class ClusterList {
 public:
  // skin: the outer list's buffer beyond the cut-off (nm); inner_skin (at most skin): the pruned
  // list's, which the kernels run.
  ClusterList(long atoms, double box, double cutoff_sq, double skin, double inner_skin);

  // Called by every member of a running job with the same positions (nm, configuration layout).
  // Puts the positions into the clusters and, if the list no longer serves them (or there is
  // none), builds a new one (isa: the kernels that look at the candidates). Ends at a meeting point
  // of the members. True if the pruned list no longer serves: run_tasks must prune each task first.
  bool update(Workers& workers, int member, const double* positions, kernels::Isa isa);
  // A new list from positions, whatever the current one: called by every member of a job.
  void build(Workers& workers, int member, const double* positions, kernels::Isa isa);
  // The positions of the current list's build to origin (configuration layout); false, with
  // nothing written, before the first.
  bool origin(double* origin) const;
  // Before a job: no task taken yet.
  void begin() { next_task_.store(0, std::memory_order_relaxed); }
  // Called by every member after update: takes tasks until none is left, prunes each if prune (as
  // update said), and runs it on the kernel set, its sums to sums(t).
  void run_tasks(int member, kernels::Isa isa, bool with_virial, bool prune);
  // The kernels' view of task t.
  kernels::ClusterTask task(int t) const;
  int tasks() const { return static_cast<int>(tasks_.size()); }
  const kernels::ClusterSums& sums(int t) const { return sums_[t]; }
  // Every atom's force from the tasks' buffers, in task order, to forces (configuration layout),
  // each member a share of the clusters; free atoms get zero.
  void gather_forces(int member, int members, double* forces) const;
  const std::vector<std::int32_t>& free_atoms() const { return free_; }

  long builds() const { return builds_; }
  long prunes() const { return prunes_; }
  std::size_t bytes() const;
  // Cluster pairs listed and clusters, for the benchmark's notes.
  long entries() const;
  int clusters() const { return clusters_; }

 private:
  struct Task {
    std::vector<kernels::ClusterPair> outer;  // the entries within the outer radius at the build
    std::vector<std::int32_t> outer_start;
    std::vector<kernels::ClusterPair> pairs;  // those within the inner radius at the last prune
    std::vector<std::int32_t> pair_start;
    std::vector<std::int32_t> touched;  // slot -> cluster
    long buffer = 0;                    // first double of its buffer
  };

  bool place(int member, int members, const double* positions, bool& inner);
  void sort_column(int column);
  void search(int t, kernels::Isa isa, std::vector<std::int32_t>& slot_of);
  void prune(int t, int member, kernels::Isa isa);

  // The system.
  long atoms_;
  double box_, cutoff_sq_, skin_, radius_, move_limit_sq_, ordinary_bound_;
  double inner_radius_, prune_limit_sq_;
  // The grid's cells: ncol_ columns along x and along y, each col_width_ wide, cut into nslab_
  // slabs along z, each slab_height_ high; a cell's number is (slab * ncol_ + y) * ncol_ + x.
  int ncol_ = 1;
  double col_width_ = 0.0;
  int nslab_ = 1;
  double slab_height_ = 0.0;
  int reach_ = 1;               // the largest |s_k| of a shift
  std::vector<double> shifts_;  // 3 per shift, (2 reach_ + 1)^3 of them, s_z major, s_x minor
  int shift_center_ = 0;

  // The list.
  bool valid_ = false;
  long builds_ = 0;
  long prunes_ = 0;
  int clusters_ = 0;
  int task_clusters_ = 8;            // i-clusters per task
  std::vector<std::int32_t> atom_;   // 4 per cluster: the atom in each lane, -1 for none
  std::vector<std::uint8_t> count_;  // atoms per cluster
  Aligned<double> xyz_;              // cluster_doubles per cluster: wrapped positions now
  std::vector<double> built_;        // cluster_doubles per cluster: the positions at the build
  std::vector<double> pruned_;       // cluster_doubles per cluster: the positions at the last prune
  // cluster_doubles per cluster: the image counts n (the offset is n * L, |n| <= 1024)
  std::vector<std::int16_t> image_;
  std::vector<double> bounds_;       // 6 per cluster: low x, y, z, high x, y, z at the build
  std::vector<std::int32_t> free_;   // the free atoms, ascending
  std::vector<double> free_origin_;  // 3 per free atom: its position at the build
  std::vector<Task> tasks_;
  std::vector<kernels::ClusterSums> sums_;
  mutable Aligned<double> buffers_;
  std::vector<std::int32_t> ref_start_;  // per cluster: its slots in refs_
  std::vector<long> refs_;               // first double of each slot, in task order

  // Shared between the members of a job.
  std::vector<std::uint8_t> stale_;     // per member
  std::vector<std::uint8_t> unpruned_;  // per member
  std::atomic<int> next_task_{0};

  // Working arrays of a build.
  const double* build_positions_ = nullptr;
  std::vector<double> wrapped_;  // 3 per atom: x - floor(x / L) * L
  std::vector<std::int32_t> column_of_, column_start_, column_atoms_, column_clusters_;
  std::vector<double> column_bounds_;               // 4 per column: low x, high x, low y, high y
  std::vector<std::vector<std::int32_t>> slot_of_;  // per member: cluster -> slot, -1 if none
  // Working arrays of a prune, per member: an i-cluster's outer entries' j, shift and new mask.
  std::vector<std::vector<std::int32_t>> prune_js_;
  std::vector<std::vector<std::uint16_t>> prune_shifts_, prune_masks_;
};

}  // namespace pelzak::engine

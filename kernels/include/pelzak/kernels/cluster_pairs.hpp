// The engine's pair kernels: Lennard-Jones forces, energy and virial over pairs of clusters of four
// atoms, in the engine's own summation order (engine/README.md has the whole order; this is the
// part a kernel runs). The library's loops (pair_loops.hpp) keep theirs; nothing here touches them.
//
// A task is a run of consecutive i-clusters with their lists of j-clusters. For each i-cluster, in
// ascending order, and each of its entries (j-cluster, image shift, lane mask), in list order, the
// 4 x 4 tile of pairs (a, b), a the i-atom and b the j-atom, is formed lane by lane:
//     delx = (x_a - shift_x) - x_b     (the same for y, z)
//     rsq = (delx*delx + dely*dely) + delz*delz
//     in = rsq < cutoff_sq and bit 4a + b of the entry's mask
//     r2inv = 1 / rsq,  sr2 = sigma^2 * r2inv,  sr6 = (sr2 * sr2) * sr2,  sr12 = sr6 * sr6
//     fpair = in ? (2 sr12 - sr6) * (force_factor * r2inv) : +0.0      (N/nm)
//     fx = delx * fpair, fy = dely * fpair, fz = delz * fpair           (force on a from b, N)
//     term = in ? sr12 - sr6 : +0.0
// and summed as if four lanes b = 0 ... 3 ran side by side:
//     i-atom a, lane b:  acc[a][b] = acc[a][b] + f_ab      (from +0.0 at the i-cluster's start)
//     j-atom b:          buffer[b] = buffer[b] - ((f_0b + f_2b) + (f_1b + f_3b))
//     energy lane b:     e[b] = e[b] + ((t_0b + t_2b) + (t_1b + t_3b))   (the virial's six the same)
// After the i-cluster's last entry, atom a's buffer takes + ((acc[a][0] + acc[a][2]) +
// (acc[a][1] + acc[a][3])); after the task's last i-cluster its energy is (e[0] + e[2]) + (e[1] + e[3])
// (each virial component the same). The plain scalar reference writes exactly this; the portable,
// AVX2 and AVX-512 kernels give its bits.
#pragma once

#include <cstdint>

#include "pelzak/kernels/pair_loops.hpp"

namespace pelzak::kernels {

inline constexpr int cluster_size = 4;
// A cluster's coordinates: x of its four atoms, then y, then z (32-byte aligned); a lane with no
// atom holds anything finite, as the entry's mask leaves it out.
inline constexpr int cluster_doubles = 3 * cluster_size;

// One entry of an i-cluster's list: the j-cluster, where its forces go in the task's buffer, the
// image shift (an index into the task's table of shift vectors), and the pairs (a, b) that exist
// (bit 4a + b): a lane without an atom, or a pair counted elsewhere, has its bit clear.
struct ClusterPair {
  std::int32_t j;
  std::int32_t slot;
  std::uint16_t shift;
  std::uint16_t mask;
};

struct ClusterTask {
  const double* xyz;     // every cluster's coordinates, cluster_doubles each, nm
  const double* shifts;  // x, y, z of each shift vector, nm
  double cutoff_sq;      // nm^2
  int first_i, last_i;   // the task's i-clusters
  // Entries pair_start[k] ... pair_start[k + 1] - 1 belong to i-cluster first_i + k.
  const std::int32_t* pair_start;
  const ClusterPair* pairs;
  // The task's forces, cluster_doubles per slot (N), overwritten: `slots` of them, i-cluster
  // first_i + k in slot k. 32-byte aligned.
  double* buffer;
  int slots;
};

// The task's energy (unscaled: the sum of q^12 - q^6) and, when asked for, the six virial sums of
// del_a f_b (xx, yy, zz, xy, xz, yz) in nm N; zero otherwise.
struct ClusterSums {
  double energy = 0.0;
  double virial[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

// For the list's build: for each candidate k, the pairs (a, b) of i-cluster xi and j-cluster
// xyz + cluster_doubles * js[k] at shift shifts + 3 * shift_of[k] whose squared distance, formed as
// the kernels form rsq, lies below radius_sq, as bits 4a + b to masks[k]. Lanes without atoms give
// whatever their coordinates give: the caller masks them.
void cluster_masks_on(Isa isa, const double* xyz, const double* xi, const double* shifts,
                      const std::int32_t* js, const std::uint16_t* shift_of, int count, double radius_sq,
                      std::uint16_t* masks);

// The plain scalar reference of the order above.
ClusterSums cluster_task_reference(const ClusterTask& task, bool with_virial);
// The same bits on a kernel set (Isa::reference: the reference; an unavailable set: the portable one).
ClusterSums cluster_task_on(Isa isa, const ClusterTask& task, bool with_virial);

}  // namespace pelzak::kernels

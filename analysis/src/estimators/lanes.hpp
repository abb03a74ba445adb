// Sums over atoms in eight fixed lanes: atom i goes to lane i % 8 in ascending order and the lanes are
// combined pairwise at the end, ((0 + 1) + (2 + 3)) + ((4 + 5) + (6 + 7)). A fixed order, so a sum is
// the same on every machine, that the compiler maps onto whatever SIMD registers the target has: the
// lanes are one GCC/Clang vector, whose operations are element-wise IEEE operations, each rounded on
// its own.
#pragma once

#include <cstring>

namespace pelzak::analysis {

inline constexpr int lane_count = 8;

using Lanes = double __attribute__((vector_size(lane_count * sizeof(double))));
using LaneBits = long long __attribute__((vector_size(lane_count * sizeof(long long))));

// Vectors go by reference and come back through pointers: a vector wider than the target's registers
// has no agreed way to be passed or returned by value.

// Eight consecutive doubles as lanes, through memcpy: the array need not be aligned.
inline void load_lanes(const double* a, Lanes* v) { std::memcpy(v, a, sizeof *v); }

inline double lane_total(const Lanes& v) {
  return ((v[0] + v[1]) + (v[2] + v[3])) + ((v[4] + v[5]) + (v[6] + v[7]));
}

// Atoms rounded up to whole lanes: arrays padded to this length let every loop run in whole lanes.
inline int padded_count(int atoms) { return (atoms + lane_count - 1) / lane_count * lane_count; }

}  // namespace pelzak::analysis

// The engine's cluster-pair kernel in portable C++: four lanes as a plain array of doubles, which
// the compiler may put in vector registers (it may not reorder a sum: -ffp-contract=off, no
// -ffast-math).
#include "cluster/cluster_lanes.hpp"
#include "cluster/cluster_sets.hpp"

namespace pelzak::kernels {

namespace {

struct Portable4 {
  struct V {
    double v[4];
    V() = default;
    explicit V(double x) : v{x, x, x, x} {}
    friend V operator+(V a, V b) {
      return {a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]};
    }
    friend V operator-(V a, V b) {
      return {a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]};
    }
    friend V operator*(V a, V b) {
      return {a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]};
    }
    friend V operator/(V a, V b) {
      return {a.v[0] / b.v[0], a.v[1] / b.v[1], a.v[2] / b.v[2], a.v[3] / b.v[3]};
    }
    V(double a, double b, double c, double d) : v{a, b, c, d} {}
  };
  using Mask = unsigned;
  static V load(const double* p) {
    V r;
    for (int b = 0; b < 4; ++b) r.v[b] = p[b];
    return r;
  }
  static void store(double* p, V a) {
    for (int b = 0; b < 4; ++b) p[b] = a.v[b];
  }
  static Mask less(V a, V b) {
    Mask m = 0;
    for (int k = 0; k < 4; ++k) m |= a.v[k] < b.v[k] ? 1u << k : 0u;
    return m;
  }
  static Mask lanes(unsigned bits) { return bits; }
  static Mask both(Mask m, Mask n) { return m & n; }
  static V zero_unless(Mask m, V a) {
    for (int b = 0; b < 4; ++b) a.v[b] = (m >> b & 1u) != 0 ? a.v[b] : 0.0;
    return a;
  }
  static double sum4(V a) { return (a.v[0] + a.v[2]) + (a.v[1] + a.v[3]); }
};

}  // namespace

ClusterSums cluster_task_scalar(const ClusterTask& task, bool with_virial) {
  return cluster::task_on_lanes<Portable4>(task, with_virial);
}

void cluster_masks_scalar(const double* xyz, const double* xi, const double* shifts, const std::int32_t* js,
                          const std::uint16_t* shift_of, int count, double radius_sq, std::uint16_t* masks) {
  constexpr int n = cluster_size;
  for (int k = 0; k < count; ++k) {
    const double* xj = xyz + static_cast<long>(js[k]) * cluster_doubles;
    const double* shift = shifts + 3 * shift_of[k];
    double rsq[n * n];
    for (int a = 0; a < n; ++a) {
      const double xa = xi[a] - shift[0], ya = xi[n + a] - shift[1], za = xi[2 * n + a] - shift[2];
      for (int b = 0; b < n; ++b) {
        const double delx = xa - xj[b], dely = ya - xj[n + b], delz = za - xj[2 * n + b];
        rsq[n * a + b] = delx * delx + dely * dely + delz * delz;
      }
    }
    unsigned mask = 0;
    for (int ab = 0; ab < n * n; ++ab) mask |= (rsq[ab] < radius_sq ? 1u : 0u) << ab;
    masks[k] = static_cast<std::uint16_t>(mask);
  }
}

}  // namespace pelzak::kernels

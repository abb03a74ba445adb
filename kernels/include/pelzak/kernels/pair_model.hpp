// The numbers a pair loop needs: how many atoms, the box, the cut-off, and the minimum image's
// thresholds for that box.
//
// One kernel code serves two callers. The library's routines run the toolkit's fixed liquid, whose
// numbers are compile-time constants (the kernels' LibraryModel), so its loops compile exactly as
// if the numbers were written in. The engine runs any state point: PairModel holds the same fields
// as run-time values. The kernels are templates over the model and read m.atoms, m.box, ... the
// same way for both.
//
// The pair potential itself (sigma, 4 eps, 24 eps) is argon's and the same for every state point:
// lj_pair.hpp takes it from pelzak_model.h.
#pragma once

#include <bit>
#include <cstdint>

#include "pelzak_model.h"

namespace pelzak::kernels {

// The minimum image without a division. The image count n = round(d / L), halves away from zero,
// is a step function of d: correctly rounded division is monotonic, so for k = 1, 2, 3, ... there
// is a first double T_k with fl(T_k / L) >= k - 1/2, and round(d / L) = copysign(k, d) exactly
// when T_k <= |d| < T_(k+1) (the negative side is the mirror image, since fl(-d / L) =
// -fl(d / L)); below T_1 it is copysign(0, d). With k counted by comparisons, L * n =
// copysign(fl(L * k), d) is the very product the division path forms (L * 0 = 0, L * 1 and L * 2
// are exact, fl(L * 3) is rounded the same way), zero sign included, and d - L * n is the same
// final subtraction: the bits agree. Beyond T_4, and for infinities and NaN, the division decides.
//
// first_reaching(target, box): the smallest non-negative double d with fl(d / box) >= target
// (0 < target < 2^1000, box normal and far from the ends of the double range), by bisection over
// bit patterns, which order non-negative doubles like their values. Evaluated by the compiler
// for the library's box and at run time for the engine's, with correctly rounded division both
// times; a test re-derives the library's bounds with the processor's own division.
constexpr double first_reaching(double target, double box) {
  std::uint64_t below = 0;  // fl(0 / L) = 0 < target
  std::uint64_t reaching = std::bit_cast<std::uint64_t>(4.0 * target * box);
  while (reaching - below > 1) {
    const std::uint64_t mid = below + (reaching - below) / 2;
    if (std::bit_cast<double>(mid) / box >= target) {
      reaching = mid;
    } else {
      below = mid;
    }
  }
  return std::bit_cast<double>(reaching);
}

// A state point's pair loop, at run time.
struct PairModel {
  int atoms = 0;
  double box = 0.0;        // L, nm
  double cutoff_sq = 0.0;  // nm^2: pairs with rsq strictly below it interact
  // T_1, T_2, T_3, T_4 of the box, nm: from T_k on a separation is wrapped by k box sides; from
  // T_4 on the division decides.
  double wrap_1 = 0.0, wrap_2 = 0.0, wrap_3 = 0.0, wrap_limit = 0.0;
  // Coordinates up to this size (nm) keep the error bounds of the coarse look (coarse_cells.hpp):
  // 2^18 box sides, 2^34 cells. A configuration with any larger, infinite or NaN coordinate skips
  // the coarse look and every pair takes the exact arithmetic.
  double ordinary_bound = 0.0;
};

// The model of `atoms` atoms in a box of side `box` nm with interactions below sqrt(cutoff_sq).
// A box side that is not a normal number far from the ends of the double range (the engine never
// makes one) gets thresholds of zero, which send every separation through the division, and no
// coarse look.
inline PairModel pair_model(int atoms, double box, double cutoff_sq) {
  if (!(box > 1e-100 && box < 1e100)) return PairModel{atoms, box, cutoff_sq, 0.0, 0.0, 0.0, 0.0, 0.0};
  return PairModel{atoms,
                   box,
                   cutoff_sq,
                   first_reaching(0.5, box),
                   first_reaching(1.5, box),
                   first_reaching(2.5, box),
                   first_reaching(3.5, box),
                   box * 262144.0};
}

}  // namespace pelzak::kernels

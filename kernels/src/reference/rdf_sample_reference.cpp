// Pair-distance histogram, the scalar reference kernel.
//
// Bin b (0-based) collects the pairs whose r / dr rounds (halves away from zero) to b, so it is
// centred on b * dr. Each pair adds 2.0: it counts once for each of its two atoms. There is no
// cut-off; distances beyond the last bin are dropped.
#include <cmath>

#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak_model.h"
#include "separation.hpp"

namespace pelzak::kernels {

void rdf_sample_reference(const double* positions, double* histogram) {
  using namespace model;
  constexpr double last_bin = bins - 1;

  for (int i = 0; i < atoms - 1; ++i) {
    for (int j = i + 1; j < atoms; ++j) {
      const double r = std::sqrt(separation(positions, i, j).rsq);
      const double bin = std::round(r / bin_width);
      // Compared as a double before any conversion: NaN and infinity fail here, so no
      // out-of-range value ever reaches the integer conversion or the array.
      if (!(bin <= last_bin)) continue;
      histogram[static_cast<int>(bin)] = 2.0 + histogram[static_cast<int>(bin)];
    }
  }
}

}  // namespace pelzak::kernels

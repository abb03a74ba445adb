// Forces on every atom and the potential energy of the configuration.
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak_model.h"
#include "routines/routines.hpp"

namespace pelzak::aux {

void force_atoms(const double* positions, double* forces, double* energy) {
  for (int n = 0; n < 3 * model::atoms; ++n) forces[n] = 0.0;
  // The value passed in starts the running sum, so the caller's energy is carried and
  // scaled together with the pair terms: pass 0 for the energy of the positions alone.
  double lj_sum = *energy;
  kernels::lj_pairs(positions, forces, &lj_sum);
  *energy = model::four_eps * lj_sum;
}

}  // namespace pelzak::aux

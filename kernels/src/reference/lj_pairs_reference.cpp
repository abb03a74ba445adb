// The reference Lennard-Jones loop for the library's liquid and for any state point.
#include "library_model.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "reference/reference_loops.hpp"

namespace pelzak::kernels {

void lj_pairs_reference(const double* positions, double* forces, double* lj_sum) {
  reference::lj_pairs(library_model, positions, forces, lj_sum, nullptr);
}

void lj_pairs_reference(const PairModel& m, const double* positions, double* forces, double* lj_sum,
                        double* virial) {
  reference::lj_pairs(m, positions, forces, lj_sum, virial);
}

}  // namespace pelzak::kernels

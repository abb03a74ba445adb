// The reference g(r) loop for the library's liquid and for any state point.
#include "library_model.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "reference/reference_loops.hpp"

namespace pelzak::kernels {

void rdf_sample_reference(const double* positions, double* histogram) {
  reference::rdf_sample(library_model, positions, histogram);
}

void rdf_sample_reference(const PairModel& m, const double* positions, double* histogram) {
  reference::rdf_sample(m, positions, histogram);
}

}  // namespace pelzak::kernels

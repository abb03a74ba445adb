// The library's g(r) sampler: radial_dist_core with "rdf_argon.dat" of the working directory, held
// open from step 1 to the end of the process, and every failure ending the process.
#include "diagnostics.hpp"
#include "pelzak/auxiliary/radial_dist_core.hpp"
#include "pelzak/formats/file_names.hpp"
#include "routines/routines.hpp"

namespace pelzak::aux {
namespace {

// The g(r) file, the library's only state besides the Verlet list of force_atoms: its open
// descriptor, or -1. Constant-initialised: no constructor, no destructor, no guard.
RdfOutput library_output = {AT_FDCWD, formats::rdf_file, -1};

}  // namespace

void radial_dist(const std::int64_t* step, const double* positions, double* histogram) {
  RdfDiagnostic diagnostic;
  if (radial_dist_core(*step, positions, histogram, &library_output, &diagnostic) != RdfStatus::ok)
    fail("%s", diagnostic.text);
}

}  // namespace pelzak::aux

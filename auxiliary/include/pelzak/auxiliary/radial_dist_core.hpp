// The g(r) sampler of radial_dist with its output where the caller says, and every failure returned.
//
// radial_dist is this with the file "rdf_argon.dat" of the working directory, held open from one
// call to the next, and a failure ending the process (failure.hpp). The Python module, which must
// raise an exception instead, calls this with an RdfOutput of its own, so that nothing of the
// library's is shared.
//
// For in-tree C++ callers; not installed.
#pragma once

#include <fcntl.h>

#include <cstdint>

namespace pelzak::aux {

// Where the table goes: the file `name` in the folder open as dir_fd (AT_FDCWD: the working
// directory), opened by step 1 (or by step 1000 if no step 1 came first) and kept open in fd, which
// the caller closes when it is done. A caller may also put a descriptor of its own into fd.
struct RdfOutput {
  int dir_fd = AT_FDCWD;
  const char* name = nullptr;
  int fd = -1;
};

enum class RdfStatus {
  ok,
  cannot_open,   // the file cannot be created or opened for writing
  cannot_empty,  // a second step 1 cannot empty the file already open
  cannot_write,  // the table cannot be written (a full disk); the file is cut back to where it began
};

// The reason of a failure as one line without a line feed, naming the file and the system's
// reason, e.g. "\"rdf_argon.dat\": cannot write g(r): No space left on device"; error is the errno.
struct RdfDiagnostic {
  int error;
  char text[256];
};

// One call of the sampler (radial_dist's three stages: step 1 opens or empties the file and clears
// the histogram; steps 1, 21, 41, ... add a sample; step 1000 writes the table), the table going to
// *output. After a failure the histogram holds what the stages before it left.
RdfStatus radial_dist_core(std::int64_t step, const double* positions, double* histogram, RdfOutput* output,
                           RdfDiagnostic* diagnostic);

}  // namespace pelzak::aux

// The radial distribution function g(r), sampled every 20 steps and written at step 1000.
//
// g of a shell is the number of pairs found in it per atom and per sample, divided by the
// number an ideal gas of the same density would put there:
//   shell = (4/3) pi rho ((b dr)^3 - ((b-1) dr)^3),   g = histogram / ((N * shell) * samples)
// The histogram lives in the caller's array; the only state kept here is the output file.
//
// "rdf_argon.dat" is written with write(2) straight from a local buffer, with no stdio
// buffering: the 200 lines reach the kernel before the call returns, a failure is reported at
// once, and nothing is left to flush when the process ends (the kernel closes the descriptor).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "diagnostics.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/rdf_table.hpp"
#include "pelzak/formats/write_all.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak_model.h"
#include "routines.hpp"

namespace pelzak::aux {
namespace {

using formats::rdf_file;

// The g(r) file, the library's only state besides the Verlet list of force_atoms
// (neighbour_list.hpp): the open "rdf_argon.dat", or -1.
// A plain int, constant-initialised: no constructor, no destructor, no guard.
int rdf_fd = -1;

// Opens "rdf_argon.dat" empty (created if missing), or empties the one already open in place.
void start_output_file() {
  if (rdf_fd >= 0) {
    // A device or pipe (say, the name links to /dev/null) has nothing to empty.
    struct stat st {};
    if (fstat(rdf_fd, &st) != 0)
      fail("\"%s\": cannot examine the open file: %s", rdf_file, std::strerror(errno));
    if (S_ISREG(st.st_mode) && (ftruncate(rdf_fd, 0) != 0 || lseek(rdf_fd, 0, SEEK_SET) != 0))
      fail("\"%s\": cannot empty the file: %s", rdf_file, std::strerror(errno));
    return;
  }
  rdf_fd = open(rdf_file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (rdf_fd < 0) fail("\"%s\": cannot open for writing: %s", rdf_file, std::strerror(errno));
}

void write_rdf(const double* histogram) {
  using namespace model;
  double label[bins], g[bins];
  kernels::rdf_normalise(histogram, atoms, box, samples, label, g);
  char text[formats::rdf_table_size];
  formats::rdf_table(label, g, text);
  // Where this table begins (-1 on a pipe, which cannot be cut back).
  const off_t start = lseek(rdf_fd, 0, SEEK_CUR);
  if (!formats::write_all(rdf_fd, text, sizeof text)) {
    const int err = errno;
    // A table cut short by a full disk could pass for a whole one: cut the file back to where
    // it began, and the offset with it, so that a process sharing this open file (a forked
    // writer) goes on from a clean end. Best effort, as the failure ends this process either way.
    if (start >= 0 && ftruncate(rdf_fd, start) == 0) static_cast<void>(lseek(rdf_fd, start, SEEK_SET));
    fail("\"%s\": cannot write g(r): %s", rdf_file, err != 0 ? std::strerror(err) : "no progress writing");
  }
}

// (step - 1) divisible by 20, without forming step - 1 (which overflows for the lowest step).
bool is_sampling_step(std::int64_t step) {
  const std::int64_t rest = step % model::sample_every;
  return rest == 1 || rest == 1 - model::sample_every;
}

}  // namespace

void radial_dist(const std::int64_t* step_ptr, const double* positions, double* histogram) {
  const std::int64_t step = *step_ptr;
  if (step == 1) {
    start_output_file();
    for (int b = 0; b < model::bins; ++b) histogram[b] = 0.0;
  }
  if (is_sampling_step(step)) kernels::rdf_sample(positions, histogram);
  if (step == model::output_step) {
    // Without an earlier step 1 the file is opened here, so the result is never lost.
    if (rdf_fd < 0) start_output_file();
    write_rdf(histogram);
  }
}

}  // namespace pelzak::aux

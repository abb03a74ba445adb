// The radial distribution function g(r), sampled every 20 steps and written at step 1000.
//
// g of a shell is the number of pairs found in it per atom and per sample, divided by the number an
// ideal gas of the same density would put there (pelzak/kernels/rdf_shells.hpp):
//   shell = (4/3) pi rho ((b dr)^3 - ((b-1) dr)^3),   g = histogram / ((N * shell) * samples)
// The histogram lives in the caller's array; the only state is the caller's open output file.
//
// The table is written with write(2) straight from a local buffer, with no stdio buffering: the 200
// lines reach the kernel before the call returns, a failure is known at once, and nothing is left
// to flush when the process ends (the kernel closes the descriptor).
#include "pelzak/auxiliary/radial_dist_core.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "pelzak/formats/rdf_table.hpp"
#include "pelzak/formats/write_all.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak_model.h"

namespace pelzak::aux {
namespace {

// Says one line why the call failed; returns status so callers can write `return failed(...)`.
RdfStatus failed(RdfDiagnostic* diagnostic, RdfStatus status, int error, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
RdfStatus failed(RdfDiagnostic* diagnostic, RdfStatus status, int error, const char* format, ...) {
  diagnostic->error = error;
  va_list args;
  va_start(args, format);
  std::vsnprintf(diagnostic->text, sizeof diagnostic->text, format, args);
  va_end(args);
  return status;
}

// Opens the file empty (created if missing), or empties the one already open in place.
RdfStatus start_output_file(RdfOutput* out, RdfDiagnostic* diagnostic) {
  if (out->fd >= 0) {
    // A device or pipe (say, the name links to /dev/null) has nothing to empty.
    struct stat st {};
    if (fstat(out->fd, &st) != 0)
      return failed(diagnostic, RdfStatus::cannot_empty, errno, "\"%s\": cannot examine the open file: %s",
                    out->name, std::strerror(errno));
    if (S_ISREG(st.st_mode) && (ftruncate(out->fd, 0) != 0 || lseek(out->fd, 0, SEEK_SET) != 0))
      return failed(diagnostic, RdfStatus::cannot_empty, errno, "\"%s\": cannot empty the file: %s",
                    out->name, std::strerror(errno));
    return RdfStatus::ok;
  }
  out->fd = openat(out->dir_fd, out->name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out->fd < 0)
    return failed(diagnostic, RdfStatus::cannot_open, errno, "\"%s\": cannot open for writing: %s", out->name,
                  std::strerror(errno));
  return RdfStatus::ok;
}

RdfStatus write_table(const double* histogram, RdfOutput* out, RdfDiagnostic* diagnostic) {
  using namespace model;
  double label[bins], g[bins];
  kernels::rdf_normalise(histogram, atoms, box, samples, label, g);
  char text[formats::rdf_table_size];
  formats::rdf_table(label, g, text);
  // Where this table begins (-1 on a pipe, which cannot be cut back).
  const off_t start = lseek(out->fd, 0, SEEK_CUR);
  if (formats::write_all(out->fd, text, sizeof text)) return RdfStatus::ok;
  const int err = errno;
  // A table cut short by a full disk could pass for a whole one: cut the file back to where it
  // began, and the offset with it, so that the file ends cleanly and a later table can follow.
  if (start >= 0 && ftruncate(out->fd, start) == 0) static_cast<void>(lseek(out->fd, start, SEEK_SET));
  return failed(diagnostic, RdfStatus::cannot_write, err, "\"%s\": cannot write g(r): %s", out->name,
                err != 0 ? std::strerror(err) : "no progress writing");
}

// (step - 1) divisible by 20, without forming step - 1 (which overflows for the lowest step).
bool is_sampling_step(std::int64_t step) {
  const std::int64_t rest = step % model::sample_every;
  return rest == 1 || rest == 1 - model::sample_every;
}

}  // namespace

RdfStatus radial_dist_core(std::int64_t step, const double* positions, double* histogram, RdfOutput* output,
                           RdfDiagnostic* diagnostic) {
  if (step == 1) {
    const RdfStatus started = start_output_file(output, diagnostic);
    if (started != RdfStatus::ok) return started;
    for (int b = 0; b < model::bins; ++b) histogram[b] = 0.0;
  }
  if (is_sampling_step(step)) kernels::rdf_sample(positions, histogram);
  if (step == model::output_step) {
    // Without an earlier step 1 the file is opened here, so the result is never lost.
    if (output->fd < 0) {
      const RdfStatus started = start_output_file(output, diagnostic);
      if (started != RdfStatus::ok) return started;
    }
    return write_table(histogram, output, diagnostic);
  }
  return RdfStatus::ok;
}

}  // namespace pelzak::aux

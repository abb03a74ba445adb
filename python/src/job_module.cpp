// pelzak._job: pelzak_md's job and pelzak_initial's start, run from Python.
//
// Both are functions that return an exit status, but the library they call ends the process when a
// file cannot be read or written (exit(2) on a malformed start or a g(r) it cannot write). So each
// runs in a forked child in the folder it is given (child_process.hpp), called there exactly as the
// programs call it; the job's own handlers for SIGINT, SIGTERM and SIGHUP stop it between two steps.
// The parent waits with the GIL released and returns the exit status with the child's stdout and
// stderr, and for a job that succeeded its figures (md::JobFigures, the summary's numbers unrounded),
// which the child writes into memory it shares with the parent; the Python side (pelzak/_run.py)
// raises on failure and reads the result files.
//
// This module links its own copy of the library, apart from pelzak._routines; the job keeps its g(r)
// file in its staging folder, apart from the "rdf_argon.dat" that radial_dist calls may hold open.
#include <pybind11/pybind11.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "child_process.hpp"
#include "pelzak/driver/job.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/generator/generate.hpp"
#include "pelzak_model.h"

namespace pelzak::python {

namespace {

py::str text(const std::string& bytes) {
  PyObject* s = PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace");
  if (!s) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

py::tuple outcome_tuple(const ChildOutcome& outcome) {
  return py::make_tuple(outcome.status, text(outcome.out), text(outcome.err));
}

// The job's figures on their way from the child to the parent: a mapping shared across the fork,
// one per run (so runs in several threads keep theirs apart). The child writes it only when the
// job succeeds, before it ends; the parent reads it after waitpid, which orders the two.
class SharedFigures {
 public:
  SharedFigures() {
    memory_ =
        mmap(nullptr, sizeof(md::JobFigures), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory_ == MAP_FAILED) {
      const int err = errno;
      PyErr_SetObject(PyExc_OSError, py::make_tuple(err, std::string("cannot share memory with the child: ") +
                                                             std::strerror(err))
                                         .ptr());
      throw py::error_already_set();
    }
    figures_ = new (memory_) md::JobFigures{};
  }
  ~SharedFigures() { munmap(memory_, sizeof(md::JobFigures)); }
  SharedFigures(const SharedFigures&) = delete;
  SharedFigures& operator=(const SharedFigures&) = delete;
  md::JobFigures* get() { return figures_; }

 private:
  void* memory_ = nullptr;
  md::JobFigures* figures_ = nullptr;
};

// The figures by name, as pelzak.RunFigures takes them.
py::dict figures_dict(const md::JobFigures& f) {
  py::dict d;
  d["mean_temperature"] = f.mean_temperature;
  d["mean_potential_per_atom"] = f.mean_potential_per_atom;
  d["rdf_peak_g"] = f.rdf_peak_g;
  d["rdf_peak_r_sigma"] = f.rdf_peak_r_sigma;
  d["diffusion_einstein"] = f.diffusion_einstein;
  d["diffusion_einstein_error"] = f.diffusion_einstein_error;
  d["diffusion_green_kubo"] = f.diffusion_green_kubo;
  d["diffusion_green_kubo_error"] = f.diffusion_green_kubo_error;
  d["msd_fit_slope"] = f.msd_fit_slope;
  d["msd_fit_intercept"] = f.msd_fit_intercept;
  d["msd_fit_start"] = f.msd_fit_start;
  d["msd_fit_end"] = f.msd_fit_end;
  d["vacf_zero"] = f.vacf_zero;
  d["vacf_minimum"] = f.vacf_minimum;
  d["vacf_minimum_time"] = f.vacf_minimum_time;
  d["alpha2_peak"] = f.alpha2_peak;
  d["alpha2_peak_time"] = f.alpha2_peak_time;
  d["spectrum_peak_frequency"] = f.spectrum_peak_frequency;
  d["spectrum_peak_density"] = f.spectrum_peak_density;
  return d;
}

// The values are checked on the Python side; these are the driver's own options.
py::tuple run_job(const std::string& folder, std::int64_t push_off, std::int64_t equilibration,
                  std::int64_t production, std::int64_t thermo_every, std::int64_t xyz_every, bool quiet) {
  md::Options options;
  options.push_off_steps = push_off;
  options.equilibration_steps = equilibration;
  options.production_steps = production;
  options.thermo_every = thermo_every;
  options.xyz_every = xyz_every;
  options.quiet = quiet;
  ChildSettings settings;
  settings.folder = folder;
  settings.forward_stderr = !quiet;
  SharedFigures figures;
  md::JobFigures* shared = figures.get();
  const ChildOutcome outcome = run_in_child([&] { return md::run_job(options, shared); }, settings);
  py::object numbers = outcome.status == md::exit_ok ? py::object(figures_dict(*shared)) : py::none();
  return py::make_tuple(outcome.status, text(outcome.out), text(outcome.err), numbers);
}

py::tuple write_start(const std::string& folder) {
  ChildSettings settings;
  settings.folder = folder;
  return outcome_tuple(run_in_child([] { return initial::generate_configuration(); }, settings));
}

}  // namespace

}  // namespace pelzak::python

PYBIND11_MODULE(_job, m) {
  using namespace pelzak::python;
  m.doc() = "pelzak_md's job and pelzak_initial's start in a child process (use pelzak.run, pelzak.initial)";
  m.def("run_job", &run_job, py::arg("folder"), py::arg("push_off"), py::arg("equilibration"),
        py::arg("production"), py::arg("thermo_every"), py::arg("xyz_every"), py::arg("quiet"));
  m.def("write_start", &write_start, py::arg("folder"));
  m.attr("max_steps") = pelzak::md::max_steps;
  m.attr("bins") = pelzak::model::bins;
  const pelzak::md::Options defaults;
  py::dict d;
  d["push_off"] = defaults.push_off_steps;
  d["equilibration"] = defaults.equilibration_steps;
  d["production"] = defaults.production_steps;
  d["thermo_every"] = defaults.thermo_every;
  d["xyz_every"] = defaults.xyz_every;
  m.attr("defaults") = d;
  py::dict files;
  files["start"] = "ar_simulation.dat";
  files["rdf"] = pelzak::formats::rdf_file;
  files["thermo"] = pelzak::formats::thermo_file;
  files["plot"] = pelzak::formats::rdf_plot_file;
  files["trajectory"] = pelzak::formats::trajectory_file;
  files["msd"] = pelzak::formats::msd_file;
  files["vacf"] = pelzak::formats::vacf_file;
  files["spectrum"] = pelzak::formats::spectrum_file;
  files["dynamics_plot"] = pelzak::formats::dynamics_plot_file;
  m.attr("files") = files;
}

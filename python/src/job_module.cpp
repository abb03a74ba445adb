// pelzak._job: pelzak_md's job and pelzak_initial's start, run from Python.
//
// Both are functions that return an exit status, but the library they call ends the process when a
// file cannot be read or written (exit(2) on a malformed start or a g(r) it cannot write). So each
// runs in a forked child in the folder it is given (child_process.hpp), called there exactly as the
// programs call it; the job's own handlers for SIGINT, SIGTERM and SIGHUP stop it between two steps.
// The parent waits with the GIL released and returns the exit status with the child's stdout and
// stderr, and for a job that succeeded the few figures "summary_argon.json" leaves out, which the
// child writes into memory it shares with the parent; the Python side (pelzak/_run.py) raises on
// failure and reads the result files, the summary's figures from that JSON file.
//
// This module links its own copy of the library, apart from pelzak._routines; the job keeps its g(r)
// file in its staging folder, apart from the "rdf_argon.dat" that radial_dist calls may hold open.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

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

// The figures of the job that "summary_argon.json" (which pelzak.RunFigures reads) leaves out: the
// MSD's fitted line and the spectrum's peak height, named as that file names its figures.
py::dict fit_figures(const md::JobFigures& f) {
  py::dict d;
  d["msd_fit_slope_nm2_per_ps"] = f.msd_fit_slope;
  d["msd_fit_intercept_nm2"] = f.msd_fit_intercept;
  d["msd_fit_start_ps"] = f.msd_fit_start;
  d["msd_fit_end_ps"] = f.msd_fit_end;
  d["spectrum_peak_density_per_THz"] = f.spectrum_peak_density;
  return d;
}

// What pelzak_md would say is wrong with these arguments, or an empty string: pelzak.run asks before
// it makes the run folder.
std::string check_arguments(const std::vector<std::string>& arguments) {
  md::Options options;
  return md::options_from_arguments(arguments, &options);
}

// arguments: pelzak_md's, which pelzak.run makes from its keywords. They are checked here, before
// anything runs, by the driver's own command-line rules, so a bad value gets pelzak_md's message
// and status (64) without a child.
py::tuple run_job(const std::string& folder, const std::vector<std::string>& arguments) {
  md::Options options;
  const std::string problem = md::options_from_arguments(arguments, &options);
  if (!problem.empty()) return py::make_tuple(md::exit_usage, py::str(""), text(problem), py::none());
  ChildSettings settings;
  settings.folder = folder;
  settings.forward_stderr = !options.quiet;
  SharedFigures figures;
  md::JobFigures* shared = figures.get();
  const ChildOutcome outcome = run_in_child([&] { return md::run_job(options, shared); }, settings);
  py::object numbers = outcome.status == md::exit_ok ? py::object(fit_figures(*shared)) : py::none();
  return py::make_tuple(outcome.status, text(outcome.out), text(outcome.err), numbers);
}

py::tuple write_start(const std::string& folder, std::uint32_t seed) {
  ChildSettings settings;
  settings.folder = folder;
  return outcome_tuple(run_in_child([seed] { return initial::generate_configuration(seed); }, settings));
}

}  // namespace

}  // namespace pelzak::python

PYBIND11_MODULE(_job, m) {
  using namespace pelzak::python;
  m.doc() = "pelzak_md's job and pelzak_initial's start in a child process (use pelzak.run, pelzak.initial)";
  m.def("check_arguments", &check_arguments, py::arg("arguments"));
  m.def("run_job", &run_job, py::arg("folder"), py::arg("arguments"));
  m.def("write_start", &write_start, py::arg("folder"), py::arg("seed"));
  m.attr("default_seed") = pelzak::initial::default_seed;
  m.attr("exit_usage") = pelzak::md::exit_usage;
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
  files["summary"] = pelzak::formats::summary_file;
  files["rdf"] = pelzak::formats::rdf_file;
  files["thermo"] = pelzak::formats::thermo_file;
  files["plot"] = pelzak::formats::rdf_plot_file;
  files["trajectory"] = pelzak::formats::trajectory_file;
  files["msd"] = pelzak::formats::msd_file;
  files["vacf"] = pelzak::formats::vacf_file;
  files["spectrum"] = pelzak::formats::spectrum_file;
  files["dynamics_plot"] = pelzak::formats::dynamics_plot_file;
  files["vanhove"] = pelzak::formats::vanhove_file;
  files["fsk"] = pelzak::formats::fsk_file;
  files["sk"] = pelzak::formats::sk_file;
  files["scattering_plot"] = pelzak::formats::scattering_plot_file;
  m.attr("files") = files;
}

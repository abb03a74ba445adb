// pelzak._job: pelzak_md's job and pelzak_initial's start, run from Python.
//
// Both are functions that return an exit status, but the library they call ends the process when a
// file cannot be read or written (exit(2) on a malformed start or a g(r) it cannot write). So each
// runs in a forked child in the folder it is given (child_process.hpp), called there exactly as the
// programs call it; the job's own handlers for SIGINT, SIGTERM and SIGHUP stop it between two steps.
// The parent waits with the GIL released and returns the exit status with the child's stdout and
// stderr; the Python side (pelzak/_run.py) raises on failure and reads the result files.
//
// This module links its own copy of the library, apart from pelzak._routines: a run never sees the
// "rdf_argon.dat" that radial_dist calls in the parent may hold open.
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

#include "child_process.hpp"
#include "generate.hpp"
#include "job.hpp"
#include "options.hpp"
#include "pelzak_model.h"
#include "result_files.hpp"

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
  return outcome_tuple(run_in_child([&] { return md::run_job(options); }, settings));
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
  m.attr("max_steps") = pelzak::md::kMaxSteps;
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
  files["rdf"] = pelzak::md::kRdfFile;
  files["thermo"] = pelzak::md::kThermoFile;
  files["plot"] = pelzak::md::kPlotFile;
  files["trajectory"] = pelzak::md::kTrajectoryFile;
  m.attr("files") = files;
}

// pelzak._job: pelzak_md's job and pelzak_initial's start, run from Python.
//
// The job runs in this process, with the GIL released: it returns a status for every failure and
// never ends the process, works from the run folder given (pelzak/driver/job.hpp's JobPlace), and
// writes its summary and its messages to streams kept here. Python's signal handlers stay in place
// while it runs: about every 100 ms the job asks the interpreter to run those of signals that came
// (PyErr_CheckSignals, which does so in the main thread only), and a handler that raises (Ctrl-C's
// KeyboardInterrupt) stops the run between two steps and its exception is raised here. The job's
// own handlers of SIGINT, SIGTERM and SIGHUP would replace the interpreter's process-wide for the
// run, and two runs in two threads would put back each other's.
//
// The generator runs in a forked child in the folder (child_process.hpp): it draws from one
// process-wide random stream, writes into the working directory, and ends its process when memory
// runs out, as pelzak_initial does.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "pelzak/driver/job.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/generator/generate.hpp"
#include "pelzak_model.h"

namespace pelzak::python {

namespace {

// How often a running job lets the interpreter handle the signals that came.
constexpr auto signal_check_interval = std::chrono::milliseconds(100);

py::str text(const std::string& bytes) {
  PyObject* s = PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace");
  if (!s) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(s);
}

// The job's error stream: kept for the exception's message and, when asked, copied to sys.stderr
// line by line as it comes (the job writes it with the GIL released).
struct ErrorText {
  std::string text;
  bool forward = false;
};

ssize_t write_error_text(void* cookie, const char* bytes, std::size_t size) {
  auto* e = static_cast<ErrorText*>(cookie);
  e->text.append(bytes, size);
  if (e->forward) {
    py::gil_scoped_acquire gil;
    try {
      py::object stream = py::module_::import("sys").attr("stderr");
      if (!stream.is_none()) {
        stream.attr("write")(text(std::string(bytes, size)));
        stream.attr("flush")();
      }
    } catch (py::error_already_set&) {
      // A sys.stderr that cannot be written loses the progress, not the run.
    }
  }
  return static_cast<ssize_t>(size);
}

// The job's interrupt check: lets the interpreter run its signal handlers every
// signal_check_interval; the first exception one raises stops the run and is kept to be raised
// again when the job has returned.
class PythonSignals {
 public:
  int operator()() {
    const auto now = std::chrono::steady_clock::now();
    if (stopped_ != 0 || now < next_) return stopped_;
    next_ = now + signal_check_interval;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
      PyErr_Fetch(&type_, &value_, &trace_);
      stopped_ = SIGINT;  // what the run reports: the handler's exception says the rest
    }
    return stopped_;
  }
  // With the GIL held: raises the kept exception, if any.
  void raise_kept() {
    if (stopped_ == 0) return;
    PyErr_Restore(type_, value_, trace_);
    throw py::error_already_set();
  }

 private:
  std::chrono::steady_clock::time_point next_{};
  int stopped_ = 0;
  PyObject *type_ = nullptr, *value_ = nullptr, *trace_ = nullptr;
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

// arguments: pelzak_md's, which pelzak.run makes from its keywords, checked by the driver's own
// command-line rules, so a bad value gets pelzak_md's message and status (64). Returns the exit
// status, the summary, the messages, and for a job that succeeded its figures.
py::tuple run_job(const std::string& folder, const std::vector<std::string>& arguments) {
  md::Options options;
  const std::string problem = md::options_from_arguments(arguments, &options);
  if (!problem.empty()) return py::make_tuple(md::exit_usage, py::str(""), text(problem), py::none());
  char* summary = nullptr;
  std::size_t summary_size = 0;
  ErrorText messages;
  messages.forward = !options.quiet;
  md::JobPlace place;
  place.folder = folder;
  place.out = open_memstream(&summary, &summary_size);
  place.err = fopencookie(&messages, "w", cookie_io_functions_t{nullptr, write_error_text, nullptr, nullptr});
  if (!place.out || !place.err) {
    if (place.out) std::fclose(place.out);
    if (place.err) std::fclose(place.err);
    std::free(summary);
    throw std::bad_alloc();
  }
  std::setvbuf(place.err, nullptr, _IOLBF, 0);
  PythonSignals signals;
  place.interrupt = [&signals] { return signals(); };
  md::JobFigures figures{};
  int status = internal_error;
  {
    py::gil_scoped_release release;
    try {
      status = md::run_job(options, &figures, place);
    } catch (const std::exception& e) {
      std::fprintf(place.err, "pelzak_md: internal error: %s\n", e.what());
    }
    std::fclose(place.err);
  }
  std::fclose(place.out);
  const std::string out(summary, summary_size);
  std::free(summary);
  signals.raise_kept();
  py::object numbers = status == md::exit_ok ? py::object(fit_figures(figures)) : py::none();
  return py::make_tuple(status, text(out), text(messages.text), numbers);
}

py::tuple write_start(const std::string& folder, std::uint32_t seed) {
  ChildSettings settings;
  settings.folder = folder;
  const ChildOutcome outcome =
      run_in_child([seed] { return initial::generate_configuration(seed); }, settings);
  return py::make_tuple(outcome.status, text(outcome.out), text(outcome.err));
}

}  // namespace

}  // namespace pelzak::python

PYBIND11_MODULE(_job, m) {
  using namespace pelzak::python;
  m.doc() =
      "pelzak_md's job in this process, pelzak_initial's start in a child (use pelzak.run, pelzak.initial)";
  m.def("check_arguments", &check_arguments, py::arg("arguments"));
  m.def("run_job", &run_job, py::arg("folder"), py::arg("arguments"));
  m.def("write_start", &write_start, py::arg("folder"), py::arg("seed"));
  m.attr("default_seed") = pelzak::initial::default_seed;
  m.attr("exit_usage") = pelzak::md::exit_usage;
  m.attr("max_steps") = pelzak::engine::max_steps;
  m.attr("option_names") = pelzak::md::option_names();
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
  files["start"] = pelzak::formats::start_file;
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

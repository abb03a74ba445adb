// pelzak._routines: the library's four routines over numpy arrays, and the model's numbers.
//
// Arrays are checked, copied into the library's layout (arrays.hpp), handed to the very routines a
// C or Fortran driver links, and the results copied back: every number is the library's, bit for
// bit. The GIL is released while a routine computes; the routines keep no state but the open
// "rdf_argon.dat", and radial_dist calls are serialised around it.
//
// Nothing here may end the process: read_file and radial_dist use the library's status-returning
// cores (the configuration reader, radial_dist_core) and raise instead.
#include <fcntl.h>
#include <pybind11/pybind11.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "arrays.hpp"
#include "pelzak/auxiliary/radial_dist_core.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak_aux.h"
#include "pelzak_model.h"

namespace pelzak::python {

namespace {

// An OSError of the class that errno selects (FileNotFoundError, PermissionError, ...) with the
// library's wording as its text.
[[noreturn]] void raise_os_error(int err, const std::string& text) {
  PyErr_SetObject(PyExc_OSError, py::make_tuple(err, text).ptr());
  throw py::error_already_set();
}

// The reader's diagnostics name the file "ar_simulation.dat"; name the one actually read.
std::string naming(std::string text, const std::string& shown_name) {
  const std::string library_name = std::string("\"") + formats::start_file + "\"";
  if (text.compare(0, library_name.size(), library_name) == 0)
    text.replace(0, library_name.size(), "\"" + shown_name + "\"");
  return text;
}

py::tuple read_file(py::object path) {
  py::module_ os = py::module_::import("os");
  const std::string name = py::bytes(os.attr("fsencode")(path));
  const std::string shown = py::str(os.attr("fsdecode")(path));
  if (name.find('\0') != std::string::npos)
    throw py::value_error("read_file: embedded null byte in the path");

  std::vector<double> positions(model::config_size, 0.0), velocities(model::config_size, 0.0);
  formats::ReadDiagnostic diagnostic{};
  formats::ReadStatus status = formats::ReadStatus::ok;
  int err = 0;
  {
    py::gil_scoped_release release;
    // Unlike the library's read_file, a missing file is not created: reading leaves no trace.
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      err = errno;
    } else {
      status = formats::read_configuration(fd, positions.data(), velocities.data(), &diagnostic);
      if (status == formats::ReadStatus::read_error) err = errno;
      close(fd);
    }
  }
  if (err != 0 && status == formats::ReadStatus::ok)
    raise_os_error(err, "\"" + shown + "\": cannot open: " + std::strerror(err));
  if (status == formats::ReadStatus::read_error) raise_os_error(err, naming(diagnostic.text, shown));
  if (status != formats::ReadStatus::ok) throw py::value_error(naming(diagnostic.text, shown));
  return py::make_tuple(new_config_array(positions), new_config_array(velocities));
}

py::tuple force_atoms(py::handle positions_in, double energy) {
  const py::array positions = checked_array(positions_in, {"positions", true, false, "force_atoms"});
  const std::vector<double> r = config_from_array(positions);
  std::vector<double> forces(model::config_size);
  {
    py::gil_scoped_release release;
    auxiliary_force_atoms(r.data(), forces.data(), &energy);
  }
  return py::make_tuple(new_config_array(forces), energy);
}

py::tuple leapfrog(py::handle positions_in, py::handle velocities_in, py::handle driving_in) {
  const py::array positions = checked_array(positions_in, {"positions", true, true, "leapfrog"});
  const py::array velocities = checked_array(velocities_in, {"velocities", true, true, "leapfrog"});
  const py::array driving = checked_array(driving_in, {"driving", true, false, "leapfrog"});
  refuse_shared_memory(positions, "positions", velocities, "velocities", "leapfrog");
  refuse_shared_memory(positions, "positions", driving, "driving", "leapfrog");
  refuse_shared_memory(velocities, "velocities", driving, "driving", "leapfrog");
  std::vector<double> r = config_from_array(positions);
  std::vector<double> v = config_from_array(velocities);
  const std::vector<double> a = config_from_array(driving);
  double kinetic = 0.0, temperature = 0.0;
  {
    py::gil_scoped_release release;
    auxiliary_leapfrog(r.data(), v.data(), a.data(), &kinetic, &temperature);
  }
  config_to_array(r, positions);
  config_to_array(v, velocities);
  return py::make_tuple(kinetic, temperature);
}

// The g(r) file of radial_dist: the library's sampler with an output of this module's own, so that
// a failure raises instead of ending the process. Like the library's, it stays open from step 1 on,
// and the calls are serialised around it.
std::mutex rdf_mutex;
aux::RdfOutput rdf_output = {AT_FDCWD, pelzak::formats::rdf_file, -1};

void radial_dist(std::int64_t step, py::handle positions_in, py::handle histogram_in) {
  const py::array positions = checked_array(positions_in, {"positions", true, false, "radial_dist"});
  const py::array histogram = checked_array(histogram_in, {"histogram", false, true, "radial_dist"});
  refuse_shared_memory(histogram, "histogram", positions, "positions", "radial_dist");
  const std::vector<double> r = config_from_array(positions);
  std::vector<double> h = histogram_from_array(histogram);
  aux::RdfStatus status;
  aux::RdfDiagnostic diagnostic;
  {
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> lock(rdf_mutex);
    status = aux::radial_dist_core(step, r.data(), h.data(), &rdf_output, &diagnostic);
  }
  // A table that cannot be written leaves the file as it was before it; the histogram is kept.
  if (status == aux::RdfStatus::cannot_write) {
    PyErr_SetString(PyExc_OSError, diagnostic.text);
    throw py::error_already_set();
  }
  if (status != aux::RdfStatus::ok) raise_os_error(diagnostic.error, diagnostic.text);
  histogram_to_array(h, histogram);
}

void add_model(py::module_& m) {
  py::module_ c = m.def_submodule("_model", "The numbers of pelzak_model.h");
  c.attr("atoms") = model::atoms;
  c.attr("bins") = model::bins;
  c.attr("box") = model::box;
  c.attr("sigma") = model::sigma;
  c.attr("cutoff") = model::cutoff;
  c.attr("cutoff_sq") = model::cutoff_sq;
  c.attr("four_eps") = model::four_eps;
  c.attr("epsilon") = model::epsilon;
  c.attr("force_factor") = model::force_factor;
  c.attr("mass") = model::mass;
  c.attr("boltzmann") = model::boltzmann;
  c.attr("kinetic_factor") = model::kinetic_factor;
  c.attr("temperature_divisor") = model::temperature_divisor;
  c.attr("accel_per_newton") = model::accel_per_newton;
  c.attr("target_temperature") = model::target_temperature;
  c.attr("dt") = model::dt;
  c.attr("dt_sq") = model::dt_sq;
  c.attr("two_dt") = model::two_dt;
  c.attr("density") = model::density;
  c.attr("bin_width") = model::bin_width;
  c.attr("pi") = model::pi;
  c.attr("four_thirds") = model::four_thirds;
  c.attr("sample_every") = model::sample_every;
  c.attr("output_step") = model::output_step;
  c.attr("samples") = model::samples;
}

}  // namespace

}  // namespace pelzak::python

PYBIND11_MODULE(_routines, m) {
  using namespace pelzak::python;
  m.doc() = "The library pelzak_aux over numpy arrays (use the package pelzak)";
  // pelzak/routines.py wraps these, checking the scalar arguments by name, and documents them.
  m.def("read_file", &read_file, py::arg("path"));
  m.def("force_atoms", &force_atoms, py::arg("positions"), py::arg("energy"));
  m.def("leapfrog", &leapfrog, py::arg("positions"), py::arg("velocities"), py::arg("driving"));
  m.def("radial_dist", &radial_dist, py::arg("step"), py::arg("positions"), py::arg("histogram"));
  add_model(m);
}

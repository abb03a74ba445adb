// pelzak._routines: the library's four routines over numpy arrays, and the model's numbers.
//
// Arrays are checked, copied into the library's layout (arrays.hpp), handed to the very routines a
// C or Fortran driver links, and the results copied back: every number is the library's, bit for
// bit. The GIL is released while a routine computes; the routines keep no state but the open
// "rdf_argon.dat", and radial_dist calls are serialised around it.
//
// Nothing here may end the process. read_file uses the reader's status-returning core and raises
// instead. radial_dist would end the process when "rdf_argon.dat" cannot be opened or written: the
// opening is tried first, here, and raises; the writing at step 1000 is done in a forked child
// (child_process.hpp), which shares the open file, so a full disk costs the child, not Python.
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
#include "child_process.hpp"
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

// What this process knows of the library's "rdf_argon.dat": only these routines call this copy of
// the library (pelzak.run works in a child with a copy of its own), so this mirrors its state.
enum class RdfFile {
  closed,  // no step 1 yet: the next step 1 or 1000 opens it
  open,    // open; step 1000 appends a table
  broken,  // a table could not be written: the file was cut back, but its write position was
           // not; only a step 1 (which empties the file and rewinds) makes it usable again
};
std::mutex rdf_mutex;  // the library's calls must not overlap
RdfFile rdf_file = RdfFile::closed;

// Tries the library's own opening of "rdf_argon.dat" (created if missing, opened for writing) and
// returns errno, 0 if it opens.
int rdf_open_error() {
  const int fd = open(formats::rdf_file, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

void radial_dist(std::int64_t step, py::handle positions_in, py::handle histogram_in) {
  const py::array positions = checked_array(positions_in, {"positions", true, false, "radial_dist"});
  const py::array histogram = checked_array(histogram_in, {"histogram", false, true, "radial_dist"});
  refuse_shared_memory(histogram, "histogram", positions, "positions", "radial_dist");
  const std::vector<double> r = config_from_array(positions);
  std::vector<double> h = histogram_from_array(histogram);

  int open_error = 0;
  bool broken = false;
  ChildOutcome table;
  {
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> lock(rdf_mutex);
    const bool opens = rdf_file == RdfFile::closed && (step == 1 || step == model::output_step);
    if (opens) open_error = rdf_open_error();
    broken = rdf_file == RdfFile::broken && step == model::output_step;
    if (open_error == 0 && !broken) {
      if (step != model::output_step) {
        auxiliary_radial_dist(&step, r.data(), h.data());
        if (step == 1) rdf_file = RdfFile::open;
      } else {
        if (opens) {
          // Step 1000 with no step 1 before it opens the file the way step 1 does and writes the
          // histogram as passed. A step 1 on a scratch histogram does the opening here, in this
          // process, where the library keeps the file.
          std::vector<double> scratch(model::bins);
          const std::int64_t first = 1;
          auxiliary_radial_dist(&first, r.data(), scratch.data());
          rdf_file = RdfFile::open;
        }
        // Step 1000 takes no sample; it only writes, and a write that fails ends the process.
        py::gil_scoped_acquire acquire;
        ChildSettings settings;
        settings.close_other_files = false;  // the child writes through the library's descriptor
        rdf_file = RdfFile::broken;          // until the table is known to be whole (Ctrl-C may cut it short)
        table = run_in_child(
            [&] {
              auxiliary_radial_dist(&step, r.data(), h.data());
              return 0;
            },
            settings);
        if (table.status == 0) rdf_file = RdfFile::open;
      }
    }
  }
  if (open_error != 0)
    raise_os_error(open_error, std::string("\"") + formats::rdf_file +
                                   "\": cannot open for writing: " + std::strerror(open_error));
  if (broken)
    throw py::value_error(std::string("radial_dist: the last g(r) table could not be written to \"") +
                          formats::rdf_file + "\"; start again with step 1, which empties the file");
  if (table.status != 0) {
    std::string text = table.err;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.rfind("pelzak_aux: ", 0) == 0) text.erase(0, 12);
    if (text.empty()) text = "\"" + std::string(formats::rdf_file) + "\": cannot write g(r)";
    PyErr_SetString(PyExc_OSError, text.c_str());
    throw py::error_already_set();
  }
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
  m.def("read_file", &read_file, py::arg("path") = pelzak::formats::start_file,
        R"(read_file(path="ar_simulation.dat") -> (positions, velocities)

Reads a start file (fixed columns, as pelzak_initial writes it) with the library's reader.
Returns two new float64 arrays of shape (864, 3): positions in nm, velocities in nm/ps.
Raises OSError when the file cannot be opened or read (a missing file is not created) and
ValueError with the reader's diagnostic when it is short or malformed.)");
  m.def("force_atoms", &force_atoms, py::arg("positions"), py::arg("energy") = 0.0,
        R"(force_atoms(positions, energy=0.0) -> (forces, energy)

Lennard-Jones forces on every atom (N, a new (864, 3) array) and 4 eps times (energy + the pair
sum) (J): pass 0 for the potential energy of the positions alone. positions: float64 (864, 3), nm.)");
  m.def("leapfrog", &leapfrog, py::arg("positions"), py::arg("velocities"), py::arg("driving"),
        R"(leapfrog(positions, velocities, driving) -> (kinetic, temperature)

One step of 0.01 ps, updating positions (nm) and velocities (nm/ps) in place: positions gain
dt*v + dt^2*driving, velocities become the mid-step ones rescaled to 94.4 K. Returns the kinetic
energy (J) and temperature (K) before the rescaling. driving is used as it is: pass an
acceleration in nm/ps^2, such as forces * pelzak.model.accel_per_newton. All three are float64
(864, 3); positions and velocities must be writable and must not share memory with each other or
with driving.)");
  m.def("radial_dist", &radial_dist, py::arg("step"), py::arg("positions"), py::arg("histogram"),
        R"(radial_dist(step, positions, histogram) -> None

The g(r) sampler: step 1 opens "rdf_argon.dat" in the current folder and clears the histogram,
steps 1, 21, 41, ... add the pair distances of positions to it, step 1000 writes the normalised
g(r) (200 lines). histogram: writable float64 (200,), kept between calls. Raises OSError when
"rdf_argon.dat" cannot be opened or written, instead of ending the process.)");
  add_model(m);
}

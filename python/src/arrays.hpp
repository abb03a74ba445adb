// numpy arrays in and out of the library's layouts.
//
// The library holds a configuration as 864 x 3 doubles stored axis by axis (all x, then all y, then
// all z); numpy users hold one row per atom, shape (864, 3), in whatever memory order their array
// has: C order, Fortran order, or a strided view into a bigger array. Every array is copied
// element by element through its own strides into a private buffer in the library's layout, and
// results go back the same way, so the memory order never changes a value and the library never
// sees the caller's memory. Copying is exact: a double is moved, never converted.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <vector>

namespace pelzak::python {

namespace py = pybind11;

// What the checks expect of an array argument.
struct ArrayArgument {
  const char* name;     // argument name, for the messages
  bool is_config;       // (864, 3) configuration, else a (200,) histogram
  bool written;         // the call updates it in place
  const char* routine;  // for the messages
};

// Returns `object` as a numpy array if it is one of float64 (native byte order) with the expected
// shape, and writable when the call writes it. Raises TypeError for anything that is not a numpy
// array or holds another dtype, ValueError for a wrong shape or a read-only array that the call
// would write.
py::array checked_array(py::handle object, const ArrayArgument& arg);

// Raises ValueError if an array the call writes shares memory with another argument: the result
// would depend on the order in which the values are written back.
void refuse_shared_memory(const py::array& written, const char* written_name, const py::array& other,
                          const char* other_name, const char* routine);

// A configuration in the library's layout: element (atom i, axis k) at k * 864 + i.
std::vector<double> config_from_array(const py::array& a);
void config_to_array(const std::vector<double>& config, py::array a);
// A new (864, 3) C-ordered array holding the configuration.
py::array_t<double> new_config_array(const std::vector<double>& config);

// A histogram: bin b at b.
std::vector<double> histogram_from_array(const py::array& a);
void histogram_to_array(const std::vector<double>& histogram, py::array a);

}  // namespace pelzak::python

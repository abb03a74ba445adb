#include "arrays.hpp"

#include <cstdint>
#include <cstring>
#include <string>

#include "pelzak_model.h"

namespace pelzak::python {

namespace {

std::string shape_text(const py::array& a) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < a.ndim(); ++d) {
    if (d > 0) text += ", ";
    text += std::to_string(a.shape(d));
  }
  return text + (a.ndim() == 1 ? ",)" : ")");
}

const char* expected_shape(const ArrayArgument& arg) {
  return arg.is_config ? "(864, 3), one row per atom holding x, y, z" : "(200,), one value per bin";
}

// Where the elements of an array lie: element (i, k), or element i of a one-dimensional array, is
// offset(i, k) bytes from the array's data. The strides are the array's own (negative, zero or not a
// multiple of 8 as they may be); memcpy moves each double whatever its alignment.
struct Strides {
  py::ssize_t row;
  py::ssize_t column;
  py::ssize_t offset(py::ssize_t i, py::ssize_t k) const { return i * row + k * column; }
};

Strides strides_of(const py::array& a) { return {a.strides(0), a.ndim() == 2 ? a.strides(1) : 0}; }

// The bytes from the array's lowest element to the end of its highest, as addresses.
struct Extent {
  std::uintptr_t first;
  std::uintptr_t end;
};

Extent extent_of(const py::array& a) {
  Extent e{reinterpret_cast<std::uintptr_t>(a.data()), reinterpret_cast<std::uintptr_t>(a.data())};
  for (py::ssize_t d = 0; d < a.ndim(); ++d) {
    const py::ssize_t span = (a.shape(d) - 1) * a.strides(d);
    if (span < 0) e.first -= static_cast<std::uintptr_t>(-span);
    if (span > 0) e.end += static_cast<std::uintptr_t>(span);
  }
  e.end += static_cast<std::uintptr_t>(a.itemsize());
  return e;
}

}  // namespace

py::array checked_array(py::handle object, const ArrayArgument& arg) {
  if (!py::isinstance<py::array>(object)) {
    throw py::type_error(std::string(arg.routine) + ": " + arg.name +
                         " must be a numpy.ndarray of float64 with shape " + expected_shape(arg) + ", not " +
                         std::string(py::str(py::type::handle_of(object).attr("__name__"))));
  }
  py::array a = py::reinterpret_borrow<py::array>(object);
  if (!a.dtype().equal(py::dtype::of<double>())) {
    throw py::type_error(std::string(arg.routine) + ": " + arg.name +
                         " must hold float64 values in the machine's byte order, not " +
                         std::string(py::str(a.dtype().attr("str"))) + " (" +
                         std::string(py::str(a.dtype())) + "); convert it with numpy.asarray(" + arg.name +
                         ", dtype=numpy.float64)" + (arg.written ? " and pass the converted array" : ""));
  }
  const bool shape_ok = arg.is_config ? a.ndim() == 2 && a.shape(0) == model::atoms && a.shape(1) == 3
                                      : a.ndim() == 1 && a.shape(0) == model::bins;
  if (!shape_ok) {
    throw py::value_error(std::string(arg.routine) + ": " + arg.name + " must have shape " +
                          expected_shape(arg) + ", not " + shape_text(a));
  }
  if (arg.written && !a.writeable()) {
    throw py::value_error(std::string(arg.routine) + ": " + arg.name + " is read-only, but " + arg.routine +
                          " updates it in place");
  }
  return a;
}

void refuse_shared_memory(const py::array& written, const char* written_name, const py::array& other,
                          const char* other_name, const char* routine) {
  // Arrays whose extents lie apart share nothing; the exact answer (numpy's) is needed only when
  // they interleave, as views of the columns of one array do.
  const Extent a = extent_of(written), b = extent_of(other);
  if (a.end <= b.first || b.end <= a.first) return;
  const bool shared = py::module_::import("numpy").attr("shares_memory")(written, other).cast<bool>();
  if (shared) {
    throw py::value_error(std::string(routine) + ": " + written_name + " and " + other_name +
                          " share memory; " + routine + " writes " + written_name +
                          ", so pass separate arrays");
  }
}

std::vector<double> config_from_array(const py::array& a) {
  std::vector<double> config(model::config_size);
  const char* data = static_cast<const char*>(a.data());
  const Strides s = strides_of(a);
  for (py::ssize_t k = 0; k < 3; ++k)
    for (py::ssize_t i = 0; i < model::atoms; ++i)
      std::memcpy(&config[k * model::atoms + i], data + s.offset(i, k), sizeof(double));
  return config;
}

void config_to_array(const std::vector<double>& config, py::array a) {
  char* data = static_cast<char*>(a.mutable_data());
  const Strides s = strides_of(a);
  for (py::ssize_t k = 0; k < 3; ++k)
    for (py::ssize_t i = 0; i < model::atoms; ++i)
      std::memcpy(data + s.offset(i, k), &config[k * model::atoms + i], sizeof(double));
}

py::array_t<double> new_config_array(const std::vector<double>& config) {
  py::array_t<double> a({py::ssize_t{model::atoms}, py::ssize_t{3}});
  config_to_array(config, a);
  return a;
}

std::vector<double> histogram_from_array(const py::array& a) {
  std::vector<double> histogram(model::bins);
  const char* data = static_cast<const char*>(a.data());
  const Strides s = strides_of(a);
  for (py::ssize_t b = 0; b < model::bins; ++b)
    std::memcpy(&histogram[b], data + s.offset(b, 0), sizeof(double));
  return histogram;
}

void histogram_to_array(const std::vector<double>& histogram, py::array a) {
  char* data = static_cast<char*>(a.mutable_data());
  const Strides s = strides_of(a);
  for (py::ssize_t b = 0; b < model::bins; ++b)
    std::memcpy(data + s.offset(b, 0), &histogram[b], sizeof(double));
}

}  // namespace pelzak::python

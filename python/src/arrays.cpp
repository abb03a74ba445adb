#include "arrays.hpp"

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

const char* expected_shape(const ArraySpec& spec) {
  return spec.is_config ? "(864, 3), one row per atom holding x, y, z" : "(200,), one value per bin";
}

// Byte offset of element (i, k), or of element i of a one-dimensional array. Offsets come from the
// array's own strides (negative, zero or not a multiple of 8 as they may be); memcpy reads and
// writes the elements whatever their alignment.
py::ssize_t offset(const py::array& a, py::ssize_t i, py::ssize_t k) {
  return i * a.strides(0) + (a.ndim() == 2 ? k * a.strides(1) : 0);
}

const char* source(const py::array& a, py::ssize_t i, py::ssize_t k) {
  return static_cast<const char*>(a.data()) + offset(a, i, k);
}

char* target(py::array a, py::ssize_t i, py::ssize_t k) {
  return static_cast<char*>(a.mutable_data()) + offset(a, i, k);
}

}  // namespace

py::array checked_array(py::handle object, const ArraySpec& spec) {
  if (!py::isinstance<py::array>(object)) {
    throw py::type_error(std::string(spec.routine) + ": " + spec.name +
                         " must be a numpy.ndarray of float64 with shape " + expected_shape(spec) + ", not " +
                         std::string(py::str(py::type::handle_of(object).attr("__name__"))));
  }
  py::array a = py::reinterpret_borrow<py::array>(object);
  if (!a.dtype().equal(py::dtype::of<double>())) {
    throw py::type_error(std::string(spec.routine) + ": " + spec.name +
                         " must hold float64 values in the machine's byte order, not " +
                         std::string(py::str(a.dtype().attr("str"))) + " (" +
                         std::string(py::str(a.dtype())) + "); convert it with numpy.asarray(" + spec.name +
                         ", dtype=numpy.float64)" + (spec.written ? " and pass the converted array" : ""));
  }
  const bool shape_ok = spec.is_config ? a.ndim() == 2 && a.shape(0) == model::atoms && a.shape(1) == 3
                                       : a.ndim() == 1 && a.shape(0) == model::bins;
  if (!shape_ok) {
    throw py::value_error(std::string(spec.routine) + ": " + spec.name + " must have shape " +
                          expected_shape(spec) + ", not " + shape_text(a));
  }
  if (spec.written && !a.writeable()) {
    throw py::value_error(std::string(spec.routine) + ": " + spec.name + " is read-only, but " +
                          spec.routine + " updates it in place");
  }
  return a;
}

void refuse_shared_memory(const py::array& written, const char* written_name, const py::array& other,
                          const char* other_name, const char* routine) {
  const bool shared = py::module_::import("numpy").attr("shares_memory")(written, other).cast<bool>();
  if (shared) {
    throw py::value_error(std::string(routine) + ": " + written_name + " and " + other_name +
                          " share memory; " + routine + " writes " + written_name +
                          ", so pass separate arrays");
  }
}

std::vector<double> config_from_array(const py::array& a) {
  std::vector<double> config(model::config_size);
  for (py::ssize_t k = 0; k < 3; ++k)
    for (py::ssize_t i = 0; i < model::atoms; ++i)
      std::memcpy(&config[k * model::atoms + i], source(a, i, k), sizeof(double));
  return config;
}

void config_to_array(const std::vector<double>& config, const py::array& a) {
  for (py::ssize_t k = 0; k < 3; ++k)
    for (py::ssize_t i = 0; i < model::atoms; ++i)
      std::memcpy(target(a, i, k), &config[k * model::atoms + i], sizeof(double));
}

py::array_t<double> new_config_array(const std::vector<double>& config) {
  py::array_t<double> a({py::ssize_t{model::atoms}, py::ssize_t{3}});
  config_to_array(config, a);
  return a;
}

std::vector<double> histogram_from_array(const py::array& a) {
  std::vector<double> histogram(model::bins);
  for (py::ssize_t b = 0; b < model::bins; ++b) std::memcpy(&histogram[b], source(a, b, 0), sizeof(double));
  return histogram;
}

void histogram_to_array(const std::vector<double>& histogram, const py::array& a) {
  for (py::ssize_t b = 0; b < model::bins; ++b) std::memcpy(target(a, b, 0), &histogram[b], sizeof(double));
}

}  // namespace pelzak::python

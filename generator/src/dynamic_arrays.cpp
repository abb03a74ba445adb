#include "dynamic_arrays.hpp"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace pelzak::initial {

namespace {
[[noreturn]] void allocation_failed() {
  std::fputs("pelzak_initial: append: Allocation would exceed memory limit\n", stderr);
  std::exit(EXIT_FAILURE);
}
}  // namespace

void append(DoubleList& list, const double& element) {
  const std::int32_t n = list.data == nullptr || list.size < 0 ? 0 : list.size;
  if (n == std::numeric_limits<std::int32_t>::max()) allocation_failed();
  const std::size_t count = static_cast<std::size_t>(n) + 1;
  if (count > std::numeric_limits<std::size_t>::max() / sizeof(double)) allocation_failed();
  double* dummy = static_cast<double*>(std::malloc(count * sizeof(double)));
  if (dummy == nullptr) allocation_failed();
  for (std::int32_t i = 0; i < n; ++i) dummy[i] = list.data[i];
  dummy[n] = element;  // before the old block goes: `element` may live in it
  std::free(list.data);
  list.data = dummy;
  list.size = n + 1;
}

}  // namespace pelzak::initial

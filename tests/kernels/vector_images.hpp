// The minimum image as the vector kernels compute it, for the test of the image thresholds: a slip
// at a threshold moves a separation from about +L/2 to about -L/2, which no pair result shows (such
// pairs are out of every range), so the images themselves are compared. Each test file that
// includes this is compiled for its instruction set alone (tests/kernels/CMakeLists.txt).
#pragma once

namespace pelzak::kernels_test {

// The separation of n values d from zero along x, y and z at once, as the vector loops' separation
// computes it: 3 n images, x, y, z for each value.
void vector_images_avx2(const double* d, double* image, int n);
void vector_images_avx512(const double* d, double* image, int n);

}  // namespace pelzak::kernels_test

#if defined(PELZAK_VECTOR_IMAGES)
#include "vector/vector_loops.hpp"

namespace pelzak::kernels_test {
namespace {

template <class S>
void vector_images(const double* d, double* image, int n) {
  using V = typename S::Vd;
  for (int k = 0; k < n; k += S::lanes) {
    alignas(64) double in[S::lanes] = {}, x[S::lanes], y[S::lanes], z[S::lanes];
    for (int l = 0; l < S::lanes && k + l < n; ++l) in[l] = d[k + l];
    const V v = S::load(in), zero(0.0);
    const auto s = kernels::vector_kernels::separation<S>(kernels::library_model, v, v, v, zero, zero, zero);
    S::store(x, s.delx);
    S::store(y, s.dely);
    S::store(z, s.delz);
    for (int l = 0; l < S::lanes && k + l < n; ++l) {
      image[3 * (k + l)] = x[l];
      image[3 * (k + l) + 1] = y[l];
      image[3 * (k + l) + 2] = z[l];
    }
  }
}

}  // namespace
}  // namespace pelzak::kernels_test
#endif

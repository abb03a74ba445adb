#define PELZAK_VECTOR_IMAGES
#include "vector/avx2_lanes.hpp"
#include "vector_images.hpp"

void pelzak::kernels_test::vector_images_avx2(const double* d, double* image, int n) {
  vector_images<kernels::Avx2>(d, image, n);
}

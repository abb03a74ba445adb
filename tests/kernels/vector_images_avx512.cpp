#define PELZAK_VECTOR_IMAGES
#include "vector/avx512_lanes.hpp"
#include "vector_images.hpp"

void pelzak::kernels_test::vector_images_avx512(const double* d, double* image, int n) {
  vector_images<kernels::Avx512>(d, image, n);
}

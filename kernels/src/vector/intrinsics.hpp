// The x86 intrinsics, for the files compiled for one vector instruction set.
//
// GCC 12 warns inside its own intrinsic headers that their deliberately undefined source registers
// are used uninitialized (GCC bug 105593); the warning is silenced for them alone.
#pragma once

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

namespace pelzak::kernels {
namespace {  // each file's own copy: the files are compiled for different instruction sets

// Vectors of doubles with the arithmetic the kernels use, one IEEE operation a lane each.
#if defined(__AVX2__)
struct Vd256 {
  __m256d v;
  Vd256() = default;
  Vd256(__m256d value) : v(value) {}
  explicit Vd256(double value) : v(_mm256_set1_pd(value)) {}
  friend Vd256 operator+(Vd256 a, Vd256 b) { return _mm256_add_pd(a.v, b.v); }
  friend Vd256 operator-(Vd256 a, Vd256 b) { return _mm256_sub_pd(a.v, b.v); }
  friend Vd256 operator*(Vd256 a, Vd256 b) { return _mm256_mul_pd(a.v, b.v); }
  friend Vd256 operator/(Vd256 a, Vd256 b) { return _mm256_div_pd(a.v, b.v); }
  friend Vd256 sqrt(Vd256 a) { return _mm256_sqrt_pd(a.v); }
};
#endif

#if defined(__AVX512F__)
struct Vd512 {
  __m512d v;
  Vd512() = default;
  Vd512(__m512d value) : v(value) {}
  explicit Vd512(double value) : v(_mm512_set1_pd(value)) {}
  friend Vd512 operator+(Vd512 a, Vd512 b) { return _mm512_add_pd(a.v, b.v); }
  friend Vd512 operator-(Vd512 a, Vd512 b) { return _mm512_sub_pd(a.v, b.v); }
  friend Vd512 operator*(Vd512 a, Vd512 b) { return _mm512_mul_pd(a.v, b.v); }
  friend Vd512 operator/(Vd512 a, Vd512 b) { return _mm512_div_pd(a.v, b.v); }
  friend Vd512 sqrt(Vd512 a) { return _mm512_sqrt_pd(a.v); }
};
#endif

}  // namespace
}  // namespace pelzak::kernels

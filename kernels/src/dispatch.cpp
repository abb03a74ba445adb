// Choosing the pair kernels at run time, and the g(r) counts turned into histogram additions.
//
// The processor is asked on every call (a few nanoseconds against the tenth of a millisecond a
// pair loop takes), so the library keeps no state for it: no static initialiser, no guard.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "kernel_set.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "pelzak_model.h"

#if defined(PELZAK_X86_KERNELS)
#include <immintrin.h>
#endif

namespace pelzak::kernels {
namespace {

// The fast kernels' thresholds and error bounds are derived for rounding to nearest, the IEEE
// default. A caller that switched the SSE rounding mode (fesetround) gets the reference loops,
// which then round as it asked.
bool rounding_to_nearest() {
#if defined(PELZAK_X86_KERNELS)
  return (_mm_getcsr() & _MM_ROUND_MASK) == _MM_ROUND_NEAREST;
#else
  return true;
#endif
}

Isa best_available() {
  if (isa_available(Isa::avx512)) return Isa::avx512;
  if (isa_available(Isa::avx2)) return Isa::avx2;
  return Isa::scalar;
}

// Every pair adds the same 2.0 to its bin, so a bin's final value depends on how many pairs
// reached it, not on their order: k additions h <- 2.0 + h. While h is a whole number of at
// most 2^53 in magnitude each addition is exact and the result is h + 2k; anything else passed
// in (a fraction, a huge value, infinity, NaN) gets its k additions one by one. A bin no pair
// reached is not touched (it may hold -0.0).
void add_pair_counts(const std::int64_t* counts, double* histogram) {
  constexpr double exact_limit = 9007199254740992.0;  // 2^53
  for (int b = 0; b < model::bins; ++b) {
    const std::int64_t k = counts[b];
    if (k == 0) continue;
    double h = histogram[b];
    const double added = 2.0 * static_cast<double>(k);
    if (h == std::trunc(h) && std::fabs(h) <= exact_limit - added) {
      h = h + added;
    } else {
      for (std::int64_t n = 0; n < k; ++n) h = 2.0 + h;
    }
    histogram[b] = h;
  }
}

}  // namespace

bool isa_available(Isa isa) {
  switch (isa) {
    case Isa::reference:
    case Isa::scalar: return true;
#if defined(PELZAK_X86_KERNELS)
    case Isa::avx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    case Isa::avx512:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("popcnt");
#else
    case Isa::avx2:
    case Isa::avx512: return false;
#endif
  }
  return false;
}

const char* isa_name(Isa isa) {
  switch (isa) {
    case Isa::reference: return "reference";
    case Isa::scalar: return "scalar";
    case Isa::avx2: return "avx2";
    case Isa::avx512: return "avx512";
  }
  return "?";
}

Isa isa_for_this_call() {
  if (!rounding_to_nearest()) return Isa::reference;
  if (const char* wanted = std::getenv("PELZAK_ISA")) {
    constexpr Isa known[] = {Isa::reference, Isa::scalar, Isa::avx2, Isa::avx512};
    for (Isa isa : known) {
      if (std::strcmp(wanted, isa_name(isa)) == 0 && isa_available(isa)) return isa;
    }
  }
  return best_available();
}

void lj_pairs(const double* positions, double* forces, double* lj_sum) {
  switch (isa_for_this_call()) {
    case Isa::reference: return lj_pairs_reference(positions, forces, lj_sum);
#if defined(PELZAK_X86_KERNELS)
    case Isa::avx2: return lj_pairs_avx2(positions, forces, lj_sum);
    case Isa::avx512: return lj_pairs_avx512(positions, forces, lj_sum);
#endif
    default: return lj_pairs_scalar(positions, forces, lj_sum);
  }
}

void rdf_sample(const double* positions, double* histogram) {
  const Isa isa = isa_for_this_call();
  if (isa == Isa::reference) return rdf_sample_reference(positions, histogram);
  std::int64_t counts[model::bins] = {};
  switch (isa) {
#if defined(PELZAK_X86_KERNELS)
    case Isa::avx2: rdf_count_avx2(positions, counts); break;
    case Isa::avx512: rdf_count_avx512(positions, counts); break;
#endif
    default: rdf_count_scalar(positions, counts); break;
  }
  add_pair_counts(counts, histogram);
}

void rdf_sample_on(Isa isa, const PairModel& m, const double* positions, double* histogram,
                   const PairScratch& scratch) {
  if (!isa_available(isa)) isa = Isa::scalar;
  if (isa == Isa::reference) return rdf_sample_reference(m, positions, histogram);
  std::int64_t counts[model::bins] = {};
  switch (isa) {
#if defined(PELZAK_X86_KERNELS)
    case Isa::avx2: rdf_count_avx2(m, positions, counts, scratch); break;
    case Isa::avx512: rdf_count_avx512(m, positions, counts, scratch); break;
#endif
    default: rdf_count_scalar(m, positions, counts, scratch); break;
  }
  add_pair_counts(counts, histogram);
}

}  // namespace pelzak::kernels

// The Lennard-Jones terms of one pair, the arithmetic every force kernel shares.
//
// Pair potential U(r) = 4 eps ((sigma/r)^12 - (sigma/r)^6), cut off at rsq = (2.25 sigma)^2.
// Its force along the separation is F(r) = -dU/dr = 24 eps (2 q^12 - q^6) / r with q = sigma/r.
// With r in nm, 24 eps * 1e9 / r is in newtons, so
//   fpair = (2 q^12 - q^6) * ((1/r) * force_factor)      (N)
// and each axis takes (del_k * fpair) / r. The energy term stays unscaled (q^12 - q^6); the
// caller sums the terms in pair order and multiplies by 4 eps once at the end.
//
// One function for the reference loop (V = double), the portable kernel (double) and the vector
// kernels (V = a vector of doubles with the same operators, one lane per pair): the operations
// and their order are written once, so every kernel rounds exactly as the reference does.
#pragma once

#include <cmath>

#include "pelzak_model.h"

namespace pelzak::kernels {

template <class V>
struct LjTerms {
  V term;        // q^12 - q^6
  V fx, fy, fz;  // force on atom i from atom j, N
};

// The terms of pairs at separation (delx, dely, delz), rsq = delx^2 + dely^2 + delz^2, inside
// the cut-off. q6 and q12 by repeated squaring: q2, q4 = q2^2, q8 = q4^2, q6 = q2 q4, q12 = q4 q8.
template <class V>
[[gnu::always_inline]] inline LjTerms<V> lj_pair_terms(V delx, V dely, V delz, V rsq) {
  using std::sqrt;  // for V = double; a vector type brings its own sqrt, found by argument lookup
  const V r = sqrt(rsq);
  const V q = V(model::sigma) / r;
  const V q2 = q * q;
  const V q4 = q2 * q2;
  const V q8 = q4 * q4;
  const V q6 = q2 * q4;
  const V q12 = q4 * q8;
  const V fpair = (V(2.0) * q12 - q6) * ((V(1.0) / r) * V(model::force_factor));
  return {q12 - q6, (delx * fpair) / r, (dely * fpair) / r, (delz * fpair) / r};
}

// term + energy, the running energy sum's step, as the reference writes it: (q12 - q6) + energy.
// Only NaN payloads could tell operand orders apart: when both are NaN, x86 returns the first
// operand's. GCC puts the pair term first in the reference, and so does this, whatever the
// compiler here would choose. Static: every instruction-set file keeps its own copy.
static inline double add_term(double term, double energy) {
#if defined(__x86_64__) && defined(__AVX__)
  double sum;
  asm("vaddsd %2, %1, %0" : "=x"(sum) : "x"(term), "x"(energy));
  return sum;
#elif defined(__x86_64__)
  asm("addsd %1, %0" : "+x"(term) : "x"(energy));
  return term;
#else
  return term != term ? term : term + energy;
#endif
}

}  // namespace pelzak::kernels

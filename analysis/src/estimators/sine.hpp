// sin and cos of eight values at once by a fixed sequence of IEEE operations, for the atom sums of the
// scattering functions (sin(k r) / (k r) of every displacement for F_s, the phase factors of S(k)).
// Two reasons not to call the C library there: it takes 15-20 ns a call on this machine, which for
// F_s alone would cost more than the step it analyses (these run at 2-3 ns a value, in whatever SIMD
// registers the target has), and its last bits may depend on the processor (glibc picks other code on
// processors with fused multiply-add); these give the same bits everywhere.
//
// Reduction: x = q pi/2 + y, q the whole number nearest x 2/pi and |y| <= pi/4 (plus rounding), with
// pi/2 in three parts (Cody and Waite): the first two hold 33 significant bits each, so q times them is
// exact for |q| < 2^20, and the third takes the sum to 120 bits. sin x is then sin y, cos y, -sin y or
// -cos y for q = 0, 1, 2, 3 mod 4. Polynomials: the Taylor series of sin to y^15 and of cos to y^16 in
// Horner form; the first terms left out, y^17/17! and y^18/18! at y = pi/4, are below 5e-17, under half
// an ulp of the results. Within a couple of ulps of the true values for |x| < 2^20 (the toolkit's k r
// stay below 10^4); beyond, still the same on every machine, but less accurate.
#pragma once

#include <cstring>
#include <limits>

#include "lanes.hpp"

namespace pelzak::analysis {

namespace sine_detail {

inline constexpr double two_over_pi = 0x1.45f306dc9c883p-1;
inline constexpr double half_pi_1 = 0x1.921fb544p+0;        // pi/2 to 33 bits
inline constexpr double half_pi_2 = 0x1.0b4611a6p-34;       // the next 33 bits
inline constexpr double half_pi_3 = 0x1.3198a2e037073p-69;  // the rest, rounded
// Adding 1.5 * 2^52 rounds any |v| < 2^51 to a whole number (ties to even) and leaves that number,
// two's complement, in the low bits of the sum's significand.
inline constexpr double round_shift = 0x1.8p52;

constexpr double inverse_factorial(int n) {
  double f = 1.0;
  for (int i = 2; i <= n; ++i) f *= i;  // exact up to 22! (an odd part below 2^53 times a power of two)
  return 1.0 / f;
}

inline void bits_of(const Lanes& v, LaneBits* b) { std::memcpy(b, &v, sizeof *b); }
inline void lanes_of(const LaneBits& b, Lanes* v) { std::memcpy(v, &b, sizeof *v); }

// Only integer and, or, xor, shifts and negation on the bits below, and no comparisons: without
// SSE4.1 (the baseline x86-64 target) a comparison of 64-bit lanes falls back to one lane at a time.

// *out = a where mask is all ones, b where it is zero.
inline void select(const LaneBits& mask, const Lanes& a, const Lanes& b, Lanes* out) {
  LaneBits ba, bb;
  bits_of(a, &ba);
  bits_of(b, &bb);
  lanes_of((mask & ba) | (~mask & bb), out);
}

// *v with its sign flipped where bit 1 of q is set.
inline void negate_where_bit1(const LaneBits& q, Lanes* v) {
  LaneBits b;
  bits_of(*v, &b);
  lanes_of(b ^ ((q & 2) << 62), v);
}

// |v|.
inline void magnitude(const Lanes& v, Lanes* out) {
  LaneBits b;
  bits_of(v, &b);
  lanes_of(b & std::numeric_limits<long long>::max(), out);
}

}  // namespace sine_detail

// sin x and cos x, x = q pi/2 + y as above.
inline void sine_cosine(const Lanes& x, Lanes* sine, Lanes* cosine) {
  using namespace sine_detail;
  const Lanes shifted = x * two_over_pi + round_shift;
  const Lanes q = shifted - round_shift;
  LaneBits quadrant;
  bits_of(shifted, &quadrant);
  const Lanes y = ((x - q * half_pi_1) - q * half_pi_2) - q * half_pi_3;
  const Lanes z = y * y;
  constexpr double s3 = -inverse_factorial(3), s5 = inverse_factorial(5), s7 = -inverse_factorial(7),
                   s9 = inverse_factorial(9), s11 = -inverse_factorial(11), s13 = inverse_factorial(13),
                   s15 = -inverse_factorial(15);
  constexpr double c4 = inverse_factorial(4), c6 = -inverse_factorial(6), c8 = inverse_factorial(8),
                   c10 = -inverse_factorial(10), c12 = inverse_factorial(12), c14 = -inverse_factorial(14),
                   c16 = inverse_factorial(16);
  const Lanes sin_y = y + (y * z) * (s3 + z * (s5 + z * (s7 + z * (s9 + z * (s11 + z * (s13 + z * s15))))));
  const Lanes cos_y =
      (1.0 - 0.5 * z) + (z * z) * (c4 + z * (c6 + z * (c8 + z * (c10 + z * (c12 + z * (c14 + z * c16))))));
  const LaneBits odd = -(quadrant & 1);  // all ones in the lanes where q is odd
  select(odd, cos_y, sin_y, sine);
  negate_where_bit1(quadrant, sine);
  select(odd, sin_y, cos_y, cosine);
  negate_where_bit1(quadrant + 1, cosine);
}

// sin(x) / x, and 1 at x = 0 (its limit). sin alone needs no choice of polynomial: x = q pi + y with
// |y| <= pi/2 (the same three parts of pi, doubled, which is exact) and sin x / x = (-1)^q (y / x) P(y^2),
// P(y^2) = sin(y) / y the Taylor series to y^20, whose first term left out, (pi/2)^22 / 23!, is about
// 1e-18. With q = 0, y is x itself and y / x = 1; it is formed as (y + t) / (x + t), t = 1 where q = 0 and
// 0 elsewhere (from |q| by arithmetic, exact on whole numbers), so that x = 0 needs no test.
inline void sinc(const Lanes& x, Lanes* out) {
  using namespace sine_detail;
  const Lanes shifted = x * (0.5 * two_over_pi) + round_shift;
  const Lanes q = shifted - round_shift;
  LaneBits half_turns;
  bits_of(shifted, &half_turns);
  const Lanes y = ((x - q * (2.0 * half_pi_1)) - q * (2.0 * half_pi_2)) - q * (2.0 * half_pi_3);
  const Lanes z = y * y;
  constexpr double s3 = -inverse_factorial(3), s5 = inverse_factorial(5), s7 = -inverse_factorial(7),
                   s9 = inverse_factorial(9), s11 = -inverse_factorial(11), s13 = inverse_factorial(13),
                   s15 = -inverse_factorial(15), s17 = inverse_factorial(17), s19 = -inverse_factorial(19),
                   s21 = inverse_factorial(21);
  const Lanes p =
      1.0 +
      z * (s3 +
           z * (s5 +
                z * (s7 + z * (s9 + z * (s11 + z * (s13 + z * (s15 + z * (s17 + z * (s19 + z * s21)))))))));
  Lanes turns, overshoot;
  magnitude(q, &turns);
  magnitude(1.0 - turns, &overshoot);
  const Lanes t = 0.5 * ((1.0 - turns) + overshoot);  // max(0, 1 - |q|)
  *out = p * ((y + t) / (x + t));
  negate_where_bit1(half_turns << 1, out);
}

}  // namespace pelzak::analysis

#include "pelzak/engine/random.hpp"

#include <cmath>
#include <cstring>
#include <locale>
#include <sstream>

namespace pelzak::engine {

namespace {

constexpr double ln2_hi = 6.93147180369123816490e-01;  // ln 2 in two parts: hi has 32 bits,
constexpr double ln2_lo = 1.90821492927058770002e-10;  // so k * ln2_hi is exact for |k| < 2^20

}  // namespace

double fixed_log(double x) {
  // x = 2^e * f with f in [sqrt(1/2), sqrt(2)) (frexp and scaling by 2 are exact); then
  // ln f = 2 atanh(s) = 2 (s + s^3/3 + s^5/5 + ...) with s = (f - 1) / (f + 1), |s| < 0.172, whose
  // terms fall below 1e-17 of the sum by s^21.
  int e = 0;
  double f = std::frexp(x, &e);  // f in [0.5, 1)
  if (f < 0.7071067811865476) {
    f = 2.0 * f;
    e -= 1;
  }
  const double s = (f - 1.0) / (f + 1.0);
  const double s2 = s * s;
  double series = 1.0 / 21.0;
  for (int k = 19; k >= 3; k -= 2) series = 1.0 / k + s2 * series;
  const double ln_f = 2.0 * s + 2.0 * s * s2 * series;
  return e * ln2_hi + (ln_f + e * ln2_lo);
}

double fixed_exp(double x) {
  // x = k ln 2 + r with |r| <= ln2 / 2; e^r by its Taylor series to r^17 (under 1e-18 of the
  // sum), then scaled by 2^k exactly.
  const double k = std::round(x / 0.6931471805599453);
  const double r = (x - k * ln2_hi) - k * ln2_lo;
  double sum = 1.0;
  for (int n = 17; n >= 1; --n) sum = 1.0 + r * sum / n;
  return std::ldexp(sum, static_cast<int>(k));
}

double Random::uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

double Random::normal() {
  if (have_spare_) {
    have_spare_ = false;
    return spare_;
  }
  double u, v, s;
  do {
    u = 2.0 * uniform() - 1.0;
    v = 2.0 * uniform() - 1.0;
    s = u * u + v * v;
  } while (s >= 1.0 || s == 0.0);
  const double factor = std::sqrt(-2.0 * fixed_log(s) / s);
  spare_ = v * factor;
  have_spare_ = true;
  return u * factor;
}

double Random::gamma(double shape) {
  if (shape < 1.0) {
    // gamma(a) = gamma(a + 1) * U^(1/a), U^(1/a) = exp(ln U / a); U = 0 gives 0.
    const double u = uniform();
    const double g = gamma(shape + 1.0);
    return u > 0.0 ? g * fixed_exp(fixed_log(u) / shape) : 0.0;
  }
  const double d = shape - 1.0 / 3.0;
  const double c = 1.0 / std::sqrt(9.0 * d);
  for (;;) {
    double x, v;
    do {
      x = normal();
      v = 1.0 + c * x;
    } while (v <= 0.0);
    v = v * v * v;
    const double u = uniform();
    if (u < 1.0 - 0.0331 * (x * x) * (x * x)) return d * v;
    if (u > 0.0 && fixed_log(u) < 0.5 * x * x + d * (1.0 - v + fixed_log(v))) return d * v;
  }
}

std::string Random::state_text() const {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  std::uint64_t spare_bits = 0;
  std::memcpy(&spare_bits, &spare_, sizeof spare_bits);
  out << engine_ << ' ' << (have_spare_ ? 1 : 0) << ' ' << spare_bits;
  return out.str();
}

bool Random::restore(std::string_view text) {
  std::istringstream in{std::string(text)};
  in.imbue(std::locale::classic());
  std::mt19937_64 engine;
  int have_spare = -1;
  std::uint64_t spare_bits = 0;
  in >> engine >> have_spare >> spare_bits;
  if (in.fail() || !(in >> std::ws).eof() || (have_spare != 0 && have_spare != 1)) return false;
  engine_ = engine;
  have_spare_ = have_spare == 1;
  std::memcpy(&spare_, &spare_bits, sizeof spare_);
  return true;
}

}  // namespace pelzak::engine

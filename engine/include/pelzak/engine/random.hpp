// Random numbers the same on every machine: std::mt19937_64 (its output is fixed by the C++
// standard) turned into uniform, normal and gamma variates with nothing but +, -, *, / and sqrt,
// each correctly rounded, and logarithms and exponentials computed here by fixed polynomials. The
// C library's log, exp and cos are accurate, not exact, and may differ in the last bit between
// versions and machines; a thermostat fed from them would make a run's bytes depend on both.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace pelzak::engine {

// ln x for finite x > 0 and exp x for |x| < 700, each within a few units in the last place, the
// same bits everywhere.
double fixed_log(double x);
double fixed_exp(double x);

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}

  double uniform();  // [0, 1), 53 random bits
  double normal();   // mean 0, variance 1 (Marsaglia's polar method)
  // A gamma variate of shape a > 0 and scale 1 (Marsaglia and Tsang 2000; a < 1 by
  // gamma(a + 1) * U^(1/a)).
  double gamma(double shape);

  // The whole state as text (the generator's state as the standard library writes it, then the
  // spare normal's bits), in any locale, and back: a run continued from a checkpoint draws what the
  // uninterrupted run would have drawn. restore returns false, changing nothing, for text that
  // state_text did not write.
  std::string state_text() const;
  bool restore(std::string_view text);

 private:
  std::mt19937_64 engine_;
  bool have_spare_ = false;
  double spare_ = 0.0;
};

}  // namespace pelzak::engine

// The unit table against the SI: each factor derived here, exactly, from the SI's definitions (the
// prefixes, the defining constants e and N_A, the bar), then rounded once to the nearest double, and
// compared bit for bit with the table. A mistyped digit or exponent in units.hpp cannot pass.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "pelzak/model/units.hpp"
#include "pelzak_model.h"

namespace {

// An exact decimal, digits * 10^exponent.
struct Decimal {
  std::int64_t digits;
  int exponent;
};

Decimal operator*(Decimal a, Decimal b) {
  std::int64_t digits = 0;
  EXPECT_FALSE(__builtin_mul_overflow(a.digits, b.digits, &digits));
  return {digits, a.exponent + b.exponent};
}

// A quotient by a power of ten, the only divisor the derivations need: exact.
Decimal operator/(Decimal a, Decimal power_of_ten) {
  EXPECT_EQ(power_of_ten.digits, 1);
  return {a.digits, a.exponent - power_of_ten.exponent};
}

// The double nearest the exact decimal: std::from_chars rounds correctly.
double nearest(Decimal d) {
  const std::string text = std::to_string(d.digits) + "e" + std::to_string(d.exponent);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
  return value;
}

// The SI's prefixes and units, each in its base unit (m, s, kg, J, Pa, C).
constexpr Decimal one{1, 0};
constexpr Decimal metre = one, second = one, kilogram = one;
constexpr Decimal nanometre{1, -9}, angstrom{1, -10};
constexpr Decimal picosecond{1, -12}, nanosecond{1, -9};
constexpr Decimal gram{1, -3};
constexpr Decimal bar{1, 5};  // 100 kPa
// The SI's defining constants (2019): the elementary charge in C, the Avogadro constant per mol.
constexpr Decimal elementary_charge{1602176634, -28};
constexpr Decimal avogadro{602214076, 15};

TEST(Units, EachFactorIsTheNearestDoubleToItsSiDerivation) {
  namespace u = pelzak::units;
  const struct {
    const char* name;
    double table;
    Decimal derived;
  } factors[] = {
      {"angstrom_per_nm", u::angstrom_per_nm, nanometre / angstrom},
      {"inverse_angstrom_per_inverse_nm", u::inverse_angstrom_per_inverse_nm, angstrom / nanometre},
      {"ns_per_ps", u::ns_per_ps, picosecond / nanosecond},
      // 1 m/s in nm/ps: (1 m / 1 nm) / (1 s / 1 ps).
      {"nm_per_ps_per_m_per_s", u::nm_per_ps_per_m_per_s, metre / nanometre / (second / picosecond)},
      // 1 N * 1 nm, with 1 N m = 1 J.
      {"joule_per_nm_newton", u::joule_per_nm_newton, one * nanometre},
      // 1 eV = e * 1 V, with 1 C V = 1 J.
      {"joule_per_electronvolt", u::joule_per_electronvolt, elementary_charge * one},
      {"pascal_per_bar", u::pascal_per_bar, bar},
      {"avogadro", u::avogadro, avogadro},
      {"gram_per_kilogram", u::gram_per_kilogram, kilogram / gram},
  };
  for (const auto& f : factors) EXPECT_EQ(f.table, nearest(f.derived)) << f.name;
}

// The model's argon in SI terms, through the table: an atom of 39.948 u (the standard atomic weight;
// the atomic mass constant 1.66053906660e-27 kg of CODATA 2018) and the Boltzmann constant
// 1.380649e-23 J/K (exact since 2019). The model entered both in single precision, the mass to nine
// digits (1e-7) and kB as 1.38065e-23 (1e-6).
TEST(Units, TheModelsArgonIsTheSiArgon) {
  namespace model = pelzak::model;
  namespace u = pelzak::units;
  EXPECT_NEAR(model::mass * u::avogadro * u::gram_per_kilogram / 39.948, 1.0, 1e-7);
  EXPECT_NEAR(model::mass / (39.948 * 1.66053906660e-27), 1.0, 1e-7);
  EXPECT_NEAR(model::boltzmann / 1.380649e-23, 1.0, 1e-6);
}

}  // namespace

// The fast pair kernels against the reference loops: configurations drawn from fixed seeds and
// bit-for-bit comparisons, shared by the quick test and the slow soak.
//
// The configurations come in kinds chosen to hit every branch of the kernels: ordinary liquids,
// overlapping atoms, atoms drifted by large multiples of the box side, pairs exactly at the
// cut-off and around the half-box image thresholds, coincident atoms, and NaN and infinite
// coordinates.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "bits.hpp"
#include "configs.hpp"
#include "library_model.hpp"
#include "pelzak/kernels/pair_loops.hpp"

namespace pelzak::test {

using pelzak::kernels::Isa;

inline constexpr double infinity = std::numeric_limits<double>::infinity();
inline constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

inline std::vector<Isa> fast_isas() {
  std::vector<Isa> isas;
  for (Isa isa : {Isa::scalar, Isa::avx2, Isa::avx512})
    if (pelzak::kernels::isa_available(isa)) isas.push_back(isa);
  return isas;
}

// The fcc lattice filling the box, each atom moved by up to `jitter` nm per axis.
inline Config lattice(std::mt19937_64& rng, double jitter) {
  std::uniform_real_distribution<double> shake(-jitter, jitter);
  Config c = fcc_lattice();
  for (int i = 1; i <= model::atoms; ++i)
    for (int k = 1; k <= 3; ++k) at(c, i, k) += shake(rng);
  return c;
}

inline Config uniform(std::mt19937_64& rng, double lo, double hi) {
  std::uniform_real_distribution<double> u(lo, hi);
  Config c;
  for (double& v : c) v = u(rng);
  return c;
}

inline int random_atom(std::mt19937_64& rng) {
  return std::uniform_int_distribution<int>(1, model::atoms)(rng);
}

// Separations that sit on the edges the kernels decide on: the cut-off, the image thresholds,
// the half box and whole boxes, each with its neighbouring doubles.
inline double edge_separation(std::mt19937_64& rng) {
  using pelzak::kernels::LibraryModel;
  const double edges[] = {model::cutoff,
                          LibraryModel::wrap_1,
                          LibraryModel::wrap_2,
                          LibraryModel::wrap_3,
                          LibraryModel::wrap_limit,
                          model::box,
                          2 * model::box,
                          3 * model::box,
                          model::box - model::cutoff,
                          model::box + model::cutoff,
                          model::box / 2,
                          1.5 * model::box,
                          2.5 * model::box,
                          3.5 * model::box,
                          0.0,
                          model::bin_width * 199.5,
                          model::bin_width * 0.5};
  double d = edges[std::uniform_int_distribution<int>(0, std::size(edges) - 1)(rng)];
  const int steps = std::uniform_int_distribution<int>(-2, 2)(rng);
  for (int s = 0; s < steps; ++s) d = std::nextafter(d, infinity);
  for (int s = 0; s > steps; --s) d = std::nextafter(d, -infinity);
  return std::bernoulli_distribution(0.5)(rng) ? d : -d;
}

// Configuration number n; its kind is n % 8.
inline Config configuration(int n) {
  std::mt19937_64 rng(0x9e3779b97f4a7c15ULL * (n + 1));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  switch (n % 8) {
    case 0:  // a liquid-like lattice
      return lattice(rng, 0.05);
    case 1:  // uniform: overlapping atoms, huge and infinite energies
      return uniform(rng, 0.0, model::box);
    case 2: {  // never wrapped: every atom drifted by whole boxes, up to +-1000 of them
      Config c = lattice(rng, 0.08);
      std::uniform_int_distribution<int> boxes(-1000, 1000);
      for (double& v : c) v += boxes(rng) * model::box;
      return c;
    }
    case 3: {  // pairs placed on the cut-off, the image thresholds and the bin edges
      Config c = lattice(rng, 0.02);
      for (int p = 0; p < 60; ++p) {
        const int i = random_atom(rng), j = random_atom(rng);
        if (i == j) continue;
        const int axis = std::uniform_int_distribution<int>(1, 3)(rng);
        for (int k = 1; k <= 3; ++k) at(c, j, k) = at(c, i, k);
        at(c, j, axis) = at(c, i, axis) + edge_separation(rng);
      }
      return c;
    }
    case 4: {  // coincident atoms, directly and through the periodic images
      Config c = lattice(rng, 0.05);
      for (int p = 0; p < 4; ++p) {
        const int i = random_atom(rng), j = random_atom(rng);
        const double shift = std::uniform_int_distribution<int>(-3, 3)(rng) * model::box;
        for (int k = 1; k <= 3; ++k) at(c, j, k) = at(c, i, k) + (k == 1 ? shift : 0.0);
      }
      return c;
    }
    case 5: {  // NaN, infinite and -0.0 coordinates among a liquid
      Config c = lattice(rng, 0.05);
      const double odd[] = {not_a_number, -not_a_number, infinity, -infinity, -0.0, 0.0};
      for (int p = 0; p < 12; ++p)
        at(c, random_atom(rng), std::uniform_int_distribution<int>(1, 3)(rng)) =
            odd[std::uniform_int_distribution<int>(0, std::size(odd) - 1)(rng)];
      return c;
    }
    case 6: {  // far beyond the box: some coordinates the coarse cells cannot hold
      Config c = lattice(rng, 0.05);
      for (int p = 0; p < 8; ++p) {
        const int i = random_atom(rng);
        const double far = std::ldexp(unit(rng) + 1.0, std::uniform_int_distribution<int>(19, 80)(rng));
        for (int k = 1; k <= 3; ++k) at(c, i, k) += std::floor(far / model::box) * model::box;
      }
      return c;
    }
    default: {  // a small cloud in a corner: most pairs inside the cut-off, long candidate rows
      Config c = uniform(rng, -0.6, 0.6);
      for (int p = 0; p < 40; ++p) at(c, random_atom(rng), 1) = model::box / 2 + edge_separation(rng);
      return c;
    }
  }
}

// Sets PELZAK_ISA for one scope (nullptr: unset) and restores it afterwards.
class IsaSetting {
 public:
  explicit IsaSetting(const char* name) {
    if (const char* old = std::getenv("PELZAK_ISA")) saved_ = old, had_ = true;
    if (name != nullptr) {
      setenv("PELZAK_ISA", name, 1);
    } else {
      unsetenv("PELZAK_ISA");
    }
  }
  ~IsaSetting() {
    if (had_) {
      setenv("PELZAK_ISA", saved_.c_str(), 1);
    } else {
      unsetenv("PELZAK_ISA");
    }
  }

 private:
  std::string saved_;
  bool had_ = false;
};

struct Forces {
  Config forces{};
  double sum = 0.0;
};

inline Forces lj(Isa isa, const Config& positions, double sum_in) {
  Forces f;
  f.sum = sum_in;
  const IsaSetting kernels(pelzak::kernels::isa_name(isa));  // as a user picks them
  pelzak::kernels::lj_pairs(positions.data(), f.forces.data(), &f.sum);
  return f;
}

inline std::array<double, model::bins> rdf(Isa isa, const Config& positions,
                                           const std::array<double, model::bins>& in) {
  std::array<double, model::bins> h = in;
  const IsaSetting kernels(pelzak::kernels::isa_name(isa));
  pelzak::kernels::rdf_sample(positions.data(), h.data());
  return h;
}

// The first element whose bits differ, or -1.
template <class A>
inline int first_difference(const A& a, const A& b) {
  for (std::size_t n = 0; n < a.size(); ++n)
    if (bits(a[n]) != bits(b[n])) return static_cast<int>(n);
  return -1;
}

inline void expect_same_forces(Isa isa, const Config& positions, double sum_in, const std::string& what) {
  const Forces want = lj(Isa::reference, positions, sum_in);
  const Forces got = lj(isa, positions, sum_in);
  const int n = first_difference(got.forces, want.forces);
  EXPECT_EQ(n, -1) << what << " on " << pelzak::kernels::isa_name(isa) << ": force element " << n << " is "
                   << (n < 0 ? 0.0 : got.forces[n]) << ", the reference gives "
                   << (n < 0 ? 0.0 : want.forces[n]);
  // One freedom: when a NaN passed in meets a NaN pair term (coincident atoms), IEEE 754 leaves
  // open which of the two NaNs the sum returns, and the reference's answer depends on which
  // operand its compiler puts first (GCC: the pair term's, clang: the one passed in). There
  // the sum need only be NaN; everywhere else its bits must agree.
  if (std::isnan(sum_in) && std::isnan(want.sum)) {
    EXPECT_TRUE(std::isnan(got.sum)) << what << " on " << pelzak::kernels::isa_name(isa);
    return;
  }
  EXPECT_EQ(bits(got.sum), bits(want.sum))
      << what << " on " << pelzak::kernels::isa_name(isa) << ": energy sum " << got.sum << " vs " << want.sum;
}

inline void expect_same_histogram(Isa isa, const Config& positions, const std::array<double, model::bins>& in,
                                  const std::string& what) {
  const auto want = rdf(Isa::reference, positions, in);
  const auto got = rdf(isa, positions, in);
  const int b = first_difference(got, want);
  EXPECT_EQ(b, -1) << what << " on " << pelzak::kernels::isa_name(isa) << ": bin " << b << " is "
                   << (b < 0 ? 0.0 : got[b]) << ", the reference gives " << (b < 0 ? 0.0 : want[b]);
}

// Configurations 0 ... count-1, each on every fast kernel set, against the reference; stops at
// the first configuration that differs.
inline void expect_random_forces_bit_for_bit(int count) {
  const double energies_in[] = {0.0, -0.0, 1.25, -3.5e-3, not_a_number, -not_a_number, infinity, -infinity};
  for (int n = 0; n < count; ++n) {
    const Config positions = configuration(n);
    const double sum_in = energies_in[n / 8 % std::size(energies_in)];
    for (Isa isa : fast_isas())
      expect_same_forces(isa, positions, sum_in, "configuration " + std::to_string(n));
    if (::testing::Test::HasFailure()) return;
  }
}

inline void expect_random_histograms_bit_for_bit(int count) {
  std::array<double, model::bins> zero{}, odd{};
  for (int b = 0; b < model::bins; ++b) {
    const double values[] = {
        -0.0,   0.5,  3.0,    9007199254740990.0, 9007199254740992.0, not_a_number, infinity,
        -1e300, 1e17, 2.0 * b};
    odd[b] = values[b % std::size(values)];
  }
  for (int n = 0; n < count; ++n) {
    const Config positions = configuration(n);
    for (Isa isa : fast_isas())
      expect_same_histogram(isa, positions, n % 2 ? odd : zero, "configuration " + std::to_string(n));
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace pelzak::test

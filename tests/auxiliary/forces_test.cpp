// Lennard-Jones forces and energy: hand-derivable pairs, the cut-off, the periodic boundary,
// and whole configurations against an independent long-double evaluation.
#include <gtest/gtest.h>

#include <cmath>

#include "configs.hpp"
#include "pelzak_model.h"

namespace model = pelzak::model;

using namespace pelzak::test;

namespace {

struct Result {
  Config forces{};
  double energy = 0.0;
};

Result forces_of(const Config& positions, double energy_in = 0.0) {
  Result r;
  r.forces.fill(12345.0);  // must be overwritten entirely
  r.energy = energy_in;
  auxiliary_force_atoms(positions.data(), r.forces.data(), &r.energy);
  return r;
}

// Two atoms on the x axis, separation d (atom 2 at d from atom 1); every other atom at NaN.
Config pair_on_x(double x1, double x2) {
  Config c = nan_config();
  at(c, 1, 1) = x1;
  at(c, 2, 1) = x2;
  for (int k = 2; k <= 3; ++k) at(c, 1, k) = at(c, 2, k) = 0.5;
  return c;
}

// The pair's unscaled energy term q^12 - q^6, q = sigma / r, by repeated squaring.
double pair_term(double r) {
  const double q = model::sigma / r;
  const double q2 = q * q, q4 = q2 * q2, q8 = q4 * q4;
  return q4 * q8 - q2 * q4;
}

void expect_only_atoms_1_and_2_pushed(const Result& r) {
  for (int i = 3; i <= model::atoms; ++i)
    for (int k = 1; k <= 3; ++k) ASSERT_EQ(at(r.forces, i, k), 0.0) << "atom " << i;
}

}  // namespace

TEST(AuxForceAtoms, APairAtSigmaHasZeroEnergyAndRepulsion24EpsOverSigma) {
  // r = sigma exactly (sqrt of a correctly rounded square is exact), so q = 1 and
  // q^12 - q^6 = 0, while the force is 24 eps (2 - 1) / sigma.
  const Result r = forces_of(pair_on_x(0.0, model::sigma));
  EXPECT_EQ(r.energy, 0.0);
  const double expected = model::force_factor / model::sigma;    // N
  EXPECT_NEAR(at(r.forces, 1, 1), -expected, 1e-15 * expected);  // pushed away from atom 2
  EXPECT_EQ(at(r.forces, 1, 1),
            (-model::sigma * ((1.0 / model::sigma) * model::force_factor)) / model::sigma);
  EXPECT_EQ(at(r.forces, 2, 1), -at(r.forces, 1, 1));
  for (int k = 2; k <= 3; ++k) {
    EXPECT_EQ(at(r.forces, 1, k), 0.0);
    EXPECT_EQ(at(r.forces, 2, k), 0.0);
  }
  expect_only_atoms_1_and_2_pushed(r);
}

TEST(AuxForceAtoms, AtThePotentialMinimumTheEnergyIsMinusEpsAndTheForceVanishes) {
  const double r_min = std::pow(2.0, 1.0 / 6.0) * model::sigma;
  const Result r = forces_of(pair_on_x(1.0, 1.0 + r_min));
  EXPECT_NEAR(r.energy, -model::four_eps / 4.0, 1e-14 * model::four_eps);
  EXPECT_NEAR(at(r.forces, 1, 1), 0.0, 1e-13 * model::force_factor / model::sigma);
}

TEST(AuxForceAtoms, CutOffIsStrict) {
  const double cut = 2.25 * model::sigma;  // its square is exactly the cut-off 0.585225
  ASSERT_EQ(cut * cut, model::cutoff_sq);
  const Result at_cut = forces_of(pair_on_x(0.0, cut));
  EXPECT_EQ(at_cut.energy, 0.0);
  for (double f : at_cut.forces) ASSERT_EQ(f, 0.0);

  const double inside = std::nextafter(cut, 0.0);
  ASSERT_LT(inside * inside, model::cutoff_sq);
  const Result in = forces_of(pair_on_x(0.0, inside));
  EXPECT_LT(in.energy, 0.0);
  const double analytic = model::four_eps * (std::pow(1.0 / 2.25, 12) - std::pow(1.0 / 2.25, 6));
  EXPECT_NEAR(in.energy, analytic, 1e-12 * -analytic);  // about -5.07e-23 J
  EXPECT_EQ(in.energy, model::four_eps * pair_term(inside));
  EXPECT_GT(at(in.forces, 1, 1), 0.0);  // attraction: atom 1 pulled toward atom 2
}

TEST(AuxForceAtoms, EnergyPassedInIsCarriedAndScaled) {
  // No pair inside the cut-off: the result is 4 eps times the value passed in.
  EXPECT_EQ(forces_of(nan_config(), 1.0).energy, model::four_eps);
  EXPECT_EQ(forces_of(nan_config(), -2.5e20).energy, model::four_eps * -2.5e20);
  // The value passed in starts the running sum, before the pair term is added.
  const double d = 0.4;
  EXPECT_EQ(forces_of(pair_on_x(0.0, d), 0.125).energy, model::four_eps * (pair_term(d) + 0.125));
  EXPECT_EQ(forces_of(pair_on_x(0.0, d), 1e17).energy, model::four_eps * 1e17);  // term absorbed
}

TEST(AuxForceAtoms, APairSplitAcrossTheBoundaryInteractsThroughItsImage) {
  // Raw separation L - 0.4 along each axis in turn: the same pair as one 0.4 nm apart.
  for (int k = 1; k <= 3; ++k) {
    Config split = nan_config(), direct = nan_config();
    for (int a = 1; a <= 3; ++a)
      at(split, 1, a) = at(split, 2, a) = at(direct, 1, a) = at(direct, 2, a) = 1.0;
    at(split, 1, k) = 0.1;
    at(split, 2, k) = 0.1 + model::box - 0.4;
    at(direct, 1, k) = 0.1;
    at(direct, 2, k) = 0.1 - 0.4;
    const Result s = forces_of(split), d = forces_of(direct);
    EXPECT_LT(s.energy, 0.0);
    EXPECT_NEAR(s.energy, d.energy, 1e-12 * -d.energy);
    EXPECT_LT(at(s.forces, 1, k), 0.0);  // pulled toward the image at 0.1 - 0.4
    EXPECT_NEAR(at(s.forces, 1, k), at(d.forces, 1, k), 1e-11 * -at(d.forces, 1, k));
    EXPECT_EQ(at(s.forces, 2, k), -at(s.forces, 1, k));
  }
}

TEST(AuxForceAtoms, WholeConfigurationAgreesWithLongDoubleAndForcesSumToZero) {
  // A jittered fcc lattice: many pairs inside the cut-off, some close to it.
  Config pos = fcc_lattice();
  for (int i = 1; i <= model::atoms; ++i)
    for (int k = 1; k <= 3; ++k)
      at(pos, i, k) = at(pos, i, k) + 0.03 * std::sin(i * 1.7 + k * 2.3) +
                      (i % 7 == 0 ? 2 * model::box : 0.0);  // some atoms in far images
  const Result r = forces_of(pos);

  long double energy = 0.0L;
  std::array<long double, 3 * model::atoms> f{};
  for (int a = 1; a < model::atoms; ++a) {
    for (int b = a + 1; b <= model::atoms; ++b) {
      long double del[3], rsq = 0.0L;
      for (int k = 0; k < 3; ++k) {
        long double d = (long double)at(pos, a, k + 1) - at(pos, b, k + 1);
        d -= (long double)model::box * std::round(d / model::box);
        del[k] = d;
        rsq += d * d;
      }
      if (rsq >= (long double)model::cutoff_sq) continue;
      const long double rr = std::sqrt(rsq), q6 = std::pow((long double)model::sigma / rr, 6);
      energy += 4.0L * (model::four_eps / 4.0L) * (q6 * q6 - q6);
      const long double fpair = model::force_factor * (2.0L * q6 * q6 - q6) / rr;
      for (int k = 0; k < 3; ++k) {
        f[k * model::atoms + a - 1] += fpair * del[k] / rr;
        f[k * model::atoms + b - 1] -= fpair * del[k] / rr;
      }
    }
  }
  EXPECT_NEAR(r.energy, (double)energy, 1e-11 * std::fabs((double)energy));

  double largest = 0.0;
  for (int n = 0; n < 3 * model::atoms; ++n) largest = std::max(largest, std::fabs(r.forces[n]));
  for (int n = 0; n < 3 * model::atoms; ++n) ASSERT_NEAR(r.forces[n], (double)f[n], 1e-11 * largest) << n;
  for (int k = 1; k <= 3; ++k) {
    double sum = 0.0;
    for (int a = 1; a <= model::atoms; ++a) sum += at(r.forces, a, k);
    EXPECT_NEAR(sum, 0.0, 1e-12 * largest) << "axis " << k;
  }
}

TEST(AuxForceAtoms, CoincidentAtomsGiveNaNOnlyForThatPair) {
  for (double shift : {0.0, model::box, -2 * model::box}) {  // the same point, or the same under the image
    Config c = nan_config();
    for (int k = 1; k <= 3; ++k) {
      at(c, 1, k) = 0.5;
      at(c, 2, k) = 0.5 + (k == 2 ? shift : 0.0);
      at(c, 3, k) = k == 1 ? 1.0 : 0.5;  // 0.5 nm from both
      at(c, 4, k) = 2.2;                 // beyond the cut-off of all
    }
    const Result r = forces_of(c);
    EXPECT_TRUE(std::isnan(r.energy));
    for (int k = 1; k <= 3; ++k) {
      EXPECT_TRUE(std::isnan(at(r.forces, 1, k)));
      EXPECT_TRUE(std::isnan(at(r.forces, 2, k)));
      EXPECT_TRUE(std::isfinite(at(r.forces, 3, k)));
      EXPECT_EQ(at(r.forces, 4, k), 0.0);
    }
    EXPECT_LT(at(r.forces, 3, 1), 0.0);  // attracted by both atoms at 0.5 nm
  }
}

TEST(AuxForceAtoms, HugeAndInfiniteCoordinatesNeitherCrashNorLeak) {
  Config c = nan_config();
  at(c, 1, 1) = 1e300;
  at(c, 2, 1) = -1e300;
  at(c, 3, 1) = INFINITY;
  at(c, 4, 1) = 0.0;
  for (int i = 1; i <= 4; ++i) at(c, i, 2) = at(c, i, 3) = 0.0;
  const Result r = forces_of(c);
  // Pairs with an infinite coordinate give NaN distances and add nothing; the huge ones
  // wrap to some image and may or may not interact, but never outside IEEE arithmetic.
  for (int i = 5; i <= model::atoms; ++i) ASSERT_EQ(at(r.forces, i, 1), 0.0);
  EXPECT_EQ(at(r.forces, 3, 1), 0.0);
}

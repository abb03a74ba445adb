// The Verlet step with velocity rescaling.
#include <gtest/gtest.h>

#include <cmath>

#include "configs.hpp"
#include "pelzak_model.h"

namespace model = pelzak::model;

using namespace pelzak::test;

namespace {

struct Step {
  Config positions, velocities;
  double kinetic = -1.0, temperature = -1.0;
};

Step step(const Config& x, const Config& v, const Config& a) {
  Step s{x, v};
  auxiliary_leapfrog(s.positions.data(), s.velocities.data(), a.data(), &s.kinetic, &s.temperature);
  return s;
}

Config sample_positions() {
  Config c;
  for (int i = 1; i <= model::atoms; ++i)
    for (int k = 1; k <= 3; ++k) at(c, i, k) = sample_position(i, k) + (i % 5) * model::box;
  return c;
}

Config sample_velocities() {
  Config c;
  for (int i = 1; i <= model::atoms; ++i)
    for (int k = 1; k <= 3; ++k) at(c, i, k) = sample_velocity(i, k);
  return c;
}

// Temperature of a set of velocities (nm/ps): (1/2) m sum v^2 / (3/2 N kB).
double temperature_of(const Config& v) {
  long double sum = 0.0L;
  for (double x : v) sum += (long double)x * x;
  return (double)(model::kinetic_factor * sum / model::temperature_divisor);
}

}  // namespace

TEST(AuxLeapfrog, ZeroDrivingAdvancesByDtVAndKeepsTheVelocitiesBeforeRescaling) {
  const Config x = sample_positions(), v = sample_velocities();
  const Step s = step(x, v, filled(0.0));

  for (int n = 0; n < 3 * model::atoms; ++n) {
    ASSERT_NEAR(s.positions[n], x[n] + model::dt * v[n], 1e-14) << n;
  }
  // Reported kinetic energy and temperature are those of the unrescaled velocities.
  EXPECT_NEAR(s.temperature, temperature_of(v), 1e-12 * s.temperature);
  EXPECT_EQ(s.temperature, s.kinetic / model::temperature_divisor);
  EXPECT_NE(s.temperature, 94.4);
  // Every velocity is the old one times one common factor sqrt(94.4 / T).
  const double scale = std::sqrt(94.4 / s.temperature);
  for (int n = 0; n < 3 * model::atoms; ++n) ASSERT_NEAR(s.velocities[n], v[n] * scale, 1e-13) << n;
  // So the returned velocities sit at 94.4 K (up to the rounding of the step).
  EXPECT_NEAR(temperature_of(s.velocities), 94.4, 1e-10);
}

TEST(AuxLeapfrog, TheDrivingTermIsMultipliedByDtSquaredAsPassed) {
  // From rest at the origin, a = 1 gives x = dt^2 and the mid-step velocity dt^2 / (2 dt).
  Config x = filled(0.0);
  const Step s = step(x, filled(0.0), filled(1.0));
  const double v_mid = model::dt_sq / model::two_dt;
  for (int n = 0; n < 3 * model::atoms; ++n) ASSERT_EQ(s.positions[n], model::dt_sq);
  const double t = 0.5 * v_mid;
  double sum = 0.0;
  for (int n = 0; n < 3 * model::atoms; ++n) sum = t * t + sum;
  EXPECT_EQ(s.kinetic, model::kinetic_factor * sum);
  EXPECT_EQ(s.temperature, s.kinetic / model::temperature_divisor);
  for (int n = 0; n < 3 * model::atoms; ++n)
    ASSERT_EQ(s.velocities[n], v_mid * std::sqrt(94.4 / s.temperature));
}

TEST(AuxLeapfrog, EachElementFollowsTheStatedOperationOrder) {
  Config x = filled(1.25), v = filled(0.3), a = filled(-7.0);
  at(x, 17, 2) = -1234.5678;
  at(v, 17, 2) = 0.123456789;
  at(a, 17, 2) = 1e3;
  const Step s = step(x, v, a);
  const double xx = -1234.5678, vv = 0.123456789, aa = 1e3;
  const double x_prev = xx - model::dt * vv;
  const double x_new = model::dt_sq * aa + (2.0 * xx - x_prev);
  const double v_new = (x_new - x_prev) / model::two_dt;
  EXPECT_EQ(at(s.positions, 17, 2), x_new);
  EXPECT_EQ(at(s.velocities, 17, 2), v_new * std::sqrt(94.4 / s.temperature));
}

TEST(AuxLeapfrog, KineticSumRunsAtomByAtomWithXYZInside) {
  // One fast y component among slow ones: after it, the slow squares are absorbed. Summing
  // axis by axis instead would add 864 slow x squares first and give another value.
  Config v = filled(0.5);
  at(v, 1, 2) = 1e8;
  const Config x = filled(0.0);
  const Step s = step(x, v, filled(0.0));

  auto mid_square = [](double vv) {
    const double x_prev = 0.0 - model::dt * vv;
    const double v_new = ((0.0 + (2.0 * 0.0 - x_prev)) - x_prev) / model::two_dt;
    const double t = 0.5 * (v_new + vv);
    return t * t;
  };
  double atom_order = 0.0, axis_order = 0.0;
  for (int i = 1; i <= model::atoms; ++i)
    for (int k = 1; k <= 3; ++k) atom_order = mid_square(at(v, i, k)) + atom_order;
  for (int k = 1; k <= 3; ++k)
    for (int i = 1; i <= model::atoms; ++i) axis_order = mid_square(at(v, i, k)) + axis_order;
  ASSERT_NE(atom_order, axis_order);
  EXPECT_EQ(s.kinetic, model::kinetic_factor * atom_order);
}

TEST(AuxLeapfrog, AllAtRestGivesZeroTemperatureAndNaNVelocities) {
  const Step s = step(sample_positions(), filled(0.0), filled(0.0));
  EXPECT_EQ(s.kinetic, 0.0);
  EXPECT_EQ(s.temperature, 0.0);
  for (double v : s.velocities) ASSERT_TRUE(std::isnan(v));
  EXPECT_EQ(s.positions, sample_positions());
}

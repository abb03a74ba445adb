// The driving term the driver hands to the library's step, checked by what it does: the push-off's cap
// and direction, the centre-of-mass correction, and the recursion that makes the library's step
// leapfrog-Verlet with rescaling (and, without rescaling, an integrator that conserves energy).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "constants.hpp"
#include "scheme.hpp"

namespace pelzak::md {
namespace {

using Config = std::vector<double>;

TEST(DriverScheme, CentreOfMassVelocityIsRemovedAndRelativeMotionKept) {
  Config v(model::config_size);
  for (int i = 0; i < model::atoms; ++i) {
    v[i] = i;                                        // mean 431.5, exact
    v[model::atoms + i] = 0.25;                      // pure drift
    v[2 * model::atoms + i] = (i % 2) ? 1.0 : -1.0;  // already at rest
  }
  remove_com_velocity(v.data());
  for (int i = 0; i < model::atoms; ++i) {
    EXPECT_EQ(v[i], i - 431.5);
    EXPECT_EQ(v[model::atoms + i], 0.0);
    EXPECT_EQ(v[2 * model::atoms + i], (i % 2) ? 1.0 : -1.0);
  }
}

TEST(DriverScheme, StartAndPushOffUseTwiceTheAcceleration) {
  Config f(model::config_size), d(model::config_size), p(model::config_size);
  for (int n = 0; n < model::config_size; ++n) f[n] = 1e-15 * std::sin(n + 1.0);  // |2a| well below the cap
  start_drive(f.data(), d.data());
  push_off_drive(f.data(), p.data());
  // Below the cap the two phases join without a jump: the push-off's term is the recursion's first.
  for (int n = 0; n < model::config_size; ++n) {
    EXPECT_EQ(d[n], 2.0 * (f[n] * model::accel_per_newton));
    EXPECT_EQ(p[n], d[n]);
  }
}

TEST(DriverScheme, PushOffCapsEachAtomsShiftKeepingItsDirection) {
  // The cap in numbers: a push-off step moves no atom by more than 0.005 nm (1.5 % of sigma), so
  // |d| <= 0.005 nm / dt^2 = 50.00000223517426 nm/ps^2 with the library's dt^2.
  constexpr double cap_shift = 0.005;
  constexpr double cap_drive = 50.00000223517426;
  EXPECT_EQ(push_off_max_drive, cap_drive);
  Config f(model::config_size, 0.0), d(model::config_size);
  // Atom 1: a huge force along (3, 4, 12)/13. Atom 2: just under the cap. Atom 3: exactly 2a = cap.
  // Atom 4: just over the cap.
  const double huge = 1e-6;
  f[0] = 3 * huge, f[model::atoms] = 4 * huge, f[2 * model::atoms] = 12 * huge;
  const double under = 0.99 * cap_drive / 2.0 / model::accel_per_newton;
  f[1] = under;
  f[2 * model::atoms + 2] = cap_drive / 2.0 / model::accel_per_newton;
  f[3] = 1.01 * cap_drive / 2.0 / model::accel_per_newton;
  push_off_drive(f.data(), d.data());
  const double shift = model::dt_sq * std::sqrt(d[0] * d[0] + d[model::atoms] * d[model::atoms] +
                                                d[2 * model::atoms] * d[2 * model::atoms]);
  EXPECT_NEAR(shift, cap_shift, 1e-17);
  EXPECT_NEAR(d[0] / d[2 * model::atoms], 3.0 / 12.0, 1e-15);
  EXPECT_NEAR(d[model::atoms] / d[2 * model::atoms], 4.0 / 12.0, 1e-15);
  EXPECT_EQ(d[1], 2.0 * (under * model::accel_per_newton));
  EXPECT_LE(model::dt_sq * std::fabs(d[2 * model::atoms + 2]), cap_shift * (1 + 1e-15));
  EXPECT_NEAR(model::dt_sq * d[3], cap_shift, 1e-17);
  for (int i = 4; i < model::atoms; ++i) EXPECT_EQ(d[i], 0.0);
}

TEST(DriverScheme, BrokenForcesStayBrokenInsteadOfBeingCappedAway) {
  Config f(model::config_size, 0.0), d(model::config_size);
  f[0] = std::numeric_limits<double>::infinity();
  f[1] = std::nan("");
  push_off_drive(f.data(), d.data());
  EXPECT_TRUE(std::isnan(d[0]));
  EXPECT_TRUE(std::isnan(d[1]));
  EXPECT_EQ(d[2], 0.0);
}

// The library's step as it acts on one coordinate: positions through the rebuilt previous position,
// mid-step velocity, then the velocity multiplied by the rescaling factor s.
void model_step(Config& x, Config& w, const Config& d, double s) {
  for (int n = 0; n < model::config_size; ++n) {
    const double x_prev = x[n] - model::dt * w[n];
    const double x_new = model::dt_sq * d[n] + (2.0 * x[n] - x_prev);
    w[n] = s * ((x_new - x_prev) / (2.0 * model::dt));
    x[n] = x_new;
  }
}

// A harmonic force per coordinate with angular frequency 10 / ps (about 60 steps a period).
constexpr double omega2 = 100.0;
void harmonic_forces(const Config& x, Config& f) {
  for (int n = 0; n < model::config_size; ++n) f[n] = -(omega2 / model::accel_per_newton) * x[n];
}

struct Start {
  Config x = Config(model::config_size), w = Config(model::config_size);
  Start() {
    for (int n = 0; n < model::config_size; ++n)
      x[n] = 0.1 * std::sin(0.7 * n), w[n] = 0.5 * std::cos(1.3 * n);
  }
};

// Runs the driver's recursion through the model step; s(n) is the rescaling factor of step n.
std::vector<Config> recursive_run(Start st, int steps, double (*s)(int)) {
  Config f(model::config_size), d(model::config_size);
  std::vector<Config> path{st.x};
  for (int n = 0; n < steps; ++n) {
    harmonic_forces(st.x, f);
    if (n == 0)
      start_drive(f.data(), d.data());
    else
      recursive_drive(f.data(), s(n - 1), d.data());
    model_step(st.x, st.w, d, s(n));
    path.push_back(st.x);
  }
  return path;
}

double wobble(int n) { return 1.0 + 0.02 * std::sin(0.37 * n); }
double one(int) { return 1.0; }

TEST(DriverScheme, RecursionTurnsTheStepIntoLeapfrogVerletWithRescaling) {
  // x(n+2) = x(n+1) + s(n) (x(n+1) - x(n)) + dt^2 a(n+1): the half-step velocity rescaled by the
  // factor of the step before, and the force felt at full strength.
  const std::vector<Config> path = recursive_run(Start(), 300, wobble);
  Config f(model::config_size);
  double worst = 0.0;
  for (size_t n = 0; n + 2 < path.size(); ++n) {
    harmonic_forces(path[n + 1], f);
    for (int k = 0; k < model::config_size; ++k) {
      const double verlet = path[n + 1][k] + wobble(static_cast<int>(n)) * (path[n + 1][k] - path[n][k]) +
                            model::dt_sq * (f[k] * model::accel_per_newton);
      worst = std::max(worst, std::fabs(path[n + 2][k] - verlet));
    }
  }
  EXPECT_LT(worst, 1e-14);
  // The factor a step rescales by brings the temperature it returned to 94.4 K.
  EXPECT_EQ(rescale_factor(94.4), 1.0);
  EXPECT_EQ(rescale_factor(94.4 / 4), 2.0);
  EXPECT_TRUE(std::isinf(rescale_factor(0.0)));
}

TEST(DriverScheme, WithoutRescalingTheRecursionConservesEnergy) {
  // Verlet energy per coordinate, 1/2 v^2 + 1/2 omega^2 x^2 with v = (x(n+1) - x(n-1)) / 2dt, stays
  // within O((omega dt)^2) of its start and does not drift.
  const std::vector<Config> path = recursive_run(Start(), 2000, one);
  auto energy = [&](size_t n) {
    double e = 0.0;
    for (int k = 0; k < model::config_size; ++k) {
      const double v = (path[n + 1][k] - path[n - 1][k]) / (2.0 * model::dt);
      e += 0.5 * v * v + 0.5 * omega2 * path[n][k] * path[n][k];
    }
    return e;
  };
  const double e0 = energy(1);
  double worst = 0.0;
  for (size_t n = 1; n + 1 < path.size(); ++n) worst = std::max(worst, std::fabs(energy(n) / e0 - 1.0));
  EXPECT_LT(worst, 0.01);

  // The same step driven by 2a every time, or by a, is no integrator of this force: far off.
  for (const double factor : {1.0, 2.0}) {
    Start st;
    Config f(model::config_size), d(model::config_size);
    std::vector<Config> plain{st.x};
    for (int n = 0; n < 2000; ++n) {
      harmonic_forces(st.x, f);
      for (int k = 0; k < model::config_size; ++k) d[k] = factor * (f[k] * model::accel_per_newton);
      model_step(st.x, st.w, d, 1.0);
      plain.push_back(st.x);
    }
    double e_first = 0.0, e_last = 0.0;
    for (int k = 0; k < model::config_size; ++k) {
      const double v0 = (plain[2][k] - plain[0][k]) / (2.0 * model::dt),
                   v1 = (plain[2000][k] - plain[1998][k]) / (2.0 * model::dt);
      e_first += 0.5 * v0 * v0 + 0.5 * omega2 * plain[1][k] * plain[1][k];
      e_last += 0.5 * v1 * v1 + 0.5 * omega2 * plain[1999][k] * plain[1999][k];
    }
    EXPECT_GT(std::fabs(e_last / e_first - 1.0), 0.1) << "driving term " << factor << " a";
  }
}

}  // namespace
}  // namespace pelzak::md

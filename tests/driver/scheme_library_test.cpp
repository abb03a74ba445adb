// The driver's scheme and g(r) normalisation against the library's real routines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "configs.hpp"
#include "constants.hpp"
#include "pelzak_aux.h"
#include "rdf_compare.hpp"
#include "scheme.hpp"
#include "support.hpp"

namespace pelzak::md {
namespace {

using pelzak::test::read_rdf_file;

using Config = std::vector<double>;

// 864 atoms on the fcc lattice that fills the box (6 x 6 x 6 cells), with reproducible velocities of
// zero mean, uniform in [-0.3, 0.3) nm/ps per component: a crystal that starts to melt at once.
void fcc_start(Config& x, Config& v) {
  const pelzak::test::Config sites = pelzak::test::fcc_lattice(0.25);
  x.assign(sites.begin(), sites.end());
  v.assign(model::config_size, 0.0);
  unsigned long long seed = 12345;
  auto uniform = [&seed] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(seed >> 11) / 9007199254740992.0 - 0.5;
  };
  for (int i = 0; i < model::atoms; ++i)
    for (int k = 0; k < 3; ++k) v[k * model::atoms + i] = 0.6 * uniform();
}

enum class Drive { recursive, twice_a };

// Runs the step with the rescaling undone after every call, recording the positions and the
// potential energy of each configuration.
void run(Drive drive, int steps, std::vector<Config>& path, std::vector<double>& potential) {
  Config x, v, f(model::config_size), d(model::config_size);
  fcc_start(x, v);
  path.assign(1, x);
  potential.clear();
  for (int n = 0; n < steps; ++n) {
    double energy = 0.0;
    auxiliary_force_atoms(x.data(), f.data(), &energy);
    potential.push_back(energy);
    if (drive == Drive::twice_a || n == 0)
      start_drive(f.data(), d.data());
    else
      recursive_drive(f.data(), 1.0, d.data());
    double kinetic = 0.0, temperature = 0.0;
    auxiliary_leapfrog(x.data(), v.data(), d.data(), &kinetic, &temperature);
    const double scale = rescale_factor(temperature);
    for (double& w : v) w /= scale;
    path.push_back(x);
  }
}

// Total energy of configuration n with the Verlet velocity (x(n+1) - x(n-1)) / 2dt, in J.
double total_energy(const std::vector<Config>& path, const std::vector<double>& potential, size_t n) {
  double sum = 0.0;
  for (int k = 0; k < model::config_size; ++k) {
    const double v = (path[n + 1][k] - path[n - 1][k]) / (2.0 * model::dt);
    sum += v * v;
  }
  return potential[n] + 0.5 * model::mass * 1e6 * sum;  // nm^2/ps^2 = 1e6 m^2/s^2
}

TEST(DriverSchemeLibrary, WithRescalingUndoneTheRecursiveSchemeConservesEnergy) {
  // 300 steps (3 ps) of a melting crystal. The truncated potential jumps by about 0.03 eps whenever
  // a pair crosses the cut-off, so the total wanders a little; it must neither drift nor fluctuate
  // anywhere near as much as the kinetic energy does.
  std::vector<Config> path;
  std::vector<double> potential;
  run(Drive::recursive, 300, path, potential);
  double lowest = INFINITY, highest = -INFINITY;
  for (size_t n = 100; n + 1 < path.size(); ++n) {
    const double e = total_energy(path, potential, n);
    lowest = std::min(lowest, e);
    highest = std::max(highest, e);
  }
  const double first = total_energy(path, potential, 100);
  const double kinetic_scale = model::temperature_divisor * 75.0;  // 3/2 N kB T near 75 K
  EXPECT_LT((highest - lowest) / std::fabs(first), 2e-3) << "spread " << highest - lowest << " J";
  EXPECT_LT((highest - lowest) / kinetic_scale, 0.02);
  EXPECT_LT(std::fabs(total_energy(path, potential, 298) - first) / std::fabs(first), 2e-3);

  // Driving every step with 2a instead loses energy by many percent over the same time.
  run(Drive::twice_a, 200, path, potential);
  const double drift = total_energy(path, potential, 198) / total_energy(path, potential, 100) - 1.0;
  EXPECT_GT(std::fabs(drift), 0.02);
}

}  // namespace
}  // namespace pelzak::md

#include "pelzak/engine/lattice_start.hpp"

#include <cmath>

#include "pelzak/model/units.hpp"

namespace pelzak::engine {

void lattice_start(System& s, std::uint64_t seed) {
  const long n = s.state.atoms;
  long cells = 1;
  while (4 * cells * cells * cells < n) ++cells;
  const double a = s.state.box / static_cast<double>(cells);
  // The four sites of a unit cell, in units of its side.
  const double basis[4][3] = {{0.0, 0.0, 0.0}, {0.5, 0.5, 0.0}, {0.5, 0.0, 0.5}, {0.0, 0.5, 0.5}};
  for (long i = 0; i < n; ++i) {
    const long cell = i / 4;
    const long c[3] = {cell % cells, cell / cells % cells, cell / (cells * cells)};
    for (int k = 0; k < 3; ++k) s.positions[k * n + i] = (static_cast<double>(c[k]) + basis[i % 4][k]) * a;
  }

  // sqrt(kB T / m) in m/s, in nm/ps.
  Random random(seed);
  const double spread =
      std::sqrt(model::boltzmann * s.state.temperature / model::mass) * units::nm_per_ps_per_m_per_s;
  for (long i = 0; i < n; ++i)
    for (int k = 0; k < 3; ++k) s.velocities[k * n + i] = spread * random.normal();
  double sum_sq = 0.0;
  for (int k = 0; k < 3; ++k) {
    double* v = s.velocities.data() + k * n;
    double sum = 0.0;
    for (long i = 0; i < n; ++i) sum += v[i];
    const double mean = sum / static_cast<double>(n);
    for (long i = 0; i < n; ++i) {
      v[i] -= mean;
      sum_sq += v[i] * v[i];
    }
  }
  const double temperature = model::kinetic_factor * sum_sq / s.derived.temperature_divisor;
  const double scale = std::sqrt(s.state.temperature / temperature);
  for (double& v : s.velocities) v *= scale;
}

}  // namespace pelzak::engine

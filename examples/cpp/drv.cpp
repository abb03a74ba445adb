// Liquid argon on the pelzak_aux library: a complete simulation driver in C++.
//
// Reads the start "ar_simulation.dat" that pelzak_initial writes, eases its overlapping atoms apart
// (push-off), lets the liquid settle at 94.4 K (equilibration), and runs the 1000 production steps over
// which radial_dist samples g(r) and writes "rdf_argon.dat". A run that blows up says so on stderr and
// exits with status 3. Every model number comes from pelzak_model.h (namespace pelzak::model).
//
// The driving term. leapfrog(x, w, d) does, for every coordinate,
//     x' = x + dt w + dt^2 d,    v' = w + (dt/2) d,    then v' is rescaled by s = sqrt(94.4 K / T).
// Positions feel dt^2 d but velocities only (dt/2) d, so no fixed multiple of the acceleration a = F/m
// is a proper integrator. With d = a the atoms feel about half the force they should (the liquid comes
// out loose: first peak of g(r) 2.49 instead of 2.74); with d = 2a every step the force acts with a lag
// that damps the motion (peak 3.04). Asking that the positions follow leapfrog-Verlet whose half-step
// velocity is rescaled by s gives the recursion
//     d(n+1) = a(n+1) + (s(n)/2) d(n),        started with d = 2a,
// with s(n) the factor the previous step applied. With s = 1 it is x(n+2) = 2 x(n+1) - x(n) + dt^2 a(n+1),
// Stormer-Verlet, which conserves energy.
//
// The push-off. pelzak_initial puts all 864 atoms into one octant of the box, many pairs deep inside each
// other's repulsive core. Their first forces would throw atoms across the box in one step (and the energy
// to NaN a few steps later). So for the first steps d = 2a is shortened per atom, direction kept, to move
// no atom more than 0.005 nm per step, while the rescaling drains the energy this releases.
//
// The drift. Rescaling multiplies every velocity, the motion of the whole box included, and the capped
// push-off does not conserve momentum. The mean velocity is taken out before every step, or energy can
// pile up in the drift at the expense of the liquid's temperature.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pelzak_aux.h"

namespace {

namespace model = pelzak::model;
constexpr int N = model::atoms;
constexpr int push_off_steps = 500;
constexpr int equilibration_steps = 1500;
constexpr int production_steps = model::output_step;

// Push-off cap on |d| per atom, nm/ps^2: a shift of at most 0.005 nm (1.5 % of sigma) per step.
constexpr double max_drive = 0.005 / model::dt_sq;

// Configuration arrays, stored axis by axis: all x, then all y, then all z.
struct System {
  double x[3 * N];  // positions, nm
  double v[3 * N];  // velocities, nm/ps
  double f[3 * N];  // forces, N
  double d[3 * N];  // driving term, nm/ps^2
  double histogram[model::bins];
};

void remove_drift(double* v) {
  for (int k = 0; k < 3; ++k) {
    double sum = 0.0;
    for (int i = 0; i < N; ++i) sum += v[k * N + i];
    const double mean = sum / N;
    for (int i = 0; i < N; ++i) v[k * N + i] -= mean;
  }
}

// d = 2a, a = F/m in nm/ps^2 (accel_per_newton = 1e-15 / m turns newtons into nm/ps^2).
void start_drive(const double* f, double* d) {
  for (int n = 0; n < 3 * N; ++n) d[n] = 2.0 * (f[n] * model::accel_per_newton);
}

// d = 2a, each atom's vector shortened to at most max_drive. Infinite forces give NaN: a blow-up.
void push_off_drive(const double* f, double* d) {
  start_drive(f, d);
  for (int i = 0; i < N; ++i) {
    const double dsq = d[i] * d[i] + d[N + i] * d[N + i] + d[2 * N + i] * d[2 * N + i];
    if (dsq > max_drive * max_drive) {
      const double shrink = max_drive / std::sqrt(dsq);
      for (int k = 0; k < 3; ++k) d[k * N + i] *= shrink;
    }
  }
}

// d = a + (s/2) d: the exact leapfrog-Verlet driving term.
void recursive_drive(const double* f, double scale, double* d) {
  const double half_scale = 0.5 * scale;
  for (int n = 0; n < 3 * N; ++n) d[n] = f[n] * model::accel_per_newton + half_scale * d[n];
}

void stop_if_blown_up(const char* phase, int n, double potential, double kinetic, double temperature) {
  if (std::isfinite(potential) && std::isfinite(kinetic) && std::isfinite(temperature)) return;
  std::fprintf(stderr,
               "md_cpp: the run blew up in %s step %d: potential energy %g J, kinetic energy %g J, "
               "temperature %g K\n",
               phase, n, potential, kinetic, temperature);
  std::exit(3);
}

System s;  // 90 kB: static storage rather than the stack

}  // namespace

int main() {
  double potential = 0.0, kinetic = 0.0, temperature = 0.0, scale = 1.0;
  double potential_sum = 0.0, temperature_sum = 0.0;

  std::remove("rdf_argon.dat");  // a run that stops early must not leave an old g(r) looking new
  auxiliary_read_file(s.x, s.v);

  for (int n = 1; n <= push_off_steps; ++n) {
    remove_drift(s.v);
    potential = 0.0;  // force_atoms adds to it: 0 gives the energy of the positions alone
    auxiliary_force_atoms(s.x, s.f, &potential);
    push_off_drive(s.f, s.d);
    auxiliary_leapfrog(s.x, s.v, s.d, &kinetic, &temperature);
    stop_if_blown_up("push-off", n, potential, kinetic, temperature);
  }

  // Equilibration, then production: one run of the recursion, g(r) sampled in the last 1000 steps.
  for (int n = 1; n <= equilibration_steps + production_steps; ++n) {
    const std::int64_t step = n - equilibration_steps;  // the sampler's step, 1 to 1000
    const bool production = step >= 1;
    remove_drift(s.v);
    potential = 0.0;
    auxiliary_force_atoms(s.x, s.f, &potential);
    if (production) auxiliary_radial_dist(&step, s.x, s.histogram);
    if (n == 1) {
      start_drive(s.f, s.d);
    } else {
      recursive_drive(s.f, scale, s.d);
    }
    auxiliary_leapfrog(s.x, s.v, s.d, &kinetic, &temperature);
    stop_if_blown_up(production ? "production" : "equilibration", production ? static_cast<int>(step) : n,
                     potential, kinetic, temperature);
    scale = std::sqrt(model::target_temperature / temperature);
    if (production) {
      potential_sum += potential;
      temperature_sum += temperature;
    }
  }

  std::printf(
      "md_cpp: mean temperature %.2f K, mean potential energy %.4f eps per atom; g(r) in rdf_argon.dat\n",
      temperature_sum / production_steps, potential_sum / production_steps / (N * model::epsilon));
  return std::fflush(stdout) == 0 ? 0 : 1;
}

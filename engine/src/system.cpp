#include "pelzak/engine/system.hpp"

#include <cmath>

#include "pelzak/kernels/leapfrog_step.hpp"

namespace pelzak::engine {

namespace {

void remove_com_velocity(System& s) {
  const long n = s.state.atoms;
  for (int k = 0; k < 3; ++k) {
    double* v = s.velocities.data() + k * n;
    double sum = 0.0;
    for (long i = 0; i < n; ++i) sum += v[i];
    const double mean = sum / static_cast<double>(n);
    for (long i = 0; i < n; ++i) v[i] -= mean;
  }
}

// d = 2a with a = F/m in nm/ps^2.
void start_drive(System& s) {
  const std::size_t n3 = s.forces.size();
  for (std::size_t n = 0; n < n3; ++n) s.drive[n] = 2.0 * (s.forces[n] * model::accel_per_newton);
}

// d = 2a, each atom's vector shortened (its direction kept) so that dt^2 |d| <= push_off_max_shift.
// Non-finite forces give non-finite terms: an infinite component gives dsq = inf and shrink = 0, so
// the term becomes NaN, and a start that broken is reported as a blow-up, never silently zeroed.
void push_off_drive(System& s) {
  start_drive(s);
  const long n = s.state.atoms;
  double* dx = s.drive.data();
  double* dy = dx + n;
  double* dz = dx + 2 * n;
  const double max_drive = s.derived.push_off_max_drive;
  const double max_drive_sq = max_drive * max_drive;
  for (long i = 0; i < n; ++i) {
    const double dsq = dx[i] * dx[i] + dy[i] * dy[i] + dz[i] * dz[i];
    if (dsq > max_drive_sq) {
      const double shrink = max_drive / std::sqrt(dsq);
      dx[i] *= shrink;
      dy[i] *= shrink;
      dz[i] *= shrink;
    }
  }
}

// d <- a + (scale/2) * d, scale being the factor the previous step's thermostat applied.
void recursive_drive(System& s) {
  const double half_scale = 0.5 * s.last_scale;
  const std::size_t n3 = s.forces.size();
  for (std::size_t n = 0; n < n3; ++n)
    s.drive[n] = s.forces[n] * model::accel_per_newton + half_scale * s.drive[n];
}

// Canonical sampling through velocity rescaling (Bussi, Donadio and Parrinello, J. Chem. Phys. 126,
// 014101, 2007): the kinetic energy K is replaced by a draw K' of the stochastic process that
// relaxes it to K0 = (Nf/2) kB T0 with time constant tau and leaves the canonical distribution
// invariant,
//   K' = K + (1 - c) (K0 (R1^2 + S) / Nf - K) + 2 R1 sqrt(c (1 - c) K0 K / Nf),   c = exp(-dt / tau),
// R1 a standard normal and S a sum of Nf - 1 squared standard normals (2 gamma((Nf - 1)/2)). The
// velocities are scaled by sqrt(K' / K). Nf = 3N, the count the temperature is measured over.
double csvr_factor(System& s, double kinetic) {
  const double nf = 3.0 * static_cast<double>(s.state.atoms);
  const double k0 = 0.5 * nf * model::boltzmann * s.state.temperature;
  const double c = fixed_exp(-s.derived.dt / s.state.tau);
  const double r1 = s.random.normal();
  const double rest = 2.0 * s.random.gamma(0.5 * (nf - 1.0));
  const double target = kinetic + (1.0 - c) * (k0 * (r1 * r1 + rest) / nf - kinetic) +
                        2.0 * r1 * std::sqrt(c * (1.0 - c) * k0 * kinetic / nf);
  return std::sqrt(target / kinetic);
}

}  // namespace

System::System(const StatePoint& s)
    : state(s),
      derived(derive(s)),
      positions(3 * s.atoms, 0.0),
      velocities(3 * s.atoms, 0.0),
      forces(3 * s.atoms, 0.0),
      drive(3 * s.atoms, 0.0),
      half_step(3 * s.atoms, 0.0),
      random(s.seed) {}

double thermostat_factor(System& s, Phase phase, double /*kinetic*/, double temperature,
                         double on_step_kinetic) {
  const bool library_thermometer =
      phase == Phase::push_off || s.state.thermostat == Thermostat::rescale || on_step_kinetic <= 0.0;
  if (library_thermometer) return std::sqrt(s.state.temperature / temperature);
  if (s.state.thermostat == Thermostat::csvr) return csvr_factor(s, on_step_kinetic);
  // none: constant energy in production; the equilibration before it rescales the on-step velocities.
  if (phase == Phase::production) return 1.0;
  return std::sqrt(s.state.temperature / (on_step_kinetic / s.derived.temperature_divisor));
}

namespace {

// The on-step velocities of step n, v = (u(n-1/2) + u(n+1/2)) / 2 with u(n+1/2) = w + dt d the
// displacement velocity this step makes (x' - x = dt w + dt^2 d in exact arithmetic), their kinetic
// energy summed atom by atom (x, y, z within each atom) and, if tensor is not null, the six sums
// v_a v_b (xx, yy, zz, xy, xz, yz) in the same order; u(n+1/2) replaces u(n-1/2). Returns the
// kinetic energy in J, 0 on a run's first step (no u(n-1/2) yet).
double on_step_velocities(System& s, double* tensor) {
  const long n = s.state.atoms;
  double sum = 0.0;
  double vxx = 0.0, vyy = 0.0, vzz = 0.0, vxy = 0.0, vxz = 0.0, vyz = 0.0;
  for (long i = 0; i < n; ++i) {
    double v[3];
    for (int k = 0; k < 3; ++k) {
      const long e = k * n + i;
      const double u = s.velocities[e] + s.derived.dt * s.drive[e];
      v[k] = 0.5 * (s.half_step[e] + u);
      sum = v[k] * v[k] + sum;
      s.half_step[e] = u;
    }
    if (tensor) {
      vxx = v[0] * v[0] + vxx;
      vyy = v[1] * v[1] + vyy;
      vzz = v[2] * v[2] + vzz;
      vxy = v[0] * v[1] + vxy;
      vxz = v[0] * v[2] + vxz;
      vyz = v[1] * v[2] + vyz;
    }
  }
  if (tensor)
    tensor[0] = vxx, tensor[1] = vyy, tensor[2] = vzz, tensor[3] = vxy, tensor[4] = vxz, tensor[5] = vyz;
  const bool first = !s.have_half_step;
  s.have_half_step = true;
  return first ? 0.0 : model::kinetic_factor * sum;
}

}  // namespace

StepReport step(System& s, PairForces& pair_forces, Phase phase, bool measure) {
  remove_com_velocity(s);
  const PairSums sums = pair_forces.compute(s.positions.data(), s.forces.data(), measure);

  if (phase == Phase::push_off) {
    push_off_drive(s);
  } else if (!s.drive_started) {
    start_drive(s);
    s.drive_started = true;
  } else {
    recursive_drive(s);
  }

  StepReport r;
  r.potential = sums.energy;
  double tensor[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  const double on_step_kinetic = on_step_velocities(s, measure ? tensor : nullptr);
  r.on_step_temperature = on_step_kinetic / s.derived.temperature_divisor;
  const kernels::StepModel m{s.state.atoms, s.derived.dt, s.derived.dt_sq, s.derived.two_dt,
                             s.derived.temperature_divisor};
  const auto factor = [&s, phase, on_step_kinetic](double kinetic, double temperature) {
    return thermostat_factor(s, phase, kinetic, temperature, on_step_kinetic);
  };
  r.scale = kernels::leapfrog_step(m, s.positions.data(), s.velocities.data(), s.drive.data(), &r.kinetic,
                                   &r.temperature, factor);
  s.last_scale = r.scale;

  if (measure) {
    // P_ab = (m sum v_a v_b + W_ab) / V: v in nm/ps = 1e3 m/s, so m (nm/ps)^2 = 2 kinetic_factor J.
    // The first step has no on-step velocities: the mid-step kinetic energy stands in for the trace.
    const double volume_m3 = s.derived.volume * 1e-27;
    if (on_step_kinetic <= 0.0) tensor[0] = tensor[1] = tensor[2] = r.kinetic / (3.0 * model::kinetic_factor);
    for (int k = 0; k < 6; ++k)
      r.pressure_tensor[k] = (2.0 * model::kinetic_factor * tensor[k] + sums.virial[k]) / volume_m3;
    r.pressure = (r.pressure_tensor[0] + r.pressure_tensor[1] + r.pressure_tensor[2]) / 3.0;
    if (s.derived.tail_pressure != 0.0) r.pressure += s.derived.tail_pressure;
  }
  return r;
}

}  // namespace pelzak::engine

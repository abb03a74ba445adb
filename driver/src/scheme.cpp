#include "scheme.hpp"

#include <cmath>

#include "constants.hpp"

namespace pelzak::md {

void remove_com_velocity(double* velocities) {
  for (int k = 0; k < 3; ++k) {
    double* v = velocities + k * model::atoms;
    double sum = 0.0;
    for (int i = 0; i < model::atoms; ++i) sum += v[i];
    const double mean = sum / model::atoms;
    for (int i = 0; i < model::atoms; ++i) v[i] -= mean;
  }
}

void push_off_drive(const double* forces, double* drive) {
  start_drive(forces, drive);
  double* dx = drive;
  double* dy = drive + model::atoms;
  double* dz = drive + 2 * model::atoms;
  for (int i = 0; i < model::atoms; ++i) {
    const double dsq = dx[i] * dx[i] + dy[i] * dy[i] + dz[i] * dz[i];
    if (dsq > push_off_max_drive_sq) {
      // An infinite component gives dsq = inf and shrink = 0, so the term becomes NaN: a start
      // that broken is reported as a blow-up, never silently zeroed.
      const double shrink = push_off_max_drive / std::sqrt(dsq);
      dx[i] *= shrink;
      dy[i] *= shrink;
      dz[i] *= shrink;
    }
  }
}

void start_drive(const double* forces, double* drive) {
  for (int n = 0; n < model::config_size; ++n) drive[n] = 2.0 * (forces[n] * model::accel_per_newton);
}

void recursive_drive(const double* forces, double scale, double* drive) {
  const double half_scale = 0.5 * scale;
  for (int n = 0; n < model::config_size; ++n)
    drive[n] = forces[n] * model::accel_per_newton + half_scale * drive[n];
}

double rescale_factor(double temperature) { return std::sqrt(model::target_temperature / temperature); }

}  // namespace pelzak::md

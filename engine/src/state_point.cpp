#include "pelzak/engine/state_point.hpp"

#include <cmath>

namespace pelzak::engine {

namespace {

// The long-range corrections for a pair potential cut off at rc, assuming g(r) = 1 beyond it:
//   U_tail = (8/3) pi N rho eps sigma^3 [ (1/3) (sigma/rc)^9 - (sigma/rc)^3 ]
//   P_tail = (16/3) pi rho^2 eps sigma^3 [ (2/3) (sigma/rc)^9 - (sigma/rc)^3 ]
// with rho the number density (nm^-3) and eps in J: U in J, P in J/nm^3 (1 J/nm^3 = 1e27 Pa).
double tail_energy(long atoms, double rho, double cutoff) {
  const double s3 = std::pow(model::sigma / cutoff, 3.0);
  const double s9 = s3 * s3 * s3;
  return (8.0 / 3.0) * model::pi * static_cast<double>(atoms) * rho * model::epsilon *
         (model::sigma * model::sigma * model::sigma) * (s9 / 3.0 - s3);
}

double tail_pressure(double rho, double cutoff) {
  const double s3 = std::pow(model::sigma / cutoff, 3.0);
  const double s9 = s3 * s3 * s3;
  return (16.0 / 3.0) * model::pi * rho * rho * model::epsilon *
         (model::sigma * model::sigma * model::sigma) * (2.0 * s9 / 3.0 - s3) * 1e27;
}

}  // namespace

double density_g_per_cm3(long atoms, double box) {
  return static_cast<double>(atoms) * model::mass * g_per_cm3 / (box * box * box);
}

double model_time_step(double ps) { return static_cast<double>(static_cast<float>(ps)); }

Derived derive(const StatePoint& s) {
  Derived d;
  d.cutoff = s.cutoff_sigma * model::sigma;
  d.cutoff_sq = d.cutoff * d.cutoff;
  d.dt = s.time_step;
  d.dt_sq = d.dt * d.dt;
  d.two_dt = 2.0 * d.dt;
  d.temperature_divisor = 1.5 * static_cast<double>(s.atoms) * model::boltzmann;
  d.volume = s.box * s.box * s.box;
  d.number_density = static_cast<double>(s.atoms) / d.volume;
  d.push_off_max_drive = push_off_max_shift / d.dt_sq;
  if (s.tail) {
    d.tail_energy = tail_energy(s.atoms, d.number_density, d.cutoff);
    d.tail_pressure = tail_pressure(d.number_density, d.cutoff);
  }
  return d;
}

double largest_cutoff_sigma(double box) { return box / 2.0 / model::sigma; }

double reduced_temperature(double kelvin) { return kelvin * model::boltzmann / model::epsilon; }

double reduced_density(const StatePoint& s) {
  const double sigma3 = model::sigma * model::sigma * model::sigma;
  return static_cast<double>(s.atoms) * sigma3 / (s.box * s.box * s.box);
}

double reduced_pressure(double pascal) {
  // sigma in m: P sigma^3 / eps is dimensionless with P in Pa = J/m^3.
  const double sigma_m = model::sigma * 1e-9;
  return pascal * (sigma_m * sigma_m * sigma_m) / model::epsilon;
}

}  // namespace pelzak::engine

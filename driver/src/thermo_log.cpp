#include "thermo_log.hpp"

#include "pelzak/formats/number_text.hpp"
#include "pelzak/model/units.hpp"

namespace pelzak::md {

using formats::shortest;

std::string thermo_header() {
  return "phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K,potential_eps_per_atom,kinetic_eps_"
         "per_atom,total_eps_per_atom,pressure_bar\n";
}

double per_atom_in_eps(double energy, long atoms) {
  return energy / (static_cast<double>(atoms) * model::epsilon);
}

double time_in_ps(std::int64_t elapsed_steps, const Options& o) {
  double scale = 1.0;  // 10^decimals, exact
  for (int d = 0; d < o.time_step_decimals; ++d) scale *= 10.0;
  return static_cast<double>(elapsed_steps * o.time_step_units) / scale;
}

std::string time_text(std::int64_t elapsed_steps, const Options& o) {
  // The product's digits, with the point put in by hand: no rounding anywhere.
  std::string digits = std::to_string(elapsed_steps * o.time_step_units);
  const int decimals = o.time_step_decimals;
  if (decimals == 0) return digits;
  if (static_cast<int>(digits.size()) <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  digits.insert(digits.size() - decimals, 1, '.');
  return digits;
}

std::string thermo_row(std::string_view phase, std::int64_t step, std::int64_t steps_before,
                       const engine::StepReport& r, const Options& o) {
  const long atoms = o.atoms;
  std::string row(phase);
  const double total = r.potential + r.kinetic;
  row += ',' + std::to_string(step) + ',' + time_text(steps_before, o) + ',' + shortest(r.potential) + ',' +
         shortest(r.kinetic) + ',' + shortest(total) + ',' + shortest(r.temperature) + ',' +
         shortest(per_atom_in_eps(r.potential, atoms)) + ',' + shortest(per_atom_in_eps(r.kinetic, atoms)) +
         ',' + shortest(per_atom_in_eps(total, atoms)) + ',' + shortest(r.pressure / units::pascal_per_bar) +
         '\n';
  return row;
}

}  // namespace pelzak::md

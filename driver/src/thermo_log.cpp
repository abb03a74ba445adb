#include "thermo_log.hpp"

#include "pelzak/analysis/number_text.hpp"

namespace pelzak::md {

using analysis::shortest;

std::string thermo_header() {
  return "phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K,potential_eps_per_atom,kinetic_eps_"
         "per_atom,total_eps_per_atom\n";
}

double per_atom_in_eps(double energy) { return energy / (model::atoms * model::epsilon); }

std::string time_text(std::int64_t elapsed_steps) {
  const std::int64_t hundredths = elapsed_steps % 100;
  return std::to_string(elapsed_steps / 100) + (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
}

std::string thermo_row(std::string_view phase, std::int64_t step, std::int64_t steps_before, double potential,
                       double kinetic, double temperature) {
  std::string row(phase);
  const double total = potential + kinetic;
  row += ',' + std::to_string(step) + ',' + time_text(steps_before) + ',' + shortest(potential) + ',' +
         shortest(kinetic) + ',' + shortest(total) + ',' + shortest(temperature) + ',' +
         shortest(per_atom_in_eps(potential)) + ',' + shortest(per_atom_in_eps(kinetic)) + ',' +
         shortest(per_atom_in_eps(total)) + '\n';
  return row;
}

}  // namespace pelzak::md

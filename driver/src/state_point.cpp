#include "state_point.hpp"

#include "pelzak/engine/pair_forces.hpp"
#include "pelzak/engine/state_options.hpp"
#include "pelzak/formats/number_text.hpp"

namespace pelzak::md {

long run_atoms(const Options& o) { return o.atoms != 0 ? o.atoms : model::atoms; }

double time_step_ps(const Options& o) {
  return engine::decimal_value(o.time_step_units, o.time_step_decimals);
}

engine::StatePoint state_point(const Options& o) {
  engine::StatePoint s;
  s.atoms = run_atoms(o);
  s.box = engine::state_box(s.atoms, o.density);
  s.temperature = o.temperature;
  s.cutoff_sigma = o.cutoff_sigma;
  s.tail = o.tail;
  s.time_step = engine::model_time_step(time_step_ps(o));
  s.thermostat = o.thermostat;
  s.tau = o.tau;
  s.seed = o.seed;
  return s;
}

bool library_liquid(const Options& o) { return run_atoms(o) == model::atoms && o.density == 0.0; }

std::string run_description(const Options& o, std::int64_t production_shown) {
  using formats::rounded;
  const double box = engine::state_box(run_atoms(o), o.density);
  std::string text =
      std::to_string(run_atoms(o)) + " Lennard-Jones atoms at " + rounded(o.temperature, 6) + " K";
  if (!library_liquid(o))
    text += " and " + formats::fixed(engine::density_g_per_cm3(run_atoms(o), box), 5) + " g/cm^3";
  if (o.cutoff_sigma != Options{}.cutoff_sigma || o.tail)
    text +=
        ", cut off at " + rounded(o.cutoff_sigma, 6) + " sigma" + (o.tail ? " with the tail correction" : "");
  if (o.thermostat != engine::Thermostat::rescale)
    text += std::string(", thermostat ") + thermostat_name(o.thermostat);
  return text + "; " + std::to_string(o.push_off_steps) + " push-off, " +
         std::to_string(o.equilibration_steps) + " equilibration and " + std::to_string(production_shown) +
         " production steps of " + formats::rounded(time_step_ps(o), 10) + " ps";
}

}  // namespace pelzak::md

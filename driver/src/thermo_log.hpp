// The thermodynamic log "thermo_argon.csv": one header line, then one row per logged step.
// Every number is written as the shortest text that reads back as the same double, so the log is
// exact and, like the whole run, identical from run to run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelzak/driver/job.hpp"
#include "pelzak/engine/system.hpp"

namespace pelzak::md {

// The header: every quantity with its unit in its name,
//   phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K,
//   potential_eps_per_atom,kinetic_eps_per_atom,total_eps_per_atom,pressure_bar
// (one line). The energies per atom in units of epsilon are the unit of the run's summary (about
// -5.19 for the liquid's potential energy), so the log and the summary can be compared at a glance.
std::string thermo_header();

// One row for one step; step counts within the phase. The time, steps_before time steps written as
// an exact decimal, the potential energy and the pressure are those of the positions the step
// started from (the pressure's kinetic part from the on-step velocities there); the kinetic energy and
// temperature are what the library's step measured (from the mean of the velocities before and after
// it, which in this scheme trails the positions by about one step). The total is their sum.
std::string thermo_row(std::string_view phase, std::int64_t step, std::int64_t steps_before,
                       const engine::StepReport& r, const Options& o);

// An energy of the whole box in J as energy per atom in units of epsilon: E / (N eps).
double per_atom_in_eps(double energy, long atoms);

// elapsed_steps time steps in ps, the nearest double to the exact decimal time_text writes.
double time_in_ps(std::int64_t elapsed_steps, const Options& o);

// elapsed_steps time steps as an exact decimal, with the time step's decimals: "12.34" for 1234
// steps of 0.01 ps.
std::string time_text(std::int64_t elapsed_steps, const Options& o);

}  // namespace pelzak::md

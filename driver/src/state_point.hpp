// The state point the options choose, as the engine takes it, and how a run describes it.
#pragma once

#include <string>

#include "pelzak/driver/job.hpp"
#include "pelzak/engine/state_options.hpp"
#include "pelzak/engine/state_point.hpp"

namespace pelzak::md {

// The atom count: --atoms, or the library's 864 while no start file has said otherwise.
long run_atoms(const Options& o);

// The time step as given, in ps (one correctly rounded division of the decimal's digits).
double time_step_ps(const Options& o);

// The state point of the options (the time step rounded to single precision, as the library's).
engine::StatePoint state_point(const Options& o);

// Whether the options leave the library's liquid: its 864 atoms in its box.
bool library_liquid(const Options& o);

// One line for the plots: "864 Lennard-Jones atoms at 94.4 K and 1.36245 g/cm^3; 500 push-off, ...".
std::string run_description(const Options& o, std::int64_t production_shown);

using engine::thermostat_name;

}  // namespace pelzak::md

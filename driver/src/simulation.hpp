// The run's steps: push-off, equilibration, then production, whose first 1000 steps sample g(r) and
// whose every step feeds the dynamics analysis. Every step hands the driver's arrays to the library
// (forces, the Verlet step, the sampler), then logs.
#pragma once

#include <cstdint>

#include "constants.hpp"
#include "dynamics.hpp"
#include "options.hpp"
#include "pelzak/auxiliary/radial_dist_core.hpp"
#include "progress.hpp"
#include "text_file.hpp"

namespace pelzak::md {

// Everything the library's routines work on, owned here and handed over by address.
struct State {
  double positions[model::config_size];   // nm, never wrapped into the box
  double velocities[model::config_size];  // nm/ps
  double forces[model::config_size];      // N
  double drive[model::config_size];       // nm/ps^2, the term the step multiplies by dt^2
  double histogram[model::bins];          // the sampler's pair counts
  double last_scale = 1.0;                // rescaling factor the previous step applied
  bool drive_started = false;             // the recursive driving term has its first value
  std::int64_t elapsed = 0;               // steps done in the whole run
  double production_potential = 0.0;      // sums over the production steps, J and K
  double production_temperature = 0.0;
  Dynamics dynamics;  // how the atoms move in production
};

// The files the steps write, all in the staging folder.
struct Outputs {
  aux::RdfOutput rdf;  // g(r): the library's sampler opens it there at production step 1
  TextFile thermo;
  TextFile trajectory;
  std::int64_t thermo_every = 1;
  std::int64_t xyz_every = 0;
};

// The last step done: phase name (nullptr before the first step), step within it, its length.
struct Reached {
  const char* phase = nullptr;
  std::int64_t step = 0;
  std::int64_t of = 0;
};

enum class Outcome { done, blew_up, write_failed, rdf_failed, interrupted };

// Runs the three phases. Stops after the step in which the run blows up (reported here), a file
// can no longer be written (the g(r) file: rdf_failed, reported here as the library reports it), or
// an interrupt arrives (interrupts.hpp); *reached is the last step done.
Outcome run_steps(const Options& options, State& s, Outputs& out, Progress& progress, Reached* reached);

}  // namespace pelzak::md

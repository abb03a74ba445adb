// The run's steps: push-off, equilibration, then production, whose every 20th step samples g(r)
// (the first 1000 steps' samples make "rdf_argon.dat", as the library's sampler does; all of them
// the g(r) shown) and whose every step feeds the dynamics analysis. Every step is the engine's
// (pelzak/engine/system.hpp): forces, the driving term, the library's leapfrog step and the
// thermostat; then the log.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dynamics.hpp"
#include "options.hpp"
#include "pelzak/analysis/block_stats.hpp"
#include "pelzak/analysis/correlations.hpp"
#include "pelzak/analysis/thermo_svg.hpp"
#include "pelzak/engine/pair_forces.hpp"
#include "pelzak/engine/rdf_sampler.hpp"
#include "pelzak/engine/system.hpp"
#include "progress.hpp"
#include "text_file.hpp"

namespace pelzak::md {

// g(r) is sampled every rdf_every production steps from step 1, as the library samples its 864 atoms;
// "rdf_argon.dat" is normalised for the samples of the first rdf_steps steps, as the library's sampler
// writes it (50 of them for the library's liquid).
inline constexpr std::int64_t rdf_every = model::sample_every;
inline constexpr std::int64_t rdf_steps = model::output_step;

// A sample looks at every pair, so its cost grows as N^2 while a step's grows as N: with more atoms
// than the library's, g(r) is sampled every rdf_every x ceil(N / 864) steps (160 at 6,912 atoms, 1280
// at 55,296), which holds its share of the run near the library's 8 % at every size. Each sample then
// counts that many times more pairs per atom, so g(r)'s statistics per unit of run time still grow
// with N.
std::int64_t rdf_interval(long atoms);
// The pressure is sampled every pressure_every production steps (and on every logged step).
inline constexpr std::int64_t pressure_every = 10;

// What production adds up.
struct Production {
  analysis::BlockAverage potential;  // J, every step
  analysis::BlockAverage pressure;   // Pa, every pressure_every steps
  double temperature_sum = 0.0;      // K, the library step's thermometer
  double on_step_temperature_sum = 0.0;
  std::int64_t steps = 0;
  // The total energy per atom (eps) against time (ns), for the drift of a constant-energy run: the
  // sums of a least-squares line, time measured from the first step.
  double t_sum = 0.0, e_sum = 0.0, tt_sum = 0.0, te_sum = 0.0;
};

struct State {
  Options options;  // the atom count settled by the start
  engine::System system;
  engine::PairForces forces;
  engine::RdfSampler rdf;
  std::vector<double> rdf_first;  // the first rdf_steps production steps' pair counts
  std::vector<double> rdf_whole;  // the whole production's
  std::int64_t rdf_whole_samples = 0;
  std::int64_t rdf_first_samples = 0;  // of them in the first rdf_steps steps
  std::int64_t elapsed = 0;            // steps done in the whole run, continued runs included
  std::int64_t production_before = 0;  // production steps of the runs this one continues
  Production production;
  Dynamics dynamics;                     // how the atoms move in production
  analysis::Correlations correlations;   // the scattering functions and the viscosity
  analysis::ThermoSeries thermo_series;  // the logged rows, for the plot

  explicit State(const Options& resolved);
};

// The files the steps write, all in the staging folder.
struct Outputs {
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

enum class Outcome { done, blew_up, write_failed, interrupted };

// Runs the three phases. Stops after the step in which the run blows up (reported on progress's
// stream), a file can no longer be written, or interrupt() gives a signal's number after a step;
// *reached is the last step done.
Outcome run_steps(State& s, Outputs& out, Progress& progress, const std::function<int()>& interrupt,
                  Reached* reached);

}  // namespace pelzak::md

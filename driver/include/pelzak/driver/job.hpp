// pelzak_md's job as a function, the driver's one public interface (the program pelzak_md and the
// Python module's pelzak.run call it).
//
// The job: check the run folder, read the start, run the steps in the staging folder, and put the
// finished set of results in place; or, if the run is refused, fails or is interrupted, leave the
// earlier results exactly as they were. Every failure, a malformed start included, comes back as
// the exit status with its message written to the error stream: the job never ends the process, so
// a program (an interpreter) can call it in its own process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "pelzak/engine/state_options.hpp"
#include "pelzak_model.h"

namespace pelzak::md {

// The command line's options (src/options.hpp): run control, and the state point (its options and
// their defaults: pelzak/engine/state_options.hpp).
struct Options : engine::StateOptions {
  std::int64_t push_off_steps = 500;
  std::int64_t equilibration_steps = 1500;
  std::int64_t production_steps = 20000;  // "rdf_argon.dat" from the first 1000, the rest from all
  std::int64_t thermo_every = 10;  // a log row every this many steps of each phase, and its first and last
  std::int64_t xyz_every = 0;      // a trajectory frame every this many steps of the run; 0: no trajectory
  bool quiet = false;              // no progress display
  std::string output_dir;          // the folder the results go to (made if missing); empty: the working one
  // Go on from the run folder's "checkpoint_argon.bin" for production_steps more steps: the state
  // point, the time and the engine's state come from there, and the state options, seed and start
  // are not used.
  bool continue_run = false;

  std::uint64_t seed = engine::default_seed;  // csvr's draws and a lattice start's velocities
  std::string start;                          // a start file of any atom count; empty: see start.hpp
  // Threads for the forces (the same bits on any number). One unless asked: a second thread pays
  // from about 7,000 atoms on an idle core, but not at 864 atoms or beside other work (bench/README.md).
  int threads = 1;
};

inline constexpr int exit_ok = 0;
inline constexpr int exit_io_error = 1;
// 2 is the library's (pelzak/model/failure.hpp): a malformed "ar_simulation.dat" gets its
// status, as the library's reader would end the process with it.
inline constexpr int exit_blow_up = 3;
// 64 is EX_USAGE of sysexits.h.
inline constexpr int exit_usage = 64;
// An interrupt by signal N gives 128 + N, as a shell reports a process killed by it.
inline constexpr int exit_signal_base = 128;

// The figures of the summary at full precision, for a program that wants numbers rather than the
// printed text (which rounds them). NaN where the run has no such figure: an uncertainty from
// fewer than two blocks, a VACF that never crosses zero.
struct JobFigures {
  long atoms;
  double temperature;  // K, the thermostat's target
  double density;      // g/cm^3
  double cutoff_sigma;
  bool tail;
  engine::Thermostat thermostat;
  double reduced_temperature;            // kB T / eps
  double reduced_density;                // N sigma^3 / V
  double mean_temperature;               // K, the thermometer of the library's step, over production
  double mean_on_step_temperature;       // K, of the on-step velocities, over production
  double mean_potential_per_atom;        // epsilon per atom, over production (tail included)
  double mean_potential_per_atom_error;  // standard error from the blocks
  double mean_pressure_bar;              // bar, over production (tail included)
  double mean_pressure_bar_error;
  double mean_reduced_pressure;  // P sigma^3 / eps
  double mean_reduced_pressure_error;
  double energy_drift;                // eps per atom per ns, constant energy only
  double rdf_peak_g;                  // g(r)'s first peak (its highest bin), whole production
  double rdf_peak_r_sigma;            // at r / sigma
  double diffusion_einstein;          // 1e-5 cm^2/s, from the MSD's slope
  double diffusion_einstein_error;    // 1e-5 cm^2/s, standard error from the blocks
  double diffusion_green_kubo;        // 1e-5 cm^2/s, from the VACF's integral
  double diffusion_green_kubo_error;  // 1e-5 cm^2/s
  double msd_fit_slope;               // nm^2/ps: the MSD's straight line, 6 D
  double msd_fit_intercept;           // nm^2
  double msd_fit_start;               // ps: the window the line is fitted over
  double msd_fit_end;                 // ps
  double vacf_zero;                   // ps: the normalised VACF's first zero
  double vacf_minimum;                // its first minimum
  double vacf_minimum_time;           // ps
  double alpha2_peak;                 // the non-Gaussian parameter's peak
  double alpha2_peak_time;            // ps
  double spectrum_peak_frequency;     // THz: the spectrum's main peak
  double spectrum_peak_density;       // 1/THz
  double sk_peak_per_nm;              // S(k)'s main peak: where (nm^-1), directly where sampled
  double sk_peak_height;              // and its height
  double fs_k_per_nm;                 // the wave number of F_s at that peak, nm^-1
  double fs_relaxation;               // ps: F_s there falls to 1/e
  double fs_relaxation_error;         // ps, from the blocks of time origins
  double gs_largest_departure_time;   // ps: G_s furthest from its Gaussian
  double gs_largest_departure;        // the largest gap between the two distributions then
  double viscosity;                   // mPa s, Green-Kubo
  double viscosity_error;             // mPa s, from the blocks
  double reduced_viscosity;           // eta sigma^2 / sqrt(m eps)
  double reduced_viscosity_error;
};

// The options of pelzak_md's arguments (without the program's name), checked exactly as pelzak_md
// checks its command line, for a front end that takes them in another form (pelzak.run's keywords):
// an empty string, or the one line that says what is wrong. --help and --version are not options
// here.
std::string options_from_arguments(const std::vector<std::string>& arguments, Options* options);

// Where the job works and talks, for a program that runs it in its own process. pelzak_md's are
// the defaults.
struct JobPlace {
  // The folder that stands for the working directory: the start "ar_simulation.dat", --start,
  // --output-dir and the results are found from it, while messages name them as pelzak_md run in
  // that folder would. Empty: the working directory itself.
  std::string folder;
  std::FILE* out = stdout;  // the summary
  std::FILE* err = stderr;  // messages and progress
  // Asked after every step: the number of the signal that asks the run to stop, or 0; once it gives
  // a number it keeps giving it. Empty: the job catches SIGINT, SIGTERM and SIGHUP itself for the
  // run (interrupts.hpp) and puts the earlier handlers back when it returns.
  std::function<int()> interrupt;
};

// Every option pelzak_md takes, by its long name ("--push-off", ...), as its command line registers
// them.
std::vector<std::string> option_names();

// figures, if given, receives the run's figures when it succeeds and is left alone otherwise.
int run_job(const Options& options, JobFigures* figures = nullptr, const JobPlace& place = {});

}  // namespace pelzak::md

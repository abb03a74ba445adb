// pelzak_md's job as a function, the driver's one public interface (the program pelzak_md and the
// Python module's pelzak.run call it).
//
// The job: check the run folder, read the start, run the steps in the staging folder, and put the
// finished set of results in place; or, if the run is refused, fails or is interrupted, leave the
// earlier results exactly as they were. Returns the exit status and never ends the process itself
// (only the library's read_file does that, for a malformed start), so a program can call it as a
// function: the interrupt handlers are as before when it returns.
#pragma once

#include <cstdint>

namespace pelzak::md {

// Run control, the command line's options (src/options.hpp); the model is fixed.
struct Options {
  std::int64_t push_off_steps = 500;
  std::int64_t equilibration_steps = 1500;
  std::int64_t production_steps = 20000;  // g(r) from the first 1000, the dynamics from all
  std::int64_t thermo_every = 1;          // a log row every this many steps of each phase
  std::int64_t xyz_every = 0;  // a trajectory frame every this many steps of the run; 0: no trajectory
  bool quiet = false;          // no progress display
};

// Largest step count or interval accepted, so that every step count of a run fits comfortably.
inline constexpr std::int64_t max_steps = 1000000000;

inline constexpr int exit_ok = 0;
inline constexpr int exit_io_error = 1;
// 2 is the library's (pelzak/auxiliary/failure.hpp): it ends the process with it for a malformed
// start, and the job returns it for a g(r) file the library's sampler cannot open or write.
inline constexpr int exit_blow_up = 3;
// 64 is EX_USAGE of sysexits.h.
inline constexpr int exit_usage = 64;
// An interrupt by signal N gives 128 + N, as a shell reports a process killed by it.
inline constexpr int exit_signal_base = 128;

// The figures of the summary at full precision, for a program that wants numbers rather than the
// printed text (which rounds them). NaN where the run has no such figure: an uncertainty from
// fewer than two blocks, a VACF that never crosses zero.
struct JobFigures {
  double mean_temperature;            // K, over production
  double mean_potential_per_atom;     // epsilon per atom, over production
  double rdf_peak_g;                  // g(r)'s first peak (its highest bin)
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
};

// figures, if given, receives the run's figures when it succeeds and is left alone otherwise.
int run_job(const Options& options, JobFigures* figures = nullptr);

}  // namespace pelzak::md

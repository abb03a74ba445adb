// "checkpoint_argon.bin": everything a run needs to go on exactly where it stopped, written with
// every run's set of results. pelzak_md --continue -P M reads it from the run folder and runs M more
// production steps that are, bit for bit, the steps the uninterrupted run would have made: the same
// positions, energies, log rows and times.
//
// The file is a text header of "name value" lines, then the engine's arrays as raw doubles:
//   pelzak_md checkpoint 2
//   atoms 864                   the state point as the options gave it (density 0: the library's box)
//   density 0
//   temperature 94.4
//   cutoff_sigma 2.25
//   tail 0
//   time_step 1 2               the step as the decimal given: 1 * 10^-2 ps
//   thermostat rescale
//   tau 0.1
//   seed 1
//   elapsed_steps 4000          where the run stands: steps since the start, production steps done
//   production_steps 2000
//   have_half_step 1            the engine's state beyond the arrays
//   drive_started 1
//   last_scale 0.99981234
//   random 12345 ... 0 0        csvr's random stream (engine/random.hpp)
//   arrays 5 2592 0123456789abcdef
// and then 5 x 2592 doubles, little-endian: positions (nm), velocities (nm/ps), the driving term
// (nm/ps^2), the last half-step velocities (nm/ps) and the positions the engine's current pair
// list was built from (nm; the positions themselves before the first list), each in the
// configuration layout (all x, then all y, then all z). The engine's order of summation follows
// its list, so the continued run rebuilds the list the uninterrupted run was using. Reals are written as the
// shortest decimal that reads back as the same double; the last field of "arrays" is the FNV-1a hash of the
// array bytes, so a damaged or cut file is refused rather than continued from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pelzak/driver/job.hpp"

namespace pelzak::md {

struct State;

struct Checkpoint {
  Options state;  // the state point fields only: atoms, density, temperature, ..., seed
  std::int64_t elapsed_steps = 0;
  std::int64_t production_steps = 0;
  bool have_half_step = false;
  bool drive_started = false;
  double last_scale = 1.0;
  std::string random;
  std::vector<double> positions, velocities, drive, half_step, list_origin;
};

// The file's bytes for the run as it stands.
std::string checkpoint_bytes(const State& s);

// Reads path, named `shown` in messages; false with a one-line message (file, line, reason) if it is
// missing or is not a checkpoint this program wrote.
bool read_checkpoint(const std::string& path, const std::string& shown, Checkpoint* c, std::string* message);

// The options of a run continuing from c: the state point of c, the run control of options.
Options continued_options(const Options& options, const Checkpoint& c);

// Puts the engine where c left it (s built from continued_options); false with a message if c does
// not fit the state point (a hand-edited file).
bool restore(State& s, const Checkpoint& c, std::string* message);

}  // namespace pelzak::md

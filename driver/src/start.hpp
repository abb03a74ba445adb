// Where a run starts:
//   --start FILE     the configuration in FILE, in the start file's layout, of any atom count: the
//                    count its second line states (--atoms, if given, must agree), every coordinate
//                    inside the box the options give (within the 0.0005 nm of the file's 3 decimals);
//   the library's liquid (864 atoms in its box) without --start: "ar_simulation.dat" from
//                    pelzak_initial in the working directory, read as the library reads it;
//   any other state point: atoms on an fcc lattice filling the box, velocities drawn at the
//                    temperature from --seed (pelzak/engine/lattice_start.hpp).
// Only reads: nothing is written here.
#pragma once

#include <string>
#include <vector>

#include "pelzak/driver/job.hpp"

namespace pelzak::md {

struct Start {
  long atoms = 0;                  // how many the start holds (0 for a lattice: the options' count)
  std::vector<double> positions;   // nm, configuration layout (empty for a lattice)
  std::vector<double> velocities;  // nm/ps
  std::string source;              // what it came from, for the summary
};

// Reads the start the options ask for. False with the exit status and a one-line message if there
// is none: for a malformed "ar_simulation.dat" the library's reader's own line, prefix included, and
// its status 2; a usage error for a start that disagrees with the options. base stands for the
// working directory (pelzak/formats/file_set.hpp's found_from).
bool read_start(const Options& options, const std::string& base, Start* start, int* status,
                std::string* message);

// The options with the atom count the start settles: --atoms, else the start file's.
Options with_start(const Options& options, const Start& start);

}  // namespace pelzak::md

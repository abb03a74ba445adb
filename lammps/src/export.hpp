// pelzak_lammps export: our liquid as a LAMMPS data file and an input script that runs the toolkit's
// model unchanged, on one core or many (mpirun -np P lmp -in in.argon).
#pragma once

#include <cstdint>
#include <string>

#include "pelzak/formats/file_names.hpp"
#include "pelzak_model.h"

namespace pelzak::lammps {

// Largest replication: LAMMPS numbers atoms with 32-bit integers, 864 * 135^3 < 2^31.
inline constexpr int max_replicate = 135;
// Seed of the fresh velocities a replicated box gets by default (any positive number will do): the
// copies would otherwise start with the same velocities, and since nothing but rounding tells them
// apart, they would keep moving in step for thousands of steps.
inline constexpr std::int64_t replica_seed = 87287;

struct ExportOptions {
  int replicate = 1;               // copies along each axis
  std::int64_t steps = 1000;       // steps the input runs
  std::int64_t dump_every = 4;     // steps between dump frames (0.04 ps: pelzak_md's VACF frames)
  std::int64_t thermo_every = 10;  // steps between thermo lines
  std::int64_t seed = -1;          // 0: keep our velocities; > 0: fresh ones; -1: 0 unless replicated
  bool nve = false;                // no thermostat
  std::string from;                // configuration file; empty: formats::final_file
  std::string dir;                 // output folder
};

// Reads a configuration in the start file's layout with the library's reader; on failure returns false
// with a one-line message naming the file, the line and the reason.
bool read_start(const std::string& path, double* positions, double* velocities, std::string* message);

// The LAMMPS data file: the configuration (axis by axis, nm and nm/ps) wrapped into the box and
// repeated replicate times along each axis, in metal units; source names it in the title line.
std::string data_file_text(const double* positions, const double* velocities, int replicate,
                           const std::string& source);

// The input script for a box of replicate^3 copies.
std::string input_text(const ExportOptions& options, const std::string& source);

// The whole command: returns the process exit status, with a one-line message on stderr on failure.
int run_export(const ExportOptions& options);

}  // namespace pelzak::lammps

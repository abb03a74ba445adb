// pelzak_lammps export: our liquid as a LAMMPS data file and an input script that runs the toolkit's
// model unchanged, on one core or many (mpirun -np P lmp -in in.argon).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pelzak/engine/state_options.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak_model.h"

namespace pelzak::lammps {

// Largest replication: LAMMPS numbers atoms with 32-bit integers, 864 * 135^3 < 2^31.
inline constexpr int max_replicate = 135;
// Most atoms LAMMPS numbers (its ids are 32-bit signed integers): a smaller configuration may be
// replicated further than max_replicate, a bigger one less.
inline constexpr std::int64_t max_lammps_atoms = 2147483647;
// The largest seed the input passes to LAMMPS' random number generators.
inline constexpr std::int64_t max_seed = 900000000;
// Seed of the fresh velocities a replicated box gets by default (any positive number will do): the
// copies would otherwise start with the same velocities, and since nothing but rounding tells them
// apart, they would keep moving in step for thousands of steps.
inline constexpr std::int64_t replica_seed = 87287;

// The state point as pelzak_md takes it (the density the configuration was made at; csvr's tau is
// Berendsen's in LAMMPS), and what the export adds.
struct ExportOptions : engine::StateOptions {
  int replicate = 1;               // copies along each axis
  std::int64_t steps = 1000;       // steps the input runs
  std::int64_t dump_every = 4;     // steps between dump frames (0.04 ps: pelzak_md's VACF frames)
  std::int64_t thermo_every = 10;  // steps between thermo lines
  std::int64_t seed = -1;          // 0: keep our velocities; > 0: fresh ones; -1: 0 unless replicated
  bool force = false;              // replace the files of an earlier run in dir
  std::string from;                // configuration file; empty: formats::final_file
  std::string dir;                 // output folder
};

// The configuration read: its atoms and the side of the box they fill at the density given.
struct Configuration {
  long atoms = 0;
  double side = 0.0;                          // nm
  std::vector<double> positions, velocities;  // axis by axis, nm and nm/ps
};

// Reads a configuration in the start file's layout, of the atom count its second line states; on
// failure returns false with a one-line message naming the file, the line and the reason.
bool read_start(const std::string& path, Configuration& config, std::string* message);

// The LAMMPS data file: the configuration wrapped into its box and repeated replicate times along
// each axis, in metal units; source names it in the title line.
std::string data_file_text(const Configuration& config, int replicate, const std::string& source);

// The input script for replicate^3 copies of a configuration of `atoms` atoms.
std::string input_text(const ExportOptions& options, long atoms, const std::string& source);

// What is wrong with the state point for this configuration (the box it gives, the cut-off against
// half the exported box, atoms outside the box, too many atoms for LAMMPS), or "".
std::string check_state(const ExportOptions& options, const Configuration& config);

// The files of a run in a folder: what export, LAMMPS and analyse write there.
std::vector<std::string> run_files();

// The dump's size in bytes, as the input's defaults write it: about, since LAMMPS writes each
// number in as few digits as it needs.
double dump_bytes(const ExportOptions& options, long atoms);

// The whole command: returns the process exit status, with a one-line message on stderr on failure.
int run_export(const ExportOptions& options);

}  // namespace pelzak::lammps

// pelzak_lammps analyse: what pelzak_md writes, from the dump of a LAMMPS run of any size.
#pragma once

#include <string>

#include "dump_reader.hpp"
#include "rdf_analysis.hpp"

namespace pelzak::lammps {

inline constexpr char kRdfFile[] = "rdf_argon.dat";
inline constexpr char kRdfPlot[] = "rdf_argon.svg";

struct AnalyseOptions {
  std::string dir;
  std::string dump;  // empty: dir/traj_argon.lammpstrj
  DumpOptions read;
};

// g(r) of every frame of the dump: 50 frames of 864 atoms in our box give the library's curve.
void dump_rdf(const Dump& dump, md::RdfCurve& curve);

// The whole command: returns the process exit status, with one-line messages on stderr.
int run_analyse(const AnalyseOptions& options);

}  // namespace pelzak::lammps

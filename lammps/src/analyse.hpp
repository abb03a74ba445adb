// pelzak_lammps analyse: what pelzak_md writes, from the dump of a LAMMPS run of any size.
#pragma once

#include <string>

#include "dump_reader.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak_model.h"

namespace pelzak::lammps {

struct AnalyseOptions {
  std::string dir;
  std::string dump;  // empty: dir/traj_argon.lammpstrj; a name ending in ".xyz" is read as xyz
  std::string xyz;   // pelzak_md's trajectory (xyz_trajectory.hpp) in place of a dump
  DumpOptions read;
};

// The files analyse writes into the run's folder (those the dump lacks the data for are removed).
inline constexpr const char* analysis_files[] = {
    formats::rdf_file,      formats::rdf_plot_file,       formats::msd_file,     formats::vacf_file,
    formats::spectrum_file, formats::dynamics_plot_file,  formats::vanhove_file, formats::fsk_file,
    formats::sk_file,       formats::scattering_plot_file};

// g(r) is sampled every 20 steps of 0.01 ps, as the library samples it: from frames this far apart
// (from every frame when they are farther apart or unevenly spaced).
inline constexpr double rdf_sample_time = model::sample_every * model::dt;

// g(r) of the dump's frames rdf_sample_time apart; returns how many frames it took. 50 frames of 864
// atoms in our box give the library's curve.
std::size_t dump_rdf(const Dump& dump, analysis::RdfCurve& curve);

// The whole command: returns the process exit status, with one-line messages on stderr.
int run_analyse(const AnalyseOptions& options);

}  // namespace pelzak::lammps

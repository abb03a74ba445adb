// The name of every file the toolkit's programs write or read, in one place. All are relative names:
// each program works in its working directory (or a folder it is given).
#pragma once

namespace pelzak::formats {

// The start: written by pelzak_initial, read by the library's read_file and by pelzak_md.
inline constexpr char start_file[] = "ar_simulation.dat";

// A run's set of results (pelzak_md; pelzak_lammps analyse writes the g(r) and dynamics files too).
inline constexpr char rdf_file[] =
    "rdf_argon.dat";  // g(r) of the first 1000 production steps, as radial_dist writes it
inline constexpr char rdf_plot_file[] = "rdf_argon.svg";  // g(r) of the whole production, plotted
inline constexpr char rdf_production_file[] = "rdf_production_argon.csv";  // the same curve as numbers
inline constexpr char thermo_file[] = "thermo_argon.csv";                  // the thermodynamic log
inline constexpr char thermo_plot_file[] = "thermo_argon.svg";             // T, U and P against time
inline constexpr char msd_file[] = "msd_argon.csv";                 // mean-square displacement and alpha2
inline constexpr char vacf_file[] = "vacf_argon.csv";               // velocity autocorrelation
inline constexpr char spectrum_file[] = "spectrum_argon.csv";       // its spectrum
inline constexpr char dynamics_plot_file[] = "dynamics_argon.svg";  // MSD, VACF and spectrum plotted
inline constexpr char final_file[] = "final_argon.dat";       // where the run ended, in the start's layout
inline constexpr char trajectory_file[] = "traj_argon.xyz";   // frames for molecular viewers (optional)
inline constexpr char summary_file[] = "summary_argon.json";  // the summary's figures, for programs
inline constexpr char checkpoint_file[] = "checkpoint_argon.bin";       // where the run stands, to go on from
inline constexpr char vanhove_file[] = "vanhove_argon.csv";             // G_s and its Gaussian at a few times
inline constexpr char fsk_file[] = "fsk_argon.csv";                     // F_s(k, t) at a few wave numbers
inline constexpr char sk_file[] = "sk_argon.csv";                       // S(k) directly and from g(r)
inline constexpr char scattering_plot_file[] = "scattering_argon.svg";  // G_s and S(k) plotted

// What pelzak_lammps hands to LAMMPS and reads back from it.
inline constexpr char lammps_input_file[] = "in.argon";
inline constexpr char lammps_data_file[] = "argon.data";
inline constexpr char lammps_dump_file[] = "traj_argon.lammpstrj";
inline constexpr char lammps_log_file[] = "log.lammps";

}  // namespace pelzak::formats

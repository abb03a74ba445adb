// pelzak_lammps run: runs an exported input where it lies, as a user would type it:
//   cd DIR && lmp -in in.argon                     (one process)
//   cd DIR && mpirun -np P lmp -in in.argon        (P > 1)
#pragma once

#include <string>
#include <vector>

namespace pelzak::lammps {

struct RunOptions {
  int processes = 1;
  std::string dir;
};

// The full path of program found on PATH (as execvp would find it), or "" if there is none.
std::string find_program(const std::string& program);

// The command line for P processes: {"lmp", "-in", "in.argon"} or {"mpirun", "-np", "P", "lmp", ...}.
std::vector<std::string> lammps_command(int processes);

// Runs LAMMPS in options.dir with its output passed through; returns the process exit status, with a
// one-line message if lmp or mpirun is not installed, the input is missing or LAMMPS fails.
//
// Open MPI refuses to run as root unless told that it is meant, and refuses more processes than it
// counts cores; when root, and always for the count, the child gets the Open MPI settings that allow
// both (OMPI_ALLOW_RUN_AS_ROOT, OMPI_MCA_rmaps_base_oversubscribe), so the command line stays the one
// above. Other MPI implementations ignore them.
int run_lammps(const RunOptions& options);

}  // namespace pelzak::lammps

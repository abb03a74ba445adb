#include "export.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "metal_units.hpp"
#include "output_set.hpp"
#include "pelzak/analysis/number_text.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak/formats/file_names.hpp"
#include "status.hpp"

namespace pelzak::lammps {

namespace {

using analysis::shortest;

// A file name as it may appear in a comment line: control characters (a line feed would end the
// comment and turn the rest of the name into input) shown as '?'.
std::string printable(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return out;
}

// Position in [0, L), nm. fmod is exact; a tiny negative remainder plus L may round to L, the
// same point as 0.
double wrap(double x) {
  double w = std::fmod(x, model::box);
  if (w < 0.0) w += model::box;
  if (w >= model::box) w = 0.0;
  return w;
}

std::int64_t effective_seed(const ExportOptions& options) {
  if (options.seed >= 0) return options.seed;
  return options.replicate > 1 ? replica_seed : 0;
}

}  // namespace

bool read_start(const std::string& path, double* positions, double* velocities, std::string* message) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *message = "cannot read \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  formats::ReadDiagnostic diagnostic;
  const formats::ReadStatus status = formats::read_configuration(fd, positions, velocities, &diagnostic);
  close(fd);
  if (status == formats::ReadStatus::ok) return true;
  // The reader names the library's own file and suggests the generator; say which file it was.
  std::string text = diagnostic.text;
  const std::string library_name = "\"ar_simulation.dat\"";
  if (text.rfind(library_name, 0) == 0) text = "\"" + path + "\"" + text.substr(library_name.size());
  const std::size_t hint = text.find("; run pelzak_initial");
  if (hint != std::string::npos) text.erase(hint);
  *message = text;
  return false;
}

std::string data_file_text(const double* positions, const double* velocities, int replicate,
                           const std::string& source) {
  const std::int64_t copies = static_cast<std::int64_t>(replicate) * replicate * replicate;
  const std::string r = std::to_string(replicate);
  const std::string hi = shortest(replicate * model::box * angstrom_per_nm);
  std::string text;
  text += "LAMMPS data file: liquid argon from \"" + printable(source) + "\", replicated " + r + " x " + r +
          " x " + r + " (pelzak_lammps export; metal units)\n\n";
  text += std::to_string(copies * model::atoms) + " atoms\n1 atom types\n\n";
  text += "0 " + hi + " xlo xhi\n0 " + hi + " ylo yhi\n0 " + hi + " zlo zhi\n\n";
  text += "Masses\n\n1 " + shortest(mass_gram_per_mol) + "\n\nAtoms # atomic\n\n";
  std::vector<double> wrapped(model::config_size);
  for (int n = 0; n < model::config_size; ++n) wrapped[n] = wrap(positions[n]);
  std::int64_t id = 0;
  for (int cx = 0; cx < replicate; ++cx) {
    for (int cy = 0; cy < replicate; ++cy) {
      for (int cz = 0; cz < replicate; ++cz) {
        const int offset[3] = {cx, cy, cz};
        for (int i = 0; i < model::atoms; ++i) {
          text += std::to_string(++id) + " 1";
          for (int k = 0; k < 3; ++k) {
            text += ' ';
            text += shortest((wrapped[k * model::atoms + i] + offset[k] * model::box) * angstrom_per_nm);
          }
          text += "\n";
        }
      }
    }
  }
  text += "\nVelocities\n\n";
  id = 0;
  for (std::int64_t c = 0; c < copies; ++c) {
    for (int i = 0; i < model::atoms; ++i) {
      text += std::to_string(++id);
      for (int k = 0; k < 3; ++k) {
        text += ' ';
        text += shortest(velocities[k * model::atoms + i] * angstrom_per_nm);
      }
      text += "\n";
    }
  }
  return text;
}

std::string input_text(const ExportOptions& options, const std::string& source) {
  const std::string r = std::to_string(options.replicate);
  const std::int64_t atoms =
      static_cast<std::int64_t>(options.replicate) * options.replicate * options.replicate * model::atoms;
  const std::string temperature = shortest(model::target_temperature);
  const std::string eps = shortest(epsilon_ev);
  std::string t;
  t += "# Liquid argon for LAMMPS: the pelzak toolkit's model, exactly, in metal units\n";
  t += "# (Å, ps, eV, g/mol, K, Å/ps). Written by pelzak_lammps export from \"" + printable(source) + "\",\n";
  t += "# replicated " + r + " x " + r + " x " + r + ": " + std::to_string(atoms) + " atoms.\n";
  t += "# Run it in this folder, unchanged:  lmp -in in.argon   or   mpirun -np P lmp -in in.argon\n";
  t += "# Run control may be changed with -var, e.g.  lmp -in in.argon -var steps 5000\n\n";
  t += "variable steps        index " + std::to_string(options.steps) + "   # time steps to run\n";
  t += "variable dump_every   index " + std::to_string(options.dump_every) + "   # steps between frames of " +
       formats::lammps_dump_file + "\n";
  t += "variable thermo_every index " + std::to_string(options.thermo_every) +
       "   # steps between thermo lines (screen and log.lammps)\n";
  t += "variable seed         index " + std::to_string(effective_seed(options)) +
       "   # > 0: fresh Maxwell-Boltzmann velocities at " + temperature +
       " K from this seed; 0: the velocities of " + formats::lammps_data_file + "\n\n";
  t += "units           metal\natom_style      atomic\nboundary        p p p\n";
  t += "read_data       " + std::string(formats::lammps_data_file) + "\n\n";
  t += "# 4 eps ((sigma/r)^12 - (sigma/r)^6) below the cut-off 2.25 sigma, zero beyond: no shift, no tail\n";
  t += "# correction. eps = " + shortest(model::epsilon) +
       " J in eV (1 eV = 1.602176634e-19 J), sigma = " + shortest(model::sigma) + " nm in Å.\n";
  t += "pair_style      lj/cut " + shortest(cutoff_angstrom) + "\n";
  t += "pair_coeff      1 1 " + eps + " " + shortest(sigma_angstrom) + "\n";
  t += "pair_modify     shift no tail no\n";
  t += "neighbor        1.0 bin\nneigh_modify    every 1 delay 0 check yes\n\n";
  t += "# 0.01 ps as the single-precision value the toolkit steps with.\n";
  t += "timestep        " + shortest(model::dt) + "\n\n";
  t += "# The temperature over 3N degrees of freedom, as the toolkit counts them (LAMMPS' default is 3N - "
       "3).\n";
  t += "compute         temp3n all temp\ncompute_modify  temp3n extra/dof 0\n\n";
  t += "if \"${seed} > 0\" then \"velocity all create " + temperature +
       " ${seed} dist gaussian mom yes rot no loop geom temp temp3n\"\n\n";
  if (options.nve) {
    t += "# Velocity Verlet at constant energy: no thermostat.\n";
    t += "fix             integrate all nve\n";
    t += "fix             momentum all momentum 1 linear 1 1 1\n\n";
  } else {
    t += "# Velocity Verlet; every step the centre-of-mass velocity is removed (as pelzak_md does) and "
         "every\n";
    t += "# velocity rescaled so that the temperature is exactly " + temperature + " K.\n";
    t += "fix             integrate all nve\n";
    t += "fix             momentum all momentum 1 linear 1 1 1\n";
    t += "fix             thermostat all temp/rescale 1 " + temperature + " " + temperature + " 0.0 1.0\n";
    t += "fix_modify      thermostat temp temp3n\n\n";
  }
  t += "variable        pe_eps equal pe/atoms/" + eps + "   # potential energy per atom, eps\n";
  t += "thermo_style    custom step time temp pe ke etotal v_pe_eps press\n";
  t += "thermo_modify   temp temp3n\n";
  t += "thermo          ${thermo_every}\n\n";
  t += "dump            traj all custom ${dump_every} " + std::string(formats::lammps_dump_file) +
       " id x y z ix iy iz vx vy vz\n";
  t += "dump_modify     traj sort id time yes format float %.10g\n";
  t += "run             ${steps}\n";
  return t;
}

int run_export(const ExportOptions& options) {
  const std::string source = options.from.empty() ? formats::final_file : options.from;
  if (options.from.empty() && access(formats::final_file, F_OK) != 0) {
    report(std::string("no \"") + formats::final_file +
           "\" in the working directory: run pelzak_md first, or name a configuration with --from FILE");
    return exit_failure;
  }
  std::vector<double> positions(model::config_size), velocities(model::config_size);
  std::string message;
  if (!read_start(source, positions.data(), velocities.data(), &message)) {
    report(message);
    return exit_failure;
  }
  if (!make_folder(options.dir, &message)) {
    report(message);
    return exit_failure;
  }
  OutputSet out(options.dir);
  if (!out.stage(formats::lammps_data_file,
                 data_file_text(positions.data(), velocities.data(), options.replicate, source), &message) ||
      !out.stage(formats::lammps_input_file, input_text(options, source), &message) ||
      !out.commit(&message)) {
    report(message);
    return exit_failure;
  }
  const std::int64_t atoms =
      static_cast<std::int64_t>(options.replicate) * options.replicate * options.replicate * model::atoms;
  std::printf("wrote %s and %s: %lld atoms from \"%s\"\n", out.path(formats::lammps_input_file).c_str(),
              out.path(formats::lammps_data_file).c_str(), static_cast<long long>(atoms), source.c_str());
  std::printf("run it with: cd %s && mpirun -np P lmp -in %s\n", options.dir.c_str(),
              formats::lammps_input_file);
  return finish_stdout();
}

}  // namespace pelzak::lammps

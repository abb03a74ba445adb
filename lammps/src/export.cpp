#include "export.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analyse.hpp"
#include "metal_units.hpp"
#include "pelzak/engine/state_options.hpp"
#include "pelzak/formats/configuration_reader.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/file_set.hpp"
#include "pelzak/formats/number_text.hpp"
#include "pelzak/formats/text_input.hpp"
#include "status.hpp"

namespace pelzak::lammps {

namespace {

using formats::rounded;
using formats::shortest;

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
double wrap(double x, double side) {
  double w = std::fmod(x, side);
  if (w < 0.0) w += side;
  if (w >= side) w = 0.0;
  return w;
}

// What LAMMPS writes per frame of the dump, bytes, measured on a dump of 6,912 atoms: a line per
// atom of its id, 10-digit positions and velocities and image flags, and the frame's header.
constexpr double dump_bytes_per_atom = 84.0;
constexpr double dump_bytes_per_frame = 276.0;

std::int64_t total_atoms(long atoms, int replicate) {
  return static_cast<std::int64_t>(replicate) * replicate * replicate * atoms;
}

// The file's bytes, or false with a message.
bool read_whole(const std::string& path, std::string* bytes, std::string* message) {
  const int error = formats::read_whole_file(path, bytes);
  if (error != 0) *message = "cannot read \"" + path + "\": " + std::strerror(error);
  return error == 0;
}

std::int64_t effective_seed(const ExportOptions& options) {
  if (options.seed >= 0) return options.seed;
  return options.replicate > 1 ? replica_seed : 0;
}

}  // namespace

bool read_start(const std::string& path, Configuration& config, std::string* message) {
  std::string bytes;
  if (!read_whole(path, &bytes, message)) return false;
  formats::ReadDiagnostic diagnostic;
  // The count that line 2 states; a line 2 without one is read as the library reads it, which
  // skips the line and takes its 864 atoms.
  long atoms = model::atoms;
  if (formats::read_atom_count(bytes.data(), bytes.size(), path.c_str(), &atoms, &diagnostic) !=
      formats::ReadStatus::ok)
    atoms = model::atoms;
  if (atoms < 2 || atoms > engine::max_atoms) {
    *message = "\"" + path + "\" states " + std::to_string(atoms) + " atoms; accepted: 2 to " +
               std::to_string(engine::max_atoms);
    return false;
  }
  config.atoms = atoms;
  config.positions.assign(3 * static_cast<std::size_t>(atoms), 0.0);
  config.velocities.assign(3 * static_cast<std::size_t>(atoms), 0.0);
  if (formats::read_configuration(bytes.data(), bytes.size(), path.c_str(), static_cast<int>(atoms),
                                  config.positions.data(), config.velocities.data(),
                                  &diagnostic) != formats::ReadStatus::ok) {
    // The reader suggests the generator, which does not write what the export reads.
    *message = diagnostic.text;
    const std::size_t hint = message->find("; run pelzak_initial");
    if (hint != std::string::npos) message->erase(hint);
    return false;
  }
  return true;
}

std::string data_file_text(const Configuration& config, int replicate, const std::string& source) {
  const long n = config.atoms;
  const double side = config.side;
  const std::int64_t copies = total_atoms(1, replicate);
  const std::string r = std::to_string(replicate);
  const std::string hi = shortest(replicate * side * angstrom_per_nm);
  std::string text;
  text += "LAMMPS data file: liquid argon from \"" + printable(source) + "\", replicated " + r + " x " + r +
          " x " + r + " (pelzak_lammps export; metal units)\n\n";
  text += std::to_string(copies * n) + " atoms\n1 atom types\n\n";
  text += "0 " + hi + " xlo xhi\n0 " + hi + " ylo yhi\n0 " + hi + " zlo zhi\n\n";
  text += "Masses\n\n1 " + shortest(mass_gram_per_mol) + "\n\nAtoms # atomic\n\n";
  std::vector<double> wrapped(config.positions.size());
  for (std::size_t k = 0; k < wrapped.size(); ++k) wrapped[k] = wrap(config.positions[k], side);
  std::int64_t id = 0;
  for (int cx = 0; cx < replicate; ++cx) {
    for (int cy = 0; cy < replicate; ++cy) {
      for (int cz = 0; cz < replicate; ++cz) {
        const int offset[3] = {cx, cy, cz};
        for (long i = 0; i < n; ++i) {
          text += std::to_string(++id) + " 1";
          for (int k = 0; k < 3; ++k) {
            text += ' ';
            text += shortest((wrapped[k * n + i] + offset[k] * side) * angstrom_per_nm);
          }
          text += "\n";
        }
      }
    }
  }
  text += "\nVelocities\n\n";
  id = 0;
  for (std::int64_t c = 0; c < copies; ++c) {
    for (long i = 0; i < n; ++i) {
      text += std::to_string(++id);
      for (int k = 0; k < 3; ++k) {
        text += ' ';
        text += shortest(config.velocities[k * n + i] * angstrom_per_nm);
      }
      text += "\n";
    }
  }
  return text;
}

namespace {

// The pair potential: ours cut off where the options say, with or without the tail correction.
std::string pair_text(const ExportOptions& options) {
  const std::string cutoff = rounded(options.cutoff_sigma, 6);
  std::string t;
  if (options.tail) {
    t += "# 4 eps ((sigma/r)^12 - (sigma/r)^6) below the cut-off " + cutoff +
         " sigma, zero beyond, no shift; with the tail\n";
    t += "# correction to energy and pressure (g = 1 beyond the cut-off).\n#";
  } else {
    t += "# 4 eps ((sigma/r)^12 - (sigma/r)^6) below the cut-off " + cutoff +
         " sigma, zero beyond: no shift, no tail\n";
    t += "# correction.";
  }
  t += " eps = " + shortest(model::epsilon) +
       " J in eV (1 eV = 1.602176634e-19 J), sigma = " + shortest(model::sigma) + " nm in Å.\n";
  // The cut-off in nm as the engine forms it (2.25 sigma is the library's cut-off, exactly).
  t += "pair_style      lj/cut " + shortest(options.cutoff_sigma * model::sigma * angstrom_per_nm) + "\n";
  t += "pair_coeff      1 1 " + shortest(epsilon_ev) + " " + shortest(sigma_angstrom) + "\n";
  t += std::string("pair_modify     shift no tail ") + (options.tail ? "yes" : "no") + "\n";
  return t;
}

// How the velocities are held at the temperature, or not.
std::string thermostat_text(const ExportOptions& options) {
  const std::string temperature = shortest(options.temperature);
  const std::string momentum =
      "fix             integrate all nve\nfix             momentum all momentum 1 linear 1 1 1\n";
  std::string t;
  switch (options.thermostat) {
    case engine::Thermostat::none:
      t += "# Velocity Verlet at constant energy: no thermostat.\n" + momentum + "\n";
      break;
    case engine::Thermostat::rescale:
      t += "# Velocity Verlet; every step the centre-of-mass velocity is removed (as pelzak_md does) and "
           "every\n";
      t += "# velocity rescaled so that the temperature is exactly " + temperature + " K.\n" + momentum;
      t += "fix             thermostat all temp/rescale 1 " + temperature + " " + temperature + " 0.0 1.0\n";
      t += "fix_modify      thermostat temp temp3n\n\n";
      break;
    case engine::Thermostat::csvr:
      t += "# Velocity Verlet with csvr's nearest in this LAMMPS, which lacks fix temp/csvr: Berendsen's\n";
      t += "# rescaling towards " + temperature +
           " K with csvr's relaxation time, which is csvr without its "
           "random\n";
      t += "# term: the same mean temperature, kinetic-energy fluctuations smaller than canonical.\n" +
           momentum;
      t += "fix             thermostat all temp/berendsen " + temperature + " " + temperature + " " +
           shortest(options.tau) + "\n";
      t += "fix_modify      thermostat temp temp3n\n\n";
      break;
  }
  return t;
}

}  // namespace

std::string input_text(const ExportOptions& options, long atoms, const std::string& source) {
  const std::string r = std::to_string(options.replicate);
  const std::string temperature = shortest(options.temperature);
  const std::string eps = shortest(epsilon_ev);
  const double step = engine::decimal_value(options.time_step_units, options.time_step_decimals);
  std::string t;
  t += "# Liquid argon for LAMMPS: the pelzak toolkit's model, exactly, in metal units\n";
  t += "# (Å, ps, eV, g/mol, K, Å/ps). Written by pelzak_lammps export from \"" + printable(source) + "\",\n";
  t += "# replicated " + r + " x " + r + " x " + r + ": " +
       std::to_string(total_atoms(atoms, options.replicate)) + " atoms.\n";
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
  t += pair_text(options);
  t += "neighbor        1.0 bin\nneigh_modify    every 1 delay 0 check yes\n\n";
  t += "# " + rounded(step, 10) + " ps as the single-precision value the toolkit steps with.\n";
  t += "timestep        " + shortest(engine::model_time_step(step)) + "\n\n";
  t += "# The temperature over 3N degrees of freedom, as the toolkit counts them (LAMMPS' default is 3N - "
       "3).\n";
  t += "compute         temp3n all temp\ncompute_modify  temp3n extra/dof 0\n\n";
  t += "if \"${seed} > 0\" then \"velocity all create " + temperature +
       " ${seed} dist gaussian mom yes rot no loop geom temp temp3n\"\n\n";
  t += thermostat_text(options);
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

std::string check_state(const ExportOptions& options, const Configuration& config) {
  std::string problem = engine::box_problem(options, config.atoms, config.side);
  if (!problem.empty()) return problem;
  const std::int64_t atoms = total_atoms(config.atoms, options.replicate);
  if (atoms > max_lammps_atoms)
    return std::to_string(config.atoms) + " atoms replicated " + std::to_string(options.replicate) +
           " times along each axis are " + std::to_string(atoms) + " atoms; LAMMPS numbers at most " +
           std::to_string(max_lammps_atoms);
  // Half the exported box: no pair may interact with two images of one atom, as in pelzak_md.
  problem =
      engine::cutoff_problem(options.cutoff_sigma, static_cast<long>(atoms), options.replicate * config.side);
  if (problem.empty()) problem = engine::tau_problem(options);
  if (problem.empty())
    problem = engine::outside_box(config.positions, config.atoms, config.side, "atom", "the configuration");
  return problem;
}

std::vector<std::string> run_files() {
  std::vector<std::string> names = {formats::lammps_input_file, formats::lammps_data_file,
                                    formats::lammps_dump_file, formats::lammps_log_file};
  for (const char* name : analysis_files) names.emplace_back(name);
  return names;
}

double dump_bytes(const ExportOptions& options, long atoms) {
  const double frames = static_cast<double>(options.steps / options.dump_every + 1);
  return frames * (static_cast<double>(total_atoms(atoms, options.replicate)) * dump_bytes_per_atom +
                   dump_bytes_per_frame);
}

namespace {

// "148 MB": three significant digits in the largest unit below the size.
std::string byte_size(double bytes) {
  const struct {
    double size;
    const char* name;
  } units[] = {{1e12, "TB"}, {1e9, "GB"}, {1e6, "MB"}, {1e3, "kB"}};
  for (const auto& unit : units)
    if (bytes >= unit.size) return rounded(bytes / unit.size, 3) + " " + unit.name;
  return rounded(bytes, 3) + " bytes";
}

// Those of `names` that are in dir, as "in.argon, log.lammps".
std::string present_files(const std::string& dir, const std::vector<std::string>& names) {
  std::string present;
  struct stat info;
  for (const std::string& name : names) {
    if (lstat((dir + "/" + name).c_str(), &info) != 0) continue;
    present += (present.empty() ? "" : ", ") + name;
  }
  return present;
}

// Files only a pelzak_md run leaves: its g(r) and dynamics files have the names analyse writes, and
// --force must never remove them.
const std::vector<std::string> pelzak_md_files = {formats::final_file, formats::summary_file,
                                                  formats::checkpoint_file, formats::thermo_file};

}  // namespace

int run_export(const ExportOptions& options) {
  const std::string source = options.from.empty() ? formats::final_file : options.from;
  if (options.from.empty() && access(formats::final_file, F_OK) != 0)
    return failure(
        std::string("no \"") + formats::final_file +
        "\" in the working directory: run pelzak_md first, or name a configuration with --from FILE");
  Configuration config;
  std::string message;
  if (!read_start(source, config, &message)) return failure(message);
  config.side = engine::state_box(config.atoms, options.density);
  const std::string problem = check_state(options, config);
  if (!problem.empty()) return usage_failure(problem);
  // The export's set: the data, then the input that names it; every other file of a run goes with
  // it, as it belongs to an earlier input.
  formats::FileSet out;
  out.owner = "pelzak_lammps";
  out.folder = options.dir;
  out.members = {formats::lammps_data_file, formats::lammps_input_file};
  for (const std::string& name : run_files())
    if (name != formats::lammps_data_file && name != formats::lammps_input_file) out.members.push_back(name);
  std::string note;
  if (!formats::file_set_open(out, &message) || !formats::file_set_settle_leftover(out, &note, &message))
    return failure(message);
  if (!note.empty()) report(note);
  const std::string md_run = present_files(options.dir, pelzak_md_files);
  if (!md_run.empty())
    return usage_failure(
        "\"" + options.dir + "\" holds a pelzak_md run (" + md_run +
        "), whose results have the names of the analysis's: export into a folder of its own");
  // A run's results belong to its input: a new input beside them would pass them off as its own.
  const std::string present = present_files(options.dir, run_files());
  if (!present.empty() && !options.force)
    return usage_failure("\"" + options.dir + "\" holds a run (" + present +
                         "): export into another folder, or give --force to replace that run's files");
  std::vector<std::string> written, removed;
  if (!formats::file_set_check(out, &message) || !formats::staging_create(out, &message) ||
      !formats::staging_write(out, formats::lammps_data_file,
                              data_file_text(config, options.replicate, source), &message) ||
      !formats::staging_write(out, formats::lammps_input_file, input_text(options, config.atoms, source),
                              &message) ||
      !formats::file_set_commit(out, &written, &removed, &message))
    return failure(message);
  const std::int64_t atoms = total_atoms(config.atoms, options.replicate);
  std::printf("wrote %s/%s and %s/%s: %lld atoms from \"%s\"\n", options.dir.c_str(),
              formats::lammps_input_file, options.dir.c_str(), formats::lammps_data_file,
              static_cast<long long>(atoms), source.c_str());
  if (!present.empty()) std::printf("replaced the earlier run's %s\n", present.c_str());
  if (options.thermostat == engine::Thermostat::csvr)
    std::printf(
        "csvr: this LAMMPS has no fix temp/csvr; the input uses fix temp/berendsen with tau %s ps, csvr "
        "without its random term\n",
        shortest(options.tau).c_str());
  std::printf("the dump will take about %s: %lld frames of %lld atoms, one every %lld steps\n",
              byte_size(dump_bytes(options, config.atoms)).c_str(),
              static_cast<long long>(options.steps / options.dump_every + 1), static_cast<long long>(atoms),
              static_cast<long long>(options.dump_every));
  std::printf("run it with: pelzak_lammps run --np P %s\n", options.dir.c_str());
  return finish_stdout();
}

}  // namespace pelzak::lammps

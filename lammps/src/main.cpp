// pelzak_lammps: hands the toolkit's liquid to LAMMPS and analyses what LAMMPS writes.
//   pelzak_lammps export [options] DIR     in.argon and argon.data from final_argon.dat
//   pelzak_lammps run [--np P] DIR         lmp (or mpirun -np P lmp) -in in.argon in DIR
//   pelzak_lammps analyse [options] DIR    rdf_argon.dat, msd_argon.csv, ... from DIR's dump
#include <CLI/CLI.hpp>
#include <cstdio>

#include "analyse.hpp"
#include "export.hpp"
#include "pelzak/engine/state_options.hpp"
#include "run_lammps.hpp"
#include "status.hpp"

namespace {

using namespace pelzak::lammps;
namespace engine = pelzak::engine;

// The state point as pelzak_md takes it, with help of the export's own. Not --atoms: the atoms are
// the configuration's, copied --replicate times along each axis.
void add_state(CLI::App* command, ExportOptions& ex) {
  const char* help[] = {
      "Target temperature in kelvin (default 94.4)",
      "Density, g/cm^3, the configuration was made at (default 1.36245, the library's box)",
      "Cut-off radius in sigma, at most half the exported box (default 2.25)",
      "Long-range corrections to energy and pressure (pair_modify tail yes)",
      "Time step in ps, a decimal such as 0.005, at most 0.1, taken in single precision (default 0.01)",
      "rescale (default): rescaled every step; csvr: fix temp/berendsen, csvr without its random term; "
      "none: constant energy",
      "Relaxation time of csvr (Berendsen's in LAMMPS), ps (default 0.1)"};
  const std::vector<CLI::Option*> added = engine::add_state_options(*command, ex, false);
  for (std::size_t k = 0; k < added.size(); ++k) added[k]->description(help[k]);
  command
      ->add_option_function<std::string>(
          "--atoms",
          [](const std::string&) {
            throw engine::OptionProblem{
                "export takes no --atoms: the atoms are the configuration's, copied --replicate times along "
                "each axis"};
          },
          "Not taken: the atoms are the configuration's times --replicate cubed")
      ->type_name("N");
}

CLI::App* add_export(CLI::App& app, ExportOptions& ex) {
  CLI::App* command = app.add_subcommand(
      "export", "Write DIR/in.argon and DIR/argon.data, the model and the liquid for LAMMPS");
  command->add_option("--replicate", ex.replicate, "Copies of the box along each axis (default 1)")
      ->check(CLI::Range(1, max_replicate));
  command->add_option("--steps", ex.steps, "Time steps the input runs (default 1000)")
      ->check(CLI::Range(std::int64_t{1}, engine::max_steps));
  command->add_option("--dump-every", ex.dump_every, "Steps between dump frames (default 4)")
      ->check(CLI::Range(std::int64_t{1}, engine::max_steps));
  command->add_option("--thermo-every", ex.thermo_every, "Steps between thermo lines (default 10)")
      ->check(CLI::Range(std::int64_t{1}, engine::max_steps));
  // LAMMPS takes seeds up to max_seed, so the range is narrower than pelzak_md's.
  command
      ->add_option_function<std::string>(
          "--seed",
          [&ex](const std::string& value) {
            std::string why;
            if (!engine::parse_count(value, 0, max_seed, &ex.seed, &why))
              throw engine::OptionProblem{"value '" + value + "' of --seed " + why};
          },
          "Fresh Maxwell-Boltzmann velocities from this seed; 0 keeps ours (default: 0, or " +
              std::to_string(replica_seed) + " when replicated)")
      ->type_name("N");
  add_state(command, ex);
  command->add_flag("--force", ex.force, "Replace the files of an earlier run in DIR");
  command->add_option("--from", ex.from, "Configuration to start from (default final_argon.dat)")
      ->type_name("FILE");
  command->add_option("DIR", ex.dir, "Folder to write into (created if missing)")->required();
  return command;
}

CLI::App* add_run(CLI::App& app, RunOptions& run) {
  CLI::App* command = app.add_subcommand("run", "Run DIR/in.argon with LAMMPS in DIR");
  command->add_option("-n,--np", run.processes, "MPI processes (default 1: plain lmp)")
      ->check(CLI::Range(1, 4096));
  command->add_option("DIR", run.dir, "Folder holding in.argon")->required();
  return command;
}

CLI::App* add_analyse(CLI::App& app, AnalyseOptions& an) {
  CLI::App* command = app.add_subcommand("analyse", "Write g(r), MSD, VACF and D of DIR's LAMMPS dump");
  command->alias("analyze");
  CLI::Option* dump =
      command->add_option("--dump", an.dump, "Dump to read (default DIR/traj_argon.lammpstrj)");
  command->add_option("--xyz", an.xyz, "pelzak_md's trajectory to read instead of a dump")->excludes(dump);
  command->add_flag("--allow-truncated", an.read.allow_truncated,
                    "Analyse the complete frames of a dump that ends inside a frame");
  command->add_option("--dt", an.read.dt, "Time step, ps, for dumps without ITEM: TIME")
      ->check(CLI::PositiveNumber);
  command->add_option("DIR", an.dir, "Folder of the run; the results are written there")->required();
  return command;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Hands pelzak's liquid argon to LAMMPS for bigger systems and many cores, and analyses the result."};
  app.name("pelzak_lammps");
  app.set_version_flag("-V,--version", "pelzak_lammps " PELZAK_VERSION);
  app.require_subcommand(1);
  ExportOptions ex;
  RunOptions run;
  AnalyseOptions an;
  CLI::App* export_command = add_export(app, ex);
  CLI::App* run_command = add_run(app, run);
  add_analyse(app, an);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return usage_failure(e.what());
  } catch (const engine::OptionProblem& problem) {
    return usage_failure(problem.message);
  }
  if (export_command->parsed()) return run_export(ex);
  if (run_command->parsed()) return run_lammps(run);
  return run_analyse(an);
}

// pelzak_lammps: hands the toolkit's liquid to LAMMPS and analyses what LAMMPS writes.
//   pelzak_lammps export [options] DIR     in.argon and argon.data from final_argon.dat
//   pelzak_lammps run [--np P] DIR         lmp (or mpirun -np P lmp) -in in.argon in DIR
//   pelzak_lammps analyse [options] DIR    rdf_argon.dat, msd_argon.csv, ... from DIR's dump
#include <CLI/CLI.hpp>
#include <cstdio>

#include "analyse.hpp"
#include "export.hpp"
#include "run_lammps.hpp"
#include "status.hpp"

namespace {

using namespace pelzak::lammps;

// Largest step count or interval accepted, as pelzak_md's.
constexpr std::int64_t max_steps = 1000000000;

CLI::App* add_export(CLI::App& app, ExportOptions& ex) {
  CLI::App* command = app.add_subcommand(
      "export", "Write DIR/in.argon and DIR/argon.data, the model and the liquid for LAMMPS");
  command->add_option("--replicate", ex.replicate, "Copies of the box along each axis (default 1)")
      ->check(CLI::Range(1, max_replicate));
  command->add_option("--steps", ex.steps, "Time steps the input runs (default 1000)")
      ->check(CLI::Range(std::int64_t{1}, max_steps));
  command->add_option("--dump-every", ex.dump_every, "Steps between dump frames (default 4)")
      ->check(CLI::Range(std::int64_t{1}, max_steps));
  command->add_option("--thermo-every", ex.thermo_every, "Steps between thermo lines (default 10)")
      ->check(CLI::Range(std::int64_t{1}, max_steps));
  command
      ->add_option("--seed", ex.seed,
                   "Fresh Maxwell-Boltzmann velocities from this seed; 0 keeps ours (default: 0, or " +
                       std::to_string(replica_seed) + " when replicated)")
      ->check(CLI::Range(std::int64_t{0}, std::int64_t{900000000}));
  command->add_flag("--nve", ex.nve, "Constant energy: no velocity rescaling");
  command->add_option("--from", ex.from, "Configuration to start from (default final_argon.dat)");
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
    std::fprintf(stderr, "pelzak_lammps: %s\nTry 'pelzak_lammps --help' for more information.\n", e.what());
    return exit_usage;
  }
  if (export_command->parsed()) return run_export(ex);
  if (run_command->parsed()) return run_lammps(run);
  return run_analyse(an);
}

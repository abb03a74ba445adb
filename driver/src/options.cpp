#include "options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string_view>
#include <vector>

#include "pelzak/engine/state_options.hpp"
#include "pelzak/formats/number_text.hpp"
#include "state_point.hpp"

#ifndef PELZAK_VERSION
#define PELZAK_VERSION "unknown"
#endif

// The command line is taken apart by CLI11: long options with "--name value" or "--name=value",
// short ones alone, grouped ("-qp 10") or with the value attached ("-p10"), "--" ending the
// options. Names must be given in full: abbreviations such as "--push" are unknown options, so
// that no option added later can change what an existing command line means.
//
// What the driver adds is the order of the checks and its own messages. Every argument is looked
// at where it stands: the first problem on the line is the one reported, and --help or --version
// wins over anything after it but not over a mistake before it.

namespace pelzak::md {

namespace {

// Run control's options that take a whole number: step counts and intervals, the seed, threads.
struct CountOption {
  const char* names;  // for CLI11
  const char* long_name;
  std::int64_t minimum;
  std::int64_t maximum;
  void (*set)(Options&, std::int64_t);
};

constexpr CountOption count_options[] = {
    {"-p,--push-off", "--push-off", 0, engine::max_steps,
     [](Options& o, std::int64_t v) { o.push_off_steps = v; }},
    {"-e,--equilibration", "--equilibration", 0, engine::max_steps,
     [](Options& o, std::int64_t v) { o.equilibration_steps = v; }},
    {"-P,--production", "--production", 1000, engine::max_steps,
     [](Options& o, std::int64_t v) { o.production_steps = v; }},
    {"-t,--thermo-every", "--thermo-every", 1, engine::max_steps,
     [](Options& o, std::int64_t v) { o.thermo_every = v; }},
    {"-x,--xyz-every", "--xyz-every", 0, engine::max_steps,
     [](Options& o, std::int64_t v) { o.xyz_every = v; }},
    {"--seed", "--seed", 0, INT64_MAX,
     [](Options& o, std::int64_t v) { o.seed = static_cast<std::uint64_t>(v); }},
    {"--threads", "--threads", 1, max_threads,
     [](Options& o, std::int64_t v) { o.threads = static_cast<int>(v); }},
};

using Problem = engine::OptionProblem;
struct Stop {
  Action action;  // help or version
};

}  // namespace

std::string check_state(const Options& o) {
  const long atoms = run_atoms(o);
  const double box = engine::state_box(atoms, o.density);
  std::string problem = engine::box_problem(o, atoms, box);
  if (problem.empty()) problem = engine::cutoff_problem(o.cutoff_sigma, atoms, box);
  return problem.empty() ? engine::tau_problem(o) : problem;
}

namespace {

Parsed usage_error(std::string message) {
  Parsed p;
  p.action = Action::usage_error;
  p.error = std::move(message);
  return p;
}

// An argument CLI11 set aside as belonging to no option.
Parsed stray(const std::string& argument) {
  if (argument.size() > 1 && argument[0] == '-') return usage_error("unknown option '" + argument + "'");
  return usage_error("unexpected argument '" + argument + "' (give a start file with --start FILE)");
}

// What a continued run takes from its checkpoint, so they cannot be given with --continue.
constexpr const char* checkpoint_options[] = {"--push-off",    "--equilibration", "--atoms",  "--seed",
                                              "--temperature", "--density",       "--cutoff", "--tau",
                                              "--time-step",   "--thermostat",    "--start",  "--tail"};

// The option of app that `name` names ("--name"), or null.
const CLI::Option* named(const CLI::App& app, std::string_view name) {
  for (const CLI::Option* o : app.get_options())
    if (!o->get_lnames().empty() && name == "--" + o->get_lnames().front()) return o;
  return nullptr;
}

// The arguments in the reversed order CLI11 consumes them, with two kinds of "--name=value" made
// plain for it. "--count=" with nothing after the '=' is an empty value, which CLI11 would take as
// no value (and use the next argument instead): it becomes the name followed by an empty argument.
// A flag takes no value, where CLI11 lets "--flag=", "--flag={}" and "--flag=true" pass as the
// flag alone: every value becomes one that CLI11 refuses as it reaches it.
std::vector<std::string> reversed_arguments(const CLI::App& app, int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int n = argc - 1; n >= 1; --n) {
    const std::string arg = argv[n];
    const std::size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
    const CLI::Option* option = named(app, std::string_view(arg).substr(0, equals));
    const std::string_view name = std::string_view(arg).substr(0, equals);
    const bool numeric = option && option->get_expected_min() > 0;
    const bool flag = option && option->get_expected_min() == 0;
    if (equals != std::string::npos && numeric && equals + 1 == arg.size()) {
      args.push_back("");
      args.push_back(std::string(name));
    } else if (equals != std::string::npos && flag) {
      args.push_back(std::string(name) + "=0");
    } else {
      args.push_back(arg);
    }
  }
  return args;
}

// A value was missing or given where none is taken; token is the argument CLI11 was reading.
Parsed mismatch(const std::string& token) {
  if (token.compare(0, 2, "--") == 0) {
    const std::size_t equals = token.find('=');
    if (equals != std::string::npos)
      return usage_error("option '" + token.substr(0, equals) + "' takes no value");
    return usage_error("option '" + token + "' needs a value");
  }
  // In a group such as "-qp" only the last option can be missing its value.
  return usage_error("option '-" + token.substr(token.size() - 1) + "' needs a number");
}

// pelzak_md's command line, every option read into *parsed the moment CLI11 reaches it.
void add_options(CLI::App& app, Parsed& parsed) {
  app.set_help_flag();  // help and version are the driver's own, checked where they stand
  app.allow_extras();   // collected in order, so the first stray argument can be told from later problems
  for (const CountOption& o : count_options) {
    app.add_option_function<std::string>(o.names, [&parsed, &o](const std::string& value) {
      std::string why;
      std::int64_t v = 0;
      if (!engine::parse_count(value, o.minimum, o.maximum, &v, &why))
        throw Problem{"value '" + value + "' of " + o.long_name + " " + why};
      o.set(parsed.options, v);
    });
  }
  engine::add_state_options(app, parsed.options, true);
  app.get_option("--tail")->disable_flag_override();
  app.add_option_function<std::string>("--start", [&parsed](const std::string& value) {
    if (value.empty()) throw Problem{"--start needs a file name"};
    parsed.options.start = value;
  });
  app.add_option_function<std::string>("-o,--output-dir", [&parsed](const std::string& value) {
    if (value.empty()) throw Problem{"--output-dir needs a folder name"};
    parsed.options.output_dir = value;
  });
  for (CLI::Option* o : app.get_options())
    if (o->get_expected_min() > 0) o->trigger_on_parse();
  app.add_flag("--continue", parsed.options.continue_run)->disable_flag_override();
  app.add_flag("-q,--quiet", parsed.options.quiet)->disable_flag_override();
  app.add_flag_callback("-h,--help", [] { throw Stop{Action::help}; })
      ->trigger_on_parse()
      ->disable_flag_override();
  app.add_flag_callback("-V,--version", [] { throw Stop{Action::version}; })
      ->trigger_on_parse()
      ->disable_flag_override();
}

}  // namespace

Parsed parse_options(int argc, const char* const* argv) {
  Parsed parsed;
  CLI::App app;
  add_options(app, parsed);
  std::vector<std::string> args = reversed_arguments(app, argc, argv);
  const std::vector<std::string> given(args.rbegin(), args.rend());
  Parsed stopped;
  try {
    app.parse(args);
  } catch (const Stop& stop) {
    stopped.action = stop.action;
  } catch (const Problem& problem) {
    stopped = usage_error(problem.message);
  } catch (const CLI::ArgumentMismatch&) {
    stopped = mismatch(given[given.size() - args.size() - 1]);
  } catch (const CLI::ParseError& e) {
    stopped = usage_error(e.what());
  }
  // A stray argument set aside before the point where parsing stopped came first.
  const std::vector<std::string> strays = app.remaining();
  if (!strays.empty()) return stray(strays.front());
  if (stopped.action != Action::run) return stopped;
  if (parsed.options.continue_run)
    for (const char* name : checkpoint_options)
      if (app.count(name) > 0)
        return usage_error(std::string(name) +
                           " cannot be given with --continue, which goes on with the state point and the "
                           "phases of the checkpoint");
  // With --start the atom count comes from the file: the job checks the state once it is read.
  const std::string problem =
      parsed.options.start.empty() && !parsed.options.continue_run ? check_state(parsed.options) : "";
  if (!problem.empty()) return usage_error(problem);
  return parsed;
}

std::string options_from_arguments(const std::vector<std::string>& arguments, Options* options) {
  std::vector<const char*> argv{"pelzak_md"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const Parsed parsed = parse_options(static_cast<int>(argv.size()), argv.data());
  if (parsed.action == Action::usage_error) return parsed.error;
  if (parsed.action != Action::run) return "--help and --version are not run options";
  *options = parsed.options;
  return "";
}

std::vector<std::string> option_names() {
  Parsed parsed;
  CLI::App app;
  add_options(app, parsed);
  std::vector<std::string> names;
  for (const CLI::Option* o : app.get_options()) names.push_back("--" + o->get_lnames().front());
  return names;
}

std::string usage_text() {
  return "Usage: pelzak_md [OPTION]...\n"
         "Runs liquid argon: Lennard-Jones atoms in a periodic cubic box, by default the liquid of Rahman's\n"
         "1964 experiment (864 atoms, 94.4 K, 1.36245 g/cm^3, cut off at 2.25 sigma, velocities rescaled "
         "every\n"
         "step), started from \"ar_simulation.dat\" written by pelzak_initial; and reports its pressure and\n"
         "energy, the radial distribution function g(r) and how the atoms move.\n"
         "\n"
         "The run has three phases: push-off (overlapping atoms eased apart with a capped driving term),\n"
         "equilibration, and production. g(r) is sampled every 20 production steps (every 20 x ceil(N/864)\n"
         "with N atoms, as a sample looks at every pair); the mean-square displacement, the velocity\n"
         "autocorrelation, the self-diffusion coefficient, the scattering functions, the viscosity, the\n"
         "pressure and the energy come from the whole production.\n"
         "\n"
         "Files written in the working directory (or --output-dir):\n"
         "  rdf_argon.dat       g(r) of the first 1000 production steps (50 samples), as the library's\n"
         "                      radial_dist writes it: 200 lines of r/sigma and g\n"
         "  rdf_argon.svg       plot of g(r) over the whole production, opens in any web browser\n"
         "  rdf_production_argon.csv  the same g(r) as numbers: r_sigma,g\n"
         "  msd_argon.csv       mean-square displacement and non-Gaussian parameter: t_ps,msd_nm2,alpha2\n"
         "  vacf_argon.csv      velocity autocorrelation, normalised: t_ps,vacf\n"
         "  spectrum_argon.csv  its spectrum, a density of states of unit area: nu_THz,dos_per_THz\n"
         "  dynamics_argon.svg  plot of the MSD with its fit, the VACF and the spectrum\n"
         "  thermo_argon.svg    plot of the log's temperature, potential energy and pressure\n"
         "  vanhove_argon.csv   van Hove self function at 0.5, 1, 2, 3 and 10 ps beside the Gaussian of\n"
         "                      the same MSD: t_ps,r_nm,four_pi_r2_Gs_per_nm,gaussian_per_nm\n"
         "  fsk_argon.csv       self intermediate scattering function at three wave numbers about the\n"
         "                      main peak of S(k): t_ps,Fs_k<k>_per_nm,...\n"
         "  sk_argon.csv        static structure factor, directly and from g(r): "
         "k_per_nm,S_direct,S_from_gr\n"
         "  scattering_argon.svg  plot of G_s against its Gaussian, and of S(k)\n"
         "  thermo_argon.csv    phase, step, time, potential, kinetic and total energy (J and eps per "
         "atom),\n"
         "                      temperature, pressure (bar)\n"
         "  summary_argon.json  the summary's figures, unrounded, for programs\n"
         "  checkpoint_argon.bin  where the run stands, exactly, for --continue\n"
         "  final_argon.dat     where the run ended, in the start file's layout (for --start and "
         "pelzak_lammps)\n"
         "  traj_argon.xyz      trajectory, with --xyz-every only: extended XYZ (OVITO, ASE; VMD reads\n"
         "                      the positions) with wrapped positions (Angstrom), image counts and\n"
         "                      velocities (Angstrom/ps), about 53 kB a frame of 864 atoms;\n"
         "                      pelzak_lammps analyse --xyz recomputes the MSD and VACF from it\n"
         "They are replaced together when the run succeeds; a run that fails or is interrupted\n"
         "leaves the files of the earlier run as they were.\n"
         "\n"
         "Run control:\n"
         "  -p, --push-off N        push-off steps (default 500)\n"
         "  -e, --equilibration N   equilibration steps before production (default 1500)\n"
         "  -P, --production N      production steps, 1000 to 1000000000 (default 20000: 200 ps, which puts\n"
         "                          the statistical uncertainty of D near 1 %)\n"
         "  -t, --thermo-every N    log every N-th step of each phase, and its first and last (default 10)\n"
         "  -x, --xyz-every N       write a trajectory frame every N steps (default 0: none)\n"
         "  -o, --output-dir DIR    write the results into DIR, made if missing (default: the working\n"
         "                          directory); the start is still read from the working directory\n"
         "      --threads N         threads for the forces, 1 to 64 (default 1); the results are the same\n"
         "                          bits for any number. More pay only with many atoms and idle cores\n"
         "      --continue          go on from the run folder's \"checkpoint_argon.bin\", which every run\n"
         "                          writes: -P more production steps, the same bits as one longer run\n"
         "                          (the state point and the time come from the checkpoint)\n"
         "  -q, --quiet             show no progress\n"
         "  -h, --help              show this help and exit\n"
         "  -V, --version           show the version and exit\n"
         "\n"
         "The state point (the defaults are the library's liquid):\n"
         "      --temperature K     target temperature in kelvin (default 94.4)\n"
         "      --density G_PER_CM3 density in g/cm^3 (default 1.36245, the library's box of 3.47786 nm)\n"
         "      --atoms N           number of atoms, 2 or more (default 864, or the count of --start)\n"
         "      --cutoff SIGMA      cut-off radius in units of sigma = 0.34 nm, at most half the box\n"
         "                          (default 2.25)\n"
         "      --tail              add the usual long-range corrections to energy and pressure (g = 1\n"
         "                          beyond the cut-off)\n"
         "      --time-step PS      time step in ps, a decimal such as 0.005, at most 0.1 (default 0.01);\n"
         "                          taken in single precision, as the library's\n"
         "      --thermostat NAME   rescale: velocities rescaled every step, the library's (default); its\n"
         "                          thermometer (the mean of the velocities before and after a step) lets\n"
         "                          the atoms move about 1 % warmer than asked at 0.01 ps;\n"
         "                          csvr: canonical sampling through velocity rescaling (Bussi, Donadio\n"
         "                          and Parrinello 2007) of the on-step velocities, the temperature\n"
         "                          LAMMPS and GROMACS report: use it to compare with them;\n"
         "                          none: constant energy in production (the summary gives the drift)\n"
         "      --tau PS            csvr's relaxation time in ps (default 0.1)\n"
         "      --seed N            seed of csvr's random numbers and of a lattice start (default 1)\n"
         "      --start FILE        start from FILE, a configuration in the start file's layout of any\n"
         "                          number of atoms (its second line gives the count). Without it the\n"
         "                          library's liquid starts from \"ar_simulation.dat\" and any other state\n"
         "                          point from an fcc lattice with velocities drawn from --seed\n"
         "\n"
         "Exit status: 0 on success, 1 if a file cannot be read or written, 2 for a malformed\n"
         "\"ar_simulation.dat\" (the library's reader's verdict), 3 if the run blows up (non-finite energy\n"
         "or temperature), 64 on a usage error, 128 + N when stopped by signal N (130 for Ctrl-C).\n";
}

std::string version_text() { return "pelzak_md " PELZAK_VERSION "\n"; }

}  // namespace pelzak::md

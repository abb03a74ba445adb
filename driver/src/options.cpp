#include "options.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

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

struct NumericOption {
  const char* names;  // for CLI11
  const char* long_name;
  std::int64_t Options::*field;
  std::int64_t minimum;
};

constexpr NumericOption numeric_options[] = {
    {"-p,--push-off", "--push-off", &Options::push_off_steps, 0},
    {"-e,--equilibration", "--equilibration", &Options::equilibration_steps, 0},
    {"-P,--production", "--production", &Options::production_steps, 1000},
    {"-t,--thermo-every", "--thermo-every", &Options::thermo_every, 1},
    {"-x,--xyz-every", "--xyz-every", &Options::xyz_every, 0},
};

// Thrown by an option's callback the moment CLI11 reaches it.
struct Problem {
  std::string message;
};
struct Stop {
  Action action;  // help or version
};

// Plain decimal digits only: no sign, no blanks, no exponent, nothing after the number.
bool parse_count(std::string_view text, std::int64_t minimum, std::int64_t* value, std::string* why) {
  std::int64_t v = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (text.empty() || text.front() < '0' || text.front() > '9') {
    *why = "is not a whole number";
    return false;
  }
  const auto [end, ec] = std::from_chars(first, last, v);
  if (ec == std::errc::result_out_of_range || (ec == std::errc() && end == last && v > max_steps)) {
    *why = "is too large (at most " + std::to_string(max_steps) + ")";
    return false;
  }
  if (ec != std::errc() || end != last) {
    *why = "is not a whole number";
    return false;
  }
  if (v < minimum) {
    *why = "must be at least " + std::to_string(minimum);
    return false;
  }
  *value = v;
  return true;
}

Parsed usage_error(std::string message) {
  Parsed p;
  p.action = Action::usage_error;
  p.error = std::move(message);
  return p;
}

// An argument CLI11 set aside as belonging to no option.
Parsed stray(const std::string& argument) {
  if (argument.size() > 1 && argument[0] == '-') return usage_error("unknown option '" + argument + "'");
  return usage_error("unexpected argument '" + argument +
                     "' (the start is always read from \"ar_simulation.dat\")");
}

constexpr std::string_view flag_options[] = {"--quiet", "--help", "--version"};

// The arguments in the reversed order CLI11 consumes them, with two kinds of "--name=value" made
// plain for it. "--count=" with nothing after the '=' is an empty value, which CLI11 would take as
// no value (and use the next argument instead): it becomes the name followed by an empty argument.
// A flag takes no value, where CLI11 lets "--flag=", "--flag={}" and "--flag=true" pass as the
// flag alone: every value becomes one that CLI11 refuses as it reaches it.
std::vector<std::string> reversed_arguments(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int n = argc - 1; n >= 1; --n) {
    const std::string arg = argv[n];
    const std::size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
    const std::string_view name = std::string_view(arg).substr(0, equals);
    bool numeric = false;
    for (const NumericOption& o : numeric_options) numeric = numeric || name == o.long_name;
    const bool flag =
        std::find(std::begin(flag_options), std::end(flag_options), name) != std::end(flag_options);
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
    return usage_error("option '" + token + "' needs a number");
  }
  // In a group such as "-qp" only the last option can be missing its value.
  return usage_error("option '-" + token.substr(token.size() - 1) + "' needs a number");
}

}  // namespace

Parsed parse_options(int argc, const char* const* argv) {
  Parsed parsed;
  CLI::App app;
  app.set_help_flag();  // help and version are the driver's own, checked where they stand
  app.allow_extras();   // collected in order, so the first stray argument can be told from later problems
  for (const NumericOption& o : numeric_options) {
    app.add_option_function<std::string>(
           o.names,
           [&parsed, &o](const std::string& value) {
             std::string why;
             if (!parse_count(value, o.minimum, &(parsed.options.*(o.field)), &why))
               throw Problem{"value '" + value + "' of " + o.long_name + " " + why};
           })
        ->trigger_on_parse();
  }
  app.add_flag("-q,--quiet", parsed.options.quiet)->disable_flag_override();
  app.add_flag_callback("-h,--help", [] { throw Stop{Action::help}; })
      ->trigger_on_parse()
      ->disable_flag_override();
  app.add_flag_callback("-V,--version", [] { throw Stop{Action::version}; })
      ->trigger_on_parse()
      ->disable_flag_override();

  std::vector<std::string> args = reversed_arguments(argc, argv);
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
  return parsed;
}

std::string usage_text() {
  return "Usage: pelzak_md [OPTION]...\n"
         "Turns the start in \"ar_simulation.dat\" (written by pelzak_initial) into the radial distribution\n"
         "function g(r) and the dynamics of liquid argon at 94.4 K: 864 Lennard-Jones atoms in a periodic "
         "box\n"
         "of 3.47786 nm.\n"
         "\n"
         "The run has three phases: push-off (overlapping atoms eased apart with a capped driving term),\n"
         "equilibration, and production. g(r) is sampled every 20 steps over the first 1000 production\n"
         "steps; the mean-square displacement, the velocity autocorrelation and the self-diffusion\n"
         "coefficient come from the whole production.\n"
         "\n"
         "Files written in the working directory:\n"
         "  rdf_argon.dat       g(r): 200 lines of r/sigma and g\n"
         "  rdf_argon.svg       plot of g(r), opens in any web browser\n"
         "  msd_argon.csv       mean-square displacement and non-Gaussian parameter: t_ps,msd_nm2,alpha2\n"
         "  vacf_argon.csv      velocity autocorrelation, normalised: t_ps,vacf\n"
         "  spectrum_argon.csv  its spectrum, a density of states of unit area: nu_THz,dos_per_THz\n"
         "  dynamics_argon.svg  plot of the MSD with its fit, the VACF and the spectrum\n"
         "  thermo_argon.csv    phase, step, time, potential, kinetic and total energy (J and eps per "
         "atom),\n"
         "                      temperature\n"
         "  final_argon.dat     where the run ended, in the start file's layout (for pelzak_lammps)\n"
         "  traj_argon.xyz      trajectory in Angstrom, with --xyz-every only\n"
         "They are replaced together when the run succeeds; a run that fails or is interrupted\n"
         "leaves the files of the earlier run as they were.\n"
         "\n"
         "Options (run control only; every physical parameter is fixed):\n"
         "  -p, --push-off N        push-off steps (default 500)\n"
         "  -e, --equilibration N   equilibration steps before production (default 1500)\n"
         "  -P, --production N      production steps, at least 1000 (default 20000: 200 ps, which puts\n"
         "                          the statistical uncertainty of D near 1 %)\n"
         "  -t, --thermo-every N    log every N-th step of each phase (default 1: every step)\n"
         "  -x, --xyz-every N       write a trajectory frame every N steps (default 0: none)\n"
         "  -q, --quiet             show no progress\n"
         "  -h, --help              show this help and exit\n"
         "  -V, --version           show the version and exit\n"
         "\n"
         "Exit status: 0 on success, 1 if a file cannot be read or written, 2 if the library stopped\n"
         "the run (a malformed start, or g(r) that cannot be written), 3 if the run blows up\n"
         "(non-finite energy or temperature), 64 on a usage error, 128 + N when stopped by signal N\n"
         "(130 for Ctrl-C).\n";
}

std::string version_text() { return "pelzak_md " PELZAK_VERSION "\n"; }

}  // namespace pelzak::md

#include "options.hpp"

#include <charconv>
#include <string_view>

#ifndef PELZAK_VERSION
#define PELZAK_VERSION "unknown"
#endif

namespace pelzak::md {

namespace {

struct NumericOption {
  std::string_view long_name;
  std::string_view short_name;
  std::int64_t Options::*field;
  std::int64_t minimum;
};

constexpr NumericOption kNumeric[] = {
    {"--push-off", "-p", &Options::push_off_steps, 0},
    {"--equilibration", "-e", &Options::equilibration_steps, 0},
    {"--production", "-P", &Options::production_steps, 1000},
    {"--thermo-every", "-t", &Options::thermo_every, 1},
    {"--xyz-every", "-x", &Options::xyz_every, 0},
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
  if (ec == std::errc::result_out_of_range || (ec == std::errc() && end == last && v > kMaxSteps)) {
    *why = "is too large (at most " + std::to_string(kMaxSteps) + ")";
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

}  // namespace

Parsed parse_options(int argc, const char* const* argv) {
  Parsed parsed;
  for (int n = 1; n < argc; ++n) {
    const std::string_view arg = argv[n];
    if (arg == "-h" || arg == "--help") {
      parsed.action = Action::help;
      return parsed;
    }
    if (arg == "-V" || arg == "--version") {
      parsed.action = Action::version;
      return parsed;
    }
    if (arg == "-q" || arg == "--quiet") {
      parsed.options.quiet = true;
      continue;
    }
    const NumericOption* option = nullptr;
    std::string_view value;
    bool has_value = false;
    for (const NumericOption& o : kNumeric) {
      if (arg == o.long_name || arg == o.short_name) {
        option = &o;
      } else if (arg.size() > o.long_name.size() && arg.substr(0, o.long_name.size()) == o.long_name &&
                 arg[o.long_name.size()] == '=') {
        option = &o;
        value = arg.substr(o.long_name.size() + 1);
        has_value = true;
      }
      if (option) break;
    }
    if (!option) {
      if (arg.size() > 1 && arg[0] == '-') return usage_error("unknown option '" + std::string(arg) + "'");
      return usage_error("unexpected argument '" + std::string(arg) +
                         "' (the start is always read from "
                         "\"ar_simulation.dat\")");
    }
    if (!has_value) {
      if (n + 1 >= argc) return usage_error("option '" + std::string(arg) + "' needs a number");
      value = argv[++n];
    }
    std::string why;
    if (!parse_count(value, option->minimum, &(parsed.options.*(option->field)), &why))
      return usage_error("value '" + std::string(value) + "' of " + std::string(option->long_name) + " " +
                         why);
  }
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
         "  thermo_argon.csv    phase, step, time, potential, kinetic and total energy, temperature\n"
         "  traj_argon.xyz      trajectory in Angstrom, with --xyz-every only\n"
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
         "(non-finite energy or temperature), 64 on a usage error.\n";
}

std::string version_text() { return "pelzak_md " PELZAK_VERSION "\n"; }

}  // namespace pelzak::md

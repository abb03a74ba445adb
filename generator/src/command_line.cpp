#include "command_line.hpp"

#include <charconv>
#include <string_view>

#include "pelzak/formats/file_names.hpp"
#include "pelzak_model.h"

#ifndef PELZAK_VERSION
#define PELZAK_VERSION "unknown"
#endif

namespace pelzak::initial {

namespace {

constexpr std::string_view seed_option = "--seed";
constexpr char seed_range[] = "a whole number from 0 to 4294967295";

// The value of --seed: every 32-bit seed of the stream, written in decimal digits only.
bool read_seed(std::string_view text, CommandLine& line) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    line.request = Request::usage_error;
    line.error = "option '--seed' needs " + std::string(seed_range) + ", not '" + std::string(text) + "'";
    return false;
  }
  line.seed = value;
  line.seed_given = true;
  return true;
}

}  // namespace

CommandLine read_command_line(int argc, const char* const* argv) {
  CommandLine line;
  for (int n = 1; n < argc; ++n) {
    const std::string_view arg = argv[n];
    if (arg == "-h" || arg == "--help") {
      line.request = Request::help;
      return line;
    }
    if (arg == "-V" || arg == "--version") {
      line.request = Request::version;
      return line;
    }
    if (arg == seed_option) {
      if (n + 1 == argc) {
        line.request = Request::usage_error;
        line.error = "option '--seed' needs a value, " + std::string(seed_range);
        return line;
      }
      if (!read_seed(argv[++n], line)) return line;
      continue;
    }
    if (arg.rfind("--seed=", 0) == 0) {
      if (!read_seed(arg.substr(seed_option.size() + 1), line)) return line;
      continue;
    }
    line.request = Request::usage_error;
    const std::string text(arg);
    if (arg.rfind("--help=", 0) == 0 || arg.rfind("--version=", 0) == 0)
      line.error = "option '" + text.substr(0, text.find('=')) + "' takes no value";
    else if (arg.size() > 1 && arg[0] == '-')
      line.error = "unknown option '" + text + "'";
    else
      line.error = "unexpected argument '" + text + "' (the program takes no input)";
    return line;
  }
  return line;
}

std::string help_text() {
  return "Usage: pelzak_initial [OPTION]\n"
         "Writes a starting configuration of liquid argon to \"ar_simulation.dat\" in the working\n"
         "directory: 864 atoms with random velocities for 94.4 K, in one octant of the periodic box\n"
         "of 3.47786 nm, for pelzak_md to read. It reads no input; every run with the same seed\n"
         "writes the same bytes.\n"
         "\n"
         "Options:\n"
         "      --seed N    start the random sequence from N, 0 to 4294967295, for an independent\n"
         "                  replica (default 5489, the sequence every run without --seed draws)\n"
         "  -h, --help      show this help and exit\n"
         "  -V, --version   show the version and exit\n"
         "\n"
         "Exit status: 0 on success, 1 if the file cannot be written, 64 on a usage error.\n";
}

std::string version_text() { return "pelzak_initial " PELZAK_VERSION "\n"; }

std::string written_text(const CommandLine& line) {
  return "wrote \"" + std::string(formats::start_file) + "\": " + std::to_string(model::atoms) +
         " atoms, seed " + std::to_string(line.seed) + (line.seed_given ? "" : " (the default)") + "\n";
}

}  // namespace pelzak::initial

#include "command_line.hpp"

#include <string_view>

#ifndef PELZAK_VERSION
#define PELZAK_VERSION "unknown"
#endif

namespace pelzak::initial {

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
         "of 3.47786 nm, for pelzak_md to read. It takes no input; every run writes the same bytes.\n"
         "\n"
         "Options:\n"
         "  -h, --help      show this help and exit\n"
         "  -V, --version   show the version and exit\n"
         "\n"
         "Exit status: 0 on success, 1 if the file cannot be written, 64 on a usage error.\n";
}

std::string version_text() { return "pelzak_initial " PELZAK_VERSION "\n"; }

}  // namespace pelzak::initial

// The generator's command line. It takes no input, so the only arguments are the conventional
// --help and --version, which print and end the program before it writes anything; any other
// argument is a usage error, also before anything is written. Run bare, it generates.
#pragma once

#include <string>

namespace pelzak::initial {

enum class Request { generate, help, version, usage_error };

struct CommandLine {
  Request request = Request::generate;
  std::string error;  // for usage_error: one line saying what is wrong
};

// Looks at the arguments in order: --help (-h) or --version (-V) wins where it stands, the first
// other argument is the error.
CommandLine read_command_line(int argc, const char* const* argv);

std::string help_text();
std::string version_text();

}  // namespace pelzak::initial

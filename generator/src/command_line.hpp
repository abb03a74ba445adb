// The generator's command line. It reads no input, so the only arguments are the conventional
// --help and --version, which print and end the program before it writes anything, and --seed,
// which picks the random sequence; any other argument is a usage error, also before anything is
// written. Run bare, it generates from the default seed.
#pragma once

#include <cstdint>
#include <string>

#include "pelzak/generator/generate.hpp"

namespace pelzak::initial {

enum class Request { generate, help, version, usage_error };

struct CommandLine {
  Request request = Request::generate;
  std::uint32_t seed = default_seed;
  bool seed_given = false;
  std::string error;  // for usage_error: one line saying what is wrong
};

// Looks at the arguments in order: --help (-h) or --version (-V) wins where it stands, the first
// wrong argument is the error.
CommandLine read_command_line(int argc, const char* const* argv);

std::string help_text();
std::string version_text();
// The line a successful run prints: what it wrote and from which seed.
std::string written_text(const CommandLine& line);

}  // namespace pelzak::initial

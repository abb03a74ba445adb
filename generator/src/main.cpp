// pelzak_initial: writes a random starting configuration of liquid argon to "ar_simulation.dat".
// It reads no input (the environment is ignored) and every run with the same seed writes the same
// bytes; --help and --version print without writing the file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "command_line.hpp"
#include "pelzak/generator/generate.hpp"

namespace {

constexpr int exit_usage = 64;  // EX_USAGE of sysexits.h

int print(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "pelzak_initial: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pelzak::initial;
  const CommandLine line = read_command_line(argc, argv);
  switch (line.request) {
    case Request::help: return print(help_text());
    case Request::version: return print(version_text());
    case Request::usage_error:
      std::fprintf(stderr, "pelzak_initial: %s\nTry 'pelzak_initial --help' for more information.\n",
                   line.error.c_str());
      return exit_usage;
    case Request::generate: break;
  }
  const int status = generate_configuration(line.seed);
  if (status != 0) return status;
  return print(written_text(line));
}

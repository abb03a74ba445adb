// pelzak_md: molecular dynamics of liquid argon from the generator's start to g(r).
#include <cstdio>

#include "options.hpp"
#include "pelzak/driver/job.hpp"

int main(int argc, char** argv) {
  using namespace pelzak::md;
  const Parsed parsed = parse_options(argc, argv);
  switch (parsed.action) {
    case Action::help: std::fputs(usage_text().c_str(), stdout); return exit_ok;
    case Action::version: std::fputs(version_text().c_str(), stdout); return exit_ok;
    case Action::usage_error:
      std::fprintf(stderr, "pelzak_md: %s\nTry 'pelzak_md --help' for more information.\n",
                   parsed.error.c_str());
      return exit_usage;
    case Action::run: break;
  }
  return run_job(parsed.options);
}

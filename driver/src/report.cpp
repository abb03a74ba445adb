#include "report.hpp"

#include <cstdio>

namespace pelzak::md {

void report(const std::string& message) { std::fprintf(stderr, "pelzak_md: %s\n", message.c_str()); }

}  // namespace pelzak::md

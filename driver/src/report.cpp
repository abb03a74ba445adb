#include "report.hpp"

#include <cstdio>

namespace pelzak::md {

void report(std::FILE* err, const std::string& message) {
  std::fprintf(err, "pelzak_md: %s\n", message.c_str());
}

}  // namespace pelzak::md

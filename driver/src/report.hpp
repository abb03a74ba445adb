// Messages to the user: one line on the error stream (stderr in pelzak_md), starting with the
// program's name.
#pragma once

#include <cstdio>
#include <string>

namespace pelzak::md {

void report(std::FILE* err, const std::string& message);

}  // namespace pelzak::md

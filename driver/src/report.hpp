// Messages to the user: one line on stderr, starting with the program's name.
#pragma once

#include <string>

namespace pelzak::md {

void report(const std::string& message);

}  // namespace pelzak::md

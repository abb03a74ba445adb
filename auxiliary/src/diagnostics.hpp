// How the library reports failure: one line on standard error naming the library, the file
// and the reason, then the end of the process with one fixed status. No failure is returned
// to the caller.
#pragma once

#include "pelzak/model/failure.hpp"

namespace pelzak::aux {

// Writes failure_prefix ("pelzak_aux: ") followed by the printf-style message and a newline to standard error
// in one write(2), then calls exit(failure_status). Use only %s, %d, %ld, %lld and %c: the
// integer and string conversions do not depend on the locale.
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace pelzak::aux

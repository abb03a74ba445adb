// How the library says that it failed: one line on standard error, this prefix and the reason, and
// the end of the process with this status. Callers of the status-returning cores that stop for a
// failure say it the same way (pelzak_md does for a start file it cannot read). Kept here, at the
// bottom, so that a program can speak the library's way without linking it. For in-tree C++ callers.
#pragma once

namespace pelzak::aux {

// Exit status of every failure of the library (a missing, short or malformed configuration, an
// output file that cannot be opened or written).
inline constexpr int failure_status = 2;

inline constexpr char failure_prefix[] = "pelzak_aux: ";

}  // namespace pelzak::aux

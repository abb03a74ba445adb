// How the library says that it failed: one line on standard error, this prefix and the reason, and
// the end of the process with this status. pelzak_md reads the library's start file itself and
// says what is wrong with it the same way, so that both fail alike on it. Kept here, at the
// bottom, so that a program can speak the library's way without linking it. For in-tree C++ callers.
#pragma once

namespace pelzak::aux {

// Exit status of every failure of the library (a missing, short or malformed configuration, an
// output file that cannot be opened or written).
inline constexpr int failure_status = 2;

inline constexpr char failure_prefix[] = "pelzak_aux: ";

}  // namespace pelzak::aux

// The lines of "ar_simulation.dat" as this program writes them, each ending in a line feed:
//
//   line 1        " Test"                                   5 characters
//   line 2        blank, count in 20 columns, " Argon"     27 characters
//   lines 3..866  one atom record, columns (i5, 2a5, i5, 3f8.3, 3f8.4)   68 characters
//
// An atom record: index, "Ar", "Ar", index, the position x, y, z in nm with 3 decimals, the
// velocity x, y, z in nm/ps with 4 decimals.
#pragma once

#include <cstddef>

namespace pelzak::initial {

inline constexpr char kFileName[] = "ar_simulation.dat";

inline constexpr std::size_t kTitleLength = 5;
inline constexpr std::size_t kCountLength = 27;
inline constexpr std::size_t kRecordLength = 68;

// Each writes its line with the line feed (length + 1 characters, no terminator) and returns
// the number of characters written.
std::size_t title_line(char* line);
std::size_t count_line(char* line, long long atom_count);
std::size_t atom_record(char* line, int index, const double position[3], const double velocity[3]);

}  // namespace pelzak::initial

// Writing a configuration file in the layout of configuration.hpp: line by line (pelzak_initial
// draws each position as its record is written) or as a whole (pelzak_md's "final_argon.dat").
#pragma once

#include <cstddef>

#include "pelzak/formats/configuration.hpp"

namespace pelzak::formats {

// Room for the longest line with its line feed.
inline constexpr std::size_t longest_written_line = configuration::record_width + 1;

// Each writes its line with the line feed (no terminator) and returns the number of characters.
std::size_t title_line(char* line);
std::size_t count_line(char* line, long long atom_count);
std::size_t atom_record(char* line, int index, const double position[3], const double velocity[3]);

// The whole file of model::atoms atoms, from configuration arrays (all x, then all y, then all z)
// of positions and velocities, into text[0 .. configuration::file_size).
void configuration_text(const double* positions, const double* velocities, char* text);
// The same for `atoms` atoms, into text[0 .. configuration::size_of(atoms)).
void configuration_text(int atoms, const double* positions, const double* velocities, char* text);

}  // namespace pelzak::formats

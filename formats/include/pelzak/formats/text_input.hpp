// Reading a text file the programs exchange, and showing a piece of it in a message: one way for
// every reader with the C++ runtime (the start file of any size, the trajectory, a LAMMPS dump).
#pragma once

#include <string>
#include <string_view>

namespace pelzak::formats {

// The whole file at path into *bytes; 0, or the errno of the open or read that failed.
int read_whole_file(const std::string& path, std::string* bytes);

// A piece of input as a message shows it: at most 60 characters ("..." after a longer one), control
// bytes as '?', so that a binary or hostile file cannot garble the terminal.
std::string shown(std::string_view text);

}  // namespace pelzak::formats

// Reading a configuration file (configuration.hpp) without ending the process: every failure is a
// returned status with a one-line diagnostic. The library's read_file ends the process on one;
// pelzak_lammps, the Python module, the fuzz targets and the tests take the status.
//
// Two header lines are skipped whole, then the atom records (864 of the library's start, or as
// many as a caller asks for) are cut into their fields by column.
// Only the first 68 columns of a line are kept (a short line is padded with blanks); a carriage
// return right before the line feed is dropped, so CR LF files read like LF ones. Lines after the
// last record are never read.
#pragma once

#include <cstddef>

namespace pelzak::formats {

// A configuration line may hold this many bytes before its line feed. A record needs 68 columns
// and anything past them is ignored, so only a file that is not a configuration at all comes
// near the bound; it exists so that an endless stream without line feeds (say the name links to
// /dev/zero) ends with a diagnostic instead of reading forever.
inline constexpr long longest_input_line = 1L << 20;

enum class ReadStatus {
  ok,
  end_of_file,    // fewer than 866 lines
  bad_value,      // a numeric field that is not a number
  out_of_range,   // a real beyond the largest double
  line_too_long,  // more than longest_input_line bytes without a line feed
  read_error,     // read(2) failed
};

// The reason of a failure as one line of text without a line feed, naming the file and the line,
// e.g. "\"ar_simulation.dat\", line 7: bad value \"12a.4\" in the y position field (columns 29-36)".
struct ReadDiagnostic {
  char text[512];
};

// Reads the configuration from the descriptor's current position to its end (or line 866) into
// positions and velocities. Values land as each field is parsed, so after a failure the arrays
// hold what was read up to that point.
ReadStatus read_configuration(int fd, double* positions, double* velocities, ReadDiagnostic* diagnostic);

// The same over a file's bytes held in memory.
ReadStatus read_configuration(const char* bytes, std::size_t length, double* positions, double* velocities,
                              ReadDiagnostic* diagnostic);

// A configuration of `atoms` atoms held in memory (`atoms` records after the two header lines),
// `name` naming it in a diagnostic.
ReadStatus read_configuration(const char* bytes, std::size_t length, const char* name, int atoms,
                              double* positions, double* velocities, ReadDiagnostic* diagnostic);

// The atom count that line 2 of a configuration held in memory states (the writer puts it there;
// the library's reader skips the line whatever it holds).
ReadStatus read_atom_count(const char* bytes, std::size_t length, const char* name, long* atoms,
                           ReadDiagnostic* diagnostic);

// One atom record: line holds exactly 68 columns (the reader pads short lines with blanks and
// drops everything beyond); atom is 0-based and line_number only names the line in a diagnostic.
ReadStatus parse_atom_record(const char* line, int line_number, int atom, double* positions,
                             double* velocities, ReadDiagnostic* diagnostic);

}  // namespace pelzak::formats

// The g(r) table "rdf_argon.dat": model::bins lines, each one blank, r/sigma in a number field, one
// blank, g in a number field, and a line feed (52 characters). The library's radial_dist writes it
// and so does pelzak_lammps analyse, for any number of atoms.
#pragma once

#include <cstddef>

#include "pelzak_model.h"

namespace pelzak::formats {

// A double as 25 characters that read back to the same double, independent of the process locale.
inline constexpr int number_field_width = 25;

// Writes x into out[0..25) (no terminating NUL) with 17 significant digits, correctly rounded.
// Zero and magnitudes whose 17-digit rounding lies in [0.1, 1e17) use fixed notation,
// right-aligned in the first 20 characters and followed by 5 blanks:
//   "  0.50000000000000000     ", " 1.5000000000000000     "
// others use scientific notation with a signed three-digit exponent, right-aligned in all 25:
//   "  1.2786249999999999E-002"
// Infinities and NaN print as "Infinity", "-Infinity" and "NaN", right-aligned.
void format_number_field(double x, char* out);

inline constexpr int rdf_line_length = 1 + number_field_width + 1 + number_field_width + 1;
inline constexpr std::size_t rdf_table_size = static_cast<std::size_t>(model::bins) * rdf_line_length;

// The whole table from label[b] (r / sigma) and g[b], b = 0 .. model::bins - 1, into
// text[0 .. rdf_table_size).
void rdf_table(const double* label, const double* g, char* text);

}  // namespace pelzak::formats

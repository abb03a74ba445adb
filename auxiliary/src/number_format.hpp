// Doubles as 25-character text fields that read back to the same double, independent of the
// process locale.
#pragma once

namespace pelzak::aux {

inline constexpr int number_field_width = 25;

// Writes x into out[0..25) (no terminating NUL) with 17 significant digits, correctly rounded.
// Zero and magnitudes whose 17-digit rounding lies in [0.1, 1e17) use fixed notation,
// right-aligned in the first 20 characters and followed by 5 blanks:
//   "  0.50000000000000000     ", " 1.5000000000000000     "
// others use scientific notation with a signed three-digit exponent, right-aligned in all 25:
//   "  1.2786249999999999E-002"
// Infinities and NaN print as "Infinity", "-Infinity" and "NaN", right-aligned.
void format_number_field(double x, char* out);

}  // namespace pelzak::aux

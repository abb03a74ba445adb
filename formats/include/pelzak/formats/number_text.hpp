// Number text for every file, plot, log, summary and message the programs write: std::to_chars's,
// so independent of the locale, with the exact binary value rounded to the nearest (ties to even).
#pragma once

#include <string>

namespace pelzak::formats {

// Shortest text that reads back as the same double; "nan" for every NaN, "inf" and "-inf".
std::string shortest(double value);

// Fixed-point with the given number of decimals ("nan" for NaN), e.g. fixed(2.7349, 2) == "2.73".
std::string fixed(double value, int decimals);

// At most `digits` significant digits, trailing zeros dropped: times and frequencies computed as
// multiples of a step that is not exact in binary (0.04 * 7) print as the decimals they stand for.
std::string rounded(double value, int digits);

// For a display: fixed(value, decimals) while |value| < 1e6, scientific with 3 decimals above
// (a blowing-up temperature shows as "3.165e+33", not as 34 digits).
std::string compact(double value, int decimals);

// value appended to out as std::to_chars writes it (a NaN as "nan" or "-nan" by its sign):
// fixed-point with `decimals` decimals, or the shortest text that reads back as the same double when
// decimals < 0. For the trajectory's many numbers, which mostly take a shortcut (a frame of 864 atoms
// in a third of the time): the value scaled by 10^decimals is rounded to a whole number whose digits
// are the text, whenever that is provably the rounding of the exact value.
void append_fixed(std::string& out, double value, int decimals);

}  // namespace pelzak::formats

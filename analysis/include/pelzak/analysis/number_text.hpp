// Locale-independent number text for every file, plot, log and summary the programs write.
#pragma once

#include <string>

namespace pelzak::analysis {

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

}  // namespace pelzak::analysis

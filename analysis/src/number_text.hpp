// Locale-independent number text for the files and plots of the analysis.
#pragma once

#include <string>

namespace pelzak::analysis {

// Shortest text that reads back as the same double; "nan", "inf", "-inf" for the others.
std::string shortest(double value);

// Fixed-point with the given number of decimals ("nan" for NaN).
std::string fixed(double value, int decimals);

// At most `digits` significant digits, trailing zeros dropped: times and frequencies computed as
// multiples of a step that is not exact in binary (0.04 * 7) print as the decimals they stand for.
std::string rounded(double value, int digits);

}  // namespace pelzak::analysis

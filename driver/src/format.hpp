// Locale-independent number formatting for every text the driver writes.
#pragma once

#include <string>

namespace pelzak::md {

// Shortest text that reads back as the same double; "nan" for every NaN, "inf" and "-inf".
std::string shortest(double value);

// Fixed-point with the given number of decimals, e.g. fixed(2.7349, 2) == "2.73".
std::string fixed(double value, int decimals);

// For a display: fixed(value, decimals) while |value| < 1e6, scientific with 3 decimals above
// (a blowing-up temperature shows as "3.165e+33", not as 34 digits).
std::string compact(double value, int decimals);

}  // namespace pelzak::md

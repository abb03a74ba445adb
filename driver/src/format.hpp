// Locale-independent number formatting for every text the driver writes.
#pragma once

#include <string>

namespace pelzak::md {

// Shortest text that reads back as the same double ("nan", "inf" and "-inf" for the non-finite).
std::string shortest(double value);

// Fixed-point with the given number of decimals, e.g. fixed(2.7349, 2) == "2.73".
std::string fixed(double value, int decimals);

}  // namespace pelzak::md

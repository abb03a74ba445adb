// The state point as the command lines take it (pelzak_md, and pelzak_lammps export, which writes
// the same state point for LAMMPS): how each option's text is read, the values it accepts, and the
// words that say why a text is refused. Both programs give the same answer to the same text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelzak/engine/state_point.hpp"

namespace pelzak::engine {

// A state option that takes a real number: positive, finite and at most `maximum`.
struct RealRange {
  const char* what;  // the accepted values, for messages
  double maximum;
};

inline constexpr RealRange temperature_range{"a temperature in K above 0", 1e4};
inline constexpr RealRange density_range{"a density in g/cm^3 above 0", 100.0};
inline constexpr RealRange cutoff_range{"a cut-off in sigma above 0", 1e6};
inline constexpr RealRange tau_range{"a relaxation time in ps above 0", 1e6};

// Each parser returns true with *value set, or false with *why saying what is wrong with the text
// and what is accepted ("is too large; accepted: a whole number from 0 to 9"); a message reads
// "value '<text>' of <option> " + why.

// Plain decimal digits only: no sign, no blanks, no exponent, nothing after the number.
bool parse_count(std::string_view text, std::int64_t minimum, std::int64_t maximum, std::int64_t* value,
                 std::string* why);

// A number as C writes one ("94.4", "1e-3"), within range.
bool parse_real(std::string_view text, const RealRange& range, double* value, std::string* why);

// The time step as the decimal written: digits with at most one decimal point ("0.005", ".01"),
// above 0 and at most 0.1 ps, with at most 9 decimals; the value is units * 10^-decimals ps, kept as
// the decimal so that times print as the decimals they are.
bool parse_time_step(std::string_view text, std::int64_t* units, int* decimals, std::string* why);

// units * 10^-decimals as a double: one correctly rounded division.
double decimal_value(std::int64_t units, int decimals);

// rescale, csvr or none.
bool parse_thermostat(std::string_view text, Thermostat* thermostat, std::string* why);

// The thermostat's name as the option gives it.
const char* thermostat_name(Thermostat thermostat);

// The side, nm, of the box that holds `atoms` atoms at `density` g/cm^3; a density of 0 is the
// library's, and then 864 atoms get the library's box exactly (not a cube root that may differ from
// it in the last bit).
double state_box(long atoms, double density);

}  // namespace pelzak::engine

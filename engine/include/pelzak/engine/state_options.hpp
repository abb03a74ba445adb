// The state point as the command lines take it: pelzak_md, pelzak_lammps export (which writes the
// same state point for LAMMPS) and, through pelzak_md's rules, Python's pelzak.run. The options with
// their defaults, their registration with CLI11, how each option's text is read, the values it
// accepts, the checks of the state point as a whole, and the box the density gives: every program
// gives the same answer to the same text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pelzak/engine/state_point.hpp"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace pelzak::engine {

// The state options, whose defaults are the library's liquid: its 864 atoms in its box at 94.4 K,
// cut off at 2.25 sigma, steps of 0.01 ps, velocities rescaled every step.
struct StateOptions {
  long atoms = 0;                                  // 0: the start file's count, or the library's 864
  double temperature = model::target_temperature;  // K
  double density = 0.0;                            // g/cm^3; 0: the density of the library's box
  double cutoff_sigma = default_cutoff_sigma;      // the cut-off radius in sigma
  bool tail = false;                               // long-range corrections to energy and pressure
  // The time step as the decimal given, time_step_units * 10^-time_step_decimals ps: logs print
  // times as exact decimals of it. The model takes it rounded to single precision (0.01 is model::dt).
  std::int64_t time_step_units = 1;
  int time_step_decimals = 2;
  Thermostat thermostat = Thermostat::rescale;
  double tau = default_tau;  // ps, csvr's relaxation time
};

// Thrown by an option's callback while CLI11 parses: the message says which value of which option
// is refused, and what is accepted.
struct OptionProblem {
  std::string message;
};

// Registers --temperature, --density, --cutoff, --tail, --time-step, --thermostat, --tau and, with
// `atoms`, --atoms on `command`, in that order, each read into `options` by the parsers below and
// refused with an OptionProblem. Returns the options added, for a program to dress their help or
// change when they are read.
std::vector<CLI::Option*> add_state_options(CLI::App& command, StateOptions& options, bool atoms);

// A state option that takes a real number: positive, finite and at most `maximum`.
struct RealRange {
  const char* what;  // the accepted values, for messages
  double maximum;
};

inline constexpr RealRange temperature_range{"a temperature in K above 0", 1e4};
inline constexpr RealRange density_range{"a density in g/cm^3 above 0", 100.0};
inline constexpr RealRange cutoff_range{"a cut-off in sigma above 0", 1e6};
inline constexpr RealRange tau_range{"a relaxation time in ps above 0", 1e6};

// Largest step count or interval either program accepts, so that every step count of a run fits
// comfortably.
inline constexpr std::int64_t max_steps = 1000000000;

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

// The checks of the state point as a whole, each an empty string or the one line that says what is
// wrong: the box the density gives `atoms` atoms (from 0.001 to 1e6 nm); the cut-off against half
// the box of side `box` nm holding `atoms` atoms; --tau without csvr.
std::string box_problem(const StateOptions& options, long atoms, double box);
std::string cutoff_problem(double cutoff_sigma, long atoms, double box);
std::string tau_problem(const StateOptions& options);

// Whether a configuration's coordinates (nm, axis by axis, `atoms` to an axis) lie in the box, within
// the 0.0005 nm of a file's 3 decimals: an empty string, or the line naming the first that does not,
// as "<atom> 7 lies at ..., give the density <made> was made at with --density".
std::string outside_box(const std::vector<double>& positions, long atoms, double box, std::string_view atom,
                        std::string_view made);

}  // namespace pelzak::engine

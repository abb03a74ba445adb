#include "pelzak/engine/state_options.hpp"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::engine {

namespace {

// The boxes a density may give, nm: below a hundredth of an atom's size the cells and the numbers
// make no sense, and above a metre nothing in the box would ever meet.
constexpr double smallest_box = 1e-3;
constexpr double largest_box = 1e6;
// A configuration's coordinates carry 3 decimals: one on the box's faces may read up to half a unit
// of the last decimal beyond them.
constexpr double coordinate_rounding = 0.0005;

// The largest time step, ps: ten times the library's, already far past the steps at which this
// liquid keeps its energy; larger ones are surely typing mistakes.
constexpr double max_time_step = 0.1;
// Decimals a time step may carry: its digits must stay an exact integer times a power of ten.
constexpr int max_time_step_decimals = 9;
// Digits beyond this value cannot make a time step of at most 0.1 ps with at most 9 decimals; the
// bound keeps the digits' integer from overflowing.
constexpr std::int64_t max_time_step_digits_value = 1000000000000LL;

}  // namespace

bool parse_count(std::string_view text, std::int64_t minimum, std::int64_t maximum, std::int64_t* value,
                 std::string* why) {
  const std::string range =
      "; accepted: a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum);
  std::int64_t v = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  const bool negative = text.size() > 1 && text.front() == '-' && text[1] >= '0' && text[1] <= '9';
  const auto [end, ec] = negative || text.empty() ? std::from_chars_result{first, std::errc::invalid_argument}
                                                  : std::from_chars(first, last, v);
  if (negative) {
    *why = "is negative" + range;
  } else if (ec == std::errc::result_out_of_range || (ec == std::errc() && end == last && v > maximum)) {
    *why = "is too large" + range;
  } else if (ec == std::errc() && end != last && (*end == '.' || *end == 'e' || *end == 'E')) {
    *why = "is not written as a whole number in digits" + range;
  } else if (ec != std::errc() || end != last || text.front() < '0' || text.front() > '9') {
    *why = "is not a whole number" + range;
  } else if (v < minimum) {
    *why = "is too small" + range;
  } else {
    *value = v;
    return true;
  }
  return false;
}

bool parse_real(std::string_view text, const RealRange& range, double* value, std::string* why) {
  double v = 0.0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, ec] = std::from_chars(first, last, v);
  const std::string accepted =
      std::string("; accepted: ") + range.what + " and at most " + formats::shortest(range.maximum);
  if (ec != std::errc() || end != last || text.empty()) {
    *why = "is not a number" + accepted;
  } else if (!(v > 0.0) || !(v <= range.maximum)) {
    *why = "is out of range" + accepted;
  } else {
    *value = v;
    return true;
  }
  return false;
}

bool parse_time_step(std::string_view text, std::int64_t* units, int* decimals, std::string* why) {
  const std::string range =
      "; accepted: a time step in ps written as a decimal (such as 0.005), above 0 and at most " +
      formats::shortest(max_time_step) + ", with at most " + std::to_string(max_time_step_decimals) +
      " decimals";
  std::int64_t u = 0;
  int d = -1;
  bool digits = false;
  for (const char c : text) {
    if (c == '.' && d < 0) {
      d = 0;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (u > max_time_step_digits_value) return *why = "is too long" + range, false;
      u = 10 * u + (c - '0');
      if (d >= 0) ++d;
    } else {
      return *why = "is not a decimal number" + range, false;
    }
  }
  if (d < 0) d = 0;
  if (!digits) return *why = "is not a decimal number" + range, false;
  // Trailing zeros of the fraction say nothing: 0.010 is 0.01.
  while (d > 0 && u % 10 == 0 && u != 0) u /= 10, --d;
  if (d > max_time_step_decimals || u == 0 || decimal_value(u, d) > max_time_step)
    return *why = "is out of range" + range, false;
  *units = u;
  *decimals = d;
  return true;
}

double decimal_value(std::int64_t units, int decimals) {
  double scale = 1.0;  // 10^decimals, exact for the decimals accepted
  for (int d = 0; d < decimals; ++d) scale *= 10.0;
  return static_cast<double>(units) / scale;
}

bool parse_thermostat(std::string_view text, Thermostat* thermostat, std::string* why) {
  for (const Thermostat t : {Thermostat::rescale, Thermostat::csvr, Thermostat::none}) {
    if (text == thermostat_name(t)) {
      *thermostat = t;
      return true;
    }
  }
  *why = "is not one of rescale, csvr, none";
  return false;
}

const char* thermostat_name(Thermostat thermostat) {
  switch (thermostat) {
    case Thermostat::rescale: return "rescale";
    case Thermostat::csvr: return "csvr";
    case Thermostat::none: return "none";
  }
  return "?";
}

double state_box(long atoms, double density) {
  if (density == 0.0) {
    if (atoms == model::atoms) return model::box;
    density = density_g_per_cm3(model::atoms, model::box);
  }
  // L = (N m / rho)^(1/3), the inverse of density_g_per_cm3.
  return std::cbrt(static_cast<double>(atoms) * model::mass * g_per_cm3 / density);
}

std::vector<CLI::Option*> add_state_options(CLI::App& command, StateOptions& options, bool atoms) {
  std::vector<CLI::Option*> added;
  const auto add_real = [&](const char* name, const char* type, const RealRange& range, double* field) {
    added.push_back(command
                        .add_option_function<std::string>(name,
                                                          [name, &range, field](const std::string& value) {
                                                            std::string why;
                                                            if (!parse_real(value, range, field, &why))
                                                              throw OptionProblem{"value '" + value +
                                                                                  "' of " + name + " " + why};
                                                          })
                        ->type_name(type));
  };
  add_real("--temperature", "K", temperature_range, &options.temperature);
  add_real("--density", "G_PER_CM3", density_range, &options.density);
  add_real("--cutoff", "SIGMA", cutoff_range, &options.cutoff_sigma);
  added.push_back(command.add_flag("--tail", options.tail));
  added.push_back(
      command
          .add_option_function<std::string>(
              "--time-step",
              [&options](const std::string& value) {
                std::string why;
                if (!parse_time_step(value, &options.time_step_units, &options.time_step_decimals, &why))
                  throw OptionProblem{"value '" + value + "' of --time-step " + why};
              })
          ->type_name("PS"));
  added.push_back(command
                      .add_option_function<std::string>(
                          "--thermostat",
                          [&options](const std::string& value) {
                            std::string why;
                            if (!parse_thermostat(value, &options.thermostat, &why))
                              throw OptionProblem{"value '" + value + "' of --thermostat " + why};
                          })
                      ->type_name("NAME"));
  add_real("--tau", "PS", tau_range, &options.tau);
  if (atoms)
    added.push_back(command
                        .add_option_function<std::string>("--atoms",
                                                          [&options](const std::string& value) {
                                                            std::string why;
                                                            std::int64_t v = 0;
                                                            if (!parse_count(value, 2, max_atoms, &v, &why))
                                                              throw OptionProblem{"value '" + value +
                                                                                  "' of --atoms " + why};
                                                            options.atoms = static_cast<long>(v);
                                                          })
                        ->type_name("N"));
  return added;
}

std::string box_problem(const StateOptions& options, long atoms, double box) {
  if (box >= smallest_box && box <= largest_box) return "";
  return "--density " + formats::shortest(options.density) + " gives " + std::to_string(atoms) +
         " atoms a box of " + formats::shortest(box) +
         " nm; accepted: densities that give a box from 0.001 to 1e6 nm";
}

std::string cutoff_problem(double cutoff_sigma, long atoms, double box) {
  const double largest = largest_cutoff_sigma(box);
  if (cutoff_sigma <= largest) return "";
  return "value '" + formats::shortest(cutoff_sigma) +
         "' of --cutoff is beyond half the box; accepted: at most " + formats::fixed(largest, 4) +
         " sigma for " + std::to_string(atoms) + " atoms at " +
         formats::fixed(density_g_per_cm3(atoms, box), 5) + " g/cm^3";
}

std::string tau_problem(const StateOptions& options) {
  if (options.thermostat == Thermostat::csvr || options.tau == default_tau) return "";
  return "--tau is csvr's relaxation time: give it with --thermostat csvr";
}

std::string outside_box(const std::vector<double>& positions, long atoms, double box, std::string_view atom,
                        std::string_view made) {
  for (std::size_t k = 0; k < positions.size(); ++k) {
    const double x = positions[k];
    if (x >= -coordinate_rounding && x <= box + coordinate_rounding) continue;
    return std::string(atom) + " " + std::to_string(k % static_cast<std::size_t>(atoms) + 1) + " lies at " +
           formats::shortest(x) + " nm, outside the box of " + formats::rounded(box, 6) + " nm that " +
           std::to_string(atoms) + " atoms fill at the density asked for; give the density " +
           std::string(made) + " was made at with --density";
  }
  return "";
}

}  // namespace pelzak::engine

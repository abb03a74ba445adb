#include "pelzak/engine/state_options.hpp"

#include <charconv>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::engine {

namespace {

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
  return box_for_density(atoms, density);
}

}  // namespace pelzak::engine

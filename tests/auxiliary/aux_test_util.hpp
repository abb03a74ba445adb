// Helpers shared by the library's tests: configuration arrays and configuration files.
#pragma once

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "pelzak_aux.h"

namespace pelzak::aux_test {

using Config = std::array<double, 3 * model::atoms>;

// Element (atom i, axis k), i = 1..864, k = 1..3, of a configuration array.
inline double& at(Config& c, int i, int k) { return c[(k - 1) * model::atoms + (i - 1)]; }
inline double at(const Config& c, int i, int k) { return c[(k - 1) * model::atoms + (i - 1)]; }

// Every atom at NaN: pairs involving such atoms fail every distance test and add nothing,
// so a test can place just the few atoms it is about.
inline Config nan_config() {
  Config c;
  c.fill(std::numeric_limits<double>::quiet_NaN());
  return c;
}

inline Config filled(double value) {
  Config c;
  c.fill(value);
  return c;
}

// One atom record in the writer's layout (i5, 2a5, i5, 3f8.3, 3f8.4), without line feed.
inline std::string record(int i, double x, double y, double z, double vx, double vy, double vz) {
  char line[128];
  std::snprintf(line, sizeof line, "%5d%5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f", i, "Ar", "Ar", i, x, y, z,
                vx, vy, vz);
  return line;
}

// Deterministic values that fill the fields without overflowing them.
inline double sample_position(int i, int k) { return std::fmod(i * 0.0137 + k * 0.511, 1.73893); }
inline double sample_velocity(int i, int k) { return std::fmod(i * 0.00731 + k * 0.13, 0.9) - 0.45; }

// Atom i's record built from the sample values.
inline std::string sample_record(int i) {
  return record(i, sample_position(i, 1), sample_position(i, 2), sample_position(i, 3), sample_velocity(i, 1),
                sample_velocity(i, 2), sample_velocity(i, 3));
}

// A complete 866-line configuration file built from the sample values; line_end lets a test
// write CR LF files.
inline std::string sample_file(const std::string& line_end = "\n") {
  std::string text = " Test" + line_end + "                 864 Argon" + line_end;
  for (int i = 1; i <= model::atoms; ++i) {
    text += sample_record(i) + line_end;
  }
  return text;
}

}  // namespace pelzak::aux_test

// Fixtures shared by the tests of the library, the kernels and the failure paths: configuration
// arrays (the fcc lattice that fills the box among them) and configuration files written with the
// formats module's own writer.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fcc_lattice.hpp"
#include "pelzak/formats/configuration_writer.hpp"
#include "pelzak_aux.h"

namespace pelzak::test {

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
  char line[pelzak::formats::longest_written_line];
  const double position[3] = {x, y, z}, velocity[3] = {vx, vy, vz};
  return std::string(line, pelzak::formats::atom_record(line, i, position, velocity) - 1);
}

// The 864 sites of the 6 x 6 x 6 fcc lattice that fills the box (fcc_lattice.hpp), shifted by
// `offset` cells along every axis.
inline Config fcc_lattice(double offset = 0.0) {
  const std::vector<double> sites = fcc_sites(model::atoms, model::box, offset);
  Config c;
  std::copy(sites.begin(), sites.end(), c.begin());
  return c;
}

// Atoms inside and far outside the box (up to ten boxes out), and velocities of either sign.
inline void spread_configuration(std::vector<double>& positions, std::vector<double>& velocities) {
  positions.resize(model::config_size);
  velocities.resize(model::config_size);
  for (int n = 0; n < model::config_size; ++n) {
    positions[n] = -7.0 + 0.0173 * n;
    velocities[n] = 0.3 * std::sin(0.7 * n);
  }
}

// A whole configuration file of the positions and velocities, as the programs write one.
inline std::string configuration_file(const Config& positions, const Config& velocities) {
  std::string text(pelzak::formats::configuration::file_size, ' ');
  pelzak::formats::configuration_text(positions.data(), velocities.data(), text.data());
  return text;
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

}  // namespace pelzak::test

#include "pelzak/formats/trajectory_writer.hpp"

#include <cmath>

#include "pelzak/formats/number_text.hpp"
#include "pelzak/model/units.hpp"

namespace pelzak::formats::trajectory {

void fill_frame(Frame& f, long atoms, double box_nm, const double* positions_nm,
                const double* velocities_nm_ps) {
  const std::size_t n3 = 3 * static_cast<std::size_t>(atoms);
  f.atoms = atoms;
  f.box = box_nm * units::angstrom_per_nm;
  f.positions.resize(n3);
  f.velocities.resize(n3);
  f.images.resize(n3);
  for (std::size_t n = 0; n < n3; ++n) {
    const double x = positions_nm[n] * units::angstrom_per_nm;
    double image = std::floor(x / f.box);
    double wrapped = x - image * f.box;
    // x / L rounded can land on the next whole number (a remainder just below 0), and a remainder
    // just below L can round up to L itself; either way move one box so that 0 <= wrapped < L.
    if (wrapped < 0.0) wrapped += f.box, image -= 1.0;
    if (wrapped >= f.box) wrapped -= f.box, image += 1.0;
    f.positions[n] = wrapped + 0.0;  // -0 prints as 0
    f.images[n] = image + 0.0;
    f.velocities[n] = velocities_nm_ps[n] * units::angstrom_per_nm;
  }
}

std::string frame_text(const Frame& f) {
  const std::size_t atoms = static_cast<std::size_t>(f.atoms);
  std::string out = std::to_string(f.atoms) + "\nLattice=\"";
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column) {
      if (row == column) {
        append_fixed(out, f.box, -1);
      } else {
        out += '0';
      }
      out += row == 2 && column == 2 ? "\"" : " ";
    }
  out += std::string(" Properties=") + properties + " pbc=\"" + periodic + "\" Time=" + f.time +
         " Step=" + std::to_string(f.step) + " time_ps=" + f.time;
  if (!f.phase.empty()) out += " phase=" + f.phase + " step=" + std::to_string(f.phase_step);
  out += '\n';
  out.reserve(out.size() + atoms * 64);
  for (std::size_t i = 0; i < atoms; ++i) {
    out += species;
    for (std::size_t k = 0; k < 3; ++k)
      out += ' ', append_fixed(out, f.positions[k * atoms + i], position_decimals);
    for (std::size_t k = 0; k < 3; ++k)
      out += ' ', append_fixed(out, f.velocities[k * atoms + i], velocity_decimals);
    for (std::size_t k = 0; k < 3; ++k) out += ' ', append_fixed(out, f.images[k * atoms + i], 0);
    out += '\n';
  }
  return out;
}

}  // namespace pelzak::formats::trajectory

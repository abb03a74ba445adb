#include "pelzak/formats/trajectory_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace pelzak::formats::trajectory {

namespace {

// The text std::to_chars makes, appended: fixed-point with `decimals` decimals, or the shortest text
// that reads back as the same double when decimals < 0. 400 characters hold any double.
void append_to_chars(std::string& out, double value, int decimals) {
  char buf[400];
  const auto [end, ec] =
      decimals < 0 ? std::to_chars(buf, buf + sizeof buf, value)
                   : std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  out.append(buf, ec == std::errc() ? end : buf);
}

// Beyond this the scaled value's last bit is worth more than 1/8, too coarse for the shortcut.
constexpr double largest_shortcut = 0x1p49;
constexpr std::uint64_t powers_of_ten[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

}  // namespace

void append_fixed(std::string& out, double value, int decimals) {
  const int table = static_cast<int>(sizeof powers_of_ten / sizeof powers_of_ten[0]);
  if (decimals < 0 || decimals >= table) return append_to_chars(out, value, decimals);
  const std::uint64_t scale = powers_of_ten[decimals];
  const double y = value * static_cast<double>(scale);
  if (!(std::fabs(y) < largest_shortcut)) return append_to_chars(out, value, decimals);
  // y is within half its last bit of the exact product p, and u is at least that bit. With r the
  // whole number nearest to y, |y - r| <= 1/2 - u puts p strictly within 1/2 of r: r is the exact
  // product rounded, as to_chars rounds it, and no tie. y - r is exact (r is 0, or within a factor
  // of two of y). Anything else (a tie, or a product too close to one) goes to to_chars.
  const double r = std::nearbyint(y);
  const double u = std::fmax(std::fabs(y), 1.0) * 0x1p-52;
  if (!(std::fabs(y - r) <= 0.5 - u)) return append_to_chars(out, value, decimals);
  char buf[32];
  char* p = buf + sizeof buf;
  std::uint64_t m = static_cast<std::uint64_t>(std::fabs(r));
  for (int d = 0; d < decimals; ++d, m /= 10) *--p = static_cast<char>('0' + m % 10);
  if (decimals > 0) *--p = '.';
  do *--p = static_cast<char>('0' + m % 10);
  while ((m /= 10) != 0);
  if (std::signbit(value)) *--p = '-';  // to_chars writes "-0.00000" for a negative that rounds to 0
  out.append(p, buf + sizeof buf);
}

void fill_frame(Frame& f, long atoms, double box_nm, const double* positions_nm,
                const double* velocities_nm_ps) {
  const std::size_t n3 = 3 * static_cast<std::size_t>(atoms);
  f.atoms = atoms;
  f.box = box_nm * angstrom_per_nm;
  f.positions.resize(n3);
  f.velocities.resize(n3);
  f.images.resize(n3);
  for (std::size_t n = 0; n < n3; ++n) {
    const double x = positions_nm[n] * angstrom_per_nm;
    double image = std::floor(x / f.box);
    double wrapped = x - image * f.box;
    // x / L rounded can land on the next whole number (a remainder just below 0), and a remainder
    // just below L can round up to L itself; either way move one box so that 0 <= wrapped < L.
    if (wrapped < 0.0) wrapped += f.box, image -= 1.0;
    if (wrapped >= f.box) wrapped -= f.box, image += 1.0;
    f.positions[n] = wrapped + 0.0;  // -0 prints as 0
    f.images[n] = image + 0.0;
    f.velocities[n] = velocities_nm_ps[n] * angstrom_per_nm;
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

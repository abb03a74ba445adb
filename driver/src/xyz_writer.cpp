#include "xyz_writer.hpp"

#include <cmath>

#include "pelzak/analysis/number_text.hpp"
#include "thermo_log.hpp"

namespace pelzak::md {

using analysis::fixed;

namespace {
constexpr double angstrom_per_nm = 10.0;

double wrap(double x, double box) {
  double w = x - box * std::floor(x / box);
  if (w >= box) w -= box;  // a tiny negative x can round up to exactly L
  return w;
}
}  // namespace

std::string xyz_frame(const engine::System& s, std::string_view phase, std::int64_t step,
                      std::int64_t elapsed_steps, const Options& o) {
  const long atoms = s.state.atoms;
  const double box = s.state.box;
  const double* positions = s.positions.data();
  const std::string side = fixed(box * angstrom_per_nm, 4);
  std::string frame = std::to_string(atoms) + "\n";
  frame += "Lattice=\"" + side + " 0 0 0 " + side + " 0 0 0 " + side +
           "\" Properties=species:S:1:pos:R:3 pbc=\"T T T\" time_ps=" + time_text(elapsed_steps, o) +
           " phase=" + std::string(phase) + " step=" + std::to_string(step) + "\n";
  frame.reserve(frame.size() + static_cast<std::size_t>(atoms) * 40);
  for (long i = 0; i < atoms; ++i) {
    frame += "Ar";
    for (int k = 0; k < 3; ++k) {
      frame += ' ';
      frame += fixed(wrap(positions[k * atoms + i], box) * angstrom_per_nm, 5);
    }
    frame += '\n';
  }
  return frame;
}

}  // namespace pelzak::md

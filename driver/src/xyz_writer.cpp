#include "xyz_writer.hpp"

#include <cmath>

#include "constants.hpp"
#include "pelzak/analysis/number_text.hpp"
#include "thermo_log.hpp"

namespace pelzak::md {

using analysis::fixed;

namespace {
constexpr double angstrom_per_nm = 10.0;

double wrap(double x) {
  double w = x - model::box * std::floor(x / model::box);
  if (w >= model::box) w -= model::box;  // a tiny negative x can round up to exactly L
  return w;
}
}  // namespace

std::string xyz_frame(const double* positions, std::string_view phase, std::int64_t step,
                      std::int64_t elapsed_steps) {
  const std::string side = fixed(model::box * angstrom_per_nm, 4);
  std::string frame = std::to_string(model::atoms) + "\n";
  frame += "Lattice=\"" + side + " 0 0 0 " + side + " 0 0 0 " + side +
           "\" Properties=species:S:1:pos:R:3 pbc=\"T T T\" time_ps=" + time_text(elapsed_steps) +
           " phase=" + std::string(phase) + " step=" + std::to_string(step) + "\n";
  frame.reserve(frame.size() + model::atoms * 40);
  for (int i = 0; i < model::atoms; ++i) {
    frame += "Ar";
    for (int k = 0; k < 3; ++k) {
      frame += ' ';
      frame += fixed(wrap(positions[k * model::atoms + i]) * angstrom_per_nm, 5);
    }
    frame += '\n';
  }
  return frame;
}

}  // namespace pelzak::md

#include "final_configuration.hpp"

#include <cmath>
#include <vector>

#include "pelzak/formats/configuration_writer.hpp"
#include "pelzak/formats/file_names.hpp"
#include "text_file.hpp"

namespace pelzak::md {

namespace {

// x taken into [0, L). fmod is exact, so no atom moves by more than its whole boxes; the sum
// below can round up to L itself for a remainder just under zero, which is the same point as 0.
double wrap(double x, double box) {
  double w = std::fmod(x, box);
  if (w < 0.0) w += box;
  if (w >= box || w == 0.0) w = 0.0;  // also turns -0 into 0, which prints without a sign
  return w;
}

}  // namespace

std::string final_configuration_text(const engine::System& s) {
  const double half_step = s.last_scale * (s.derived.dt / 2);
  const std::size_t n3 = s.positions.size();
  std::vector<double> wrapped(n3), velocity(n3);
  for (std::size_t n = 0; n < n3; ++n) {
    wrapped[n] = wrap(s.positions[n], s.state.box);
    velocity[n] = s.velocities[n] + half_step * s.drive[n];
  }
  std::string text(static_cast<std::size_t>(formats::configuration::size_of(s.state.atoms)), ' ');
  formats::configuration_text(static_cast<int>(s.state.atoms), wrapped.data(), velocity.data(), text.data());
  return text;
}

bool write_final_configuration(int folder_fd, const engine::System& s, std::string* message) {
  TextFile out;
  if (!text_open_in(out, folder_fd, formats::final_file, message)) return false;
  text_write(out, final_configuration_text(s));
  return text_close(out, message);
}

}  // namespace pelzak::md

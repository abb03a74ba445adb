#include "final_configuration.hpp"

#include <cmath>

#include "constants.hpp"
#include "layout.hpp"
#include "text_file.hpp"

namespace pelzak::md {

namespace {

// x taken into [0, L). fmod is exact, so no atom moves by more than its whole boxes; the sum
// below can round up to L itself for a remainder just under zero, which is the same point as 0.
double wrap(double x) {
  double w = std::fmod(x, model::box);
  if (w < 0.0) w += model::box;
  if (w >= model::box || w == 0.0) w = 0.0;  // also turns -0 into 0, which prints without a sign
  return w;
}

}  // namespace

std::string final_configuration_text(const double* positions, const double* velocities, const double* drive,
                                     double last_scale) {
  const double half_step = last_scale * (model::dt / 2);
  std::string text;
  char line[initial::kRecordLength + 1];
  text.append(line, initial::title_line(line));
  text.append(line, initial::count_line(line, model::atoms));
  for (int i = 0; i < model::atoms; ++i) {
    double position[3], velocity[3];
    for (int k = 0; k < 3; ++k) {
      const int n = k * model::atoms + i;
      position[k] = wrap(positions[n]);
      velocity[k] = velocities[n] + half_step * drive[n];
    }
    text.append(line, initial::atom_record(line, i + 1, position, velocity));
  }
  return text;
}

bool write_final_configuration(int folder_fd, const double* positions, const double* velocities,
                               const double* drive, double last_scale, std::string* message) {
  TextFile out;
  if (!text_open_in(out, folder_fd, kFinalFile, message)) return false;
  text_write(out, final_configuration_text(positions, velocities, drive, last_scale));
  return text_close(out, message);
}

}  // namespace pelzak::md

#include "final_configuration.hpp"

#include <cmath>
#include <vector>

#include "constants.hpp"
#include "pelzak/formats/configuration_writer.hpp"
#include "pelzak/formats/file_names.hpp"
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
  std::vector<double> wrapped(model::config_size), velocity(model::config_size);
  for (int n = 0; n < model::config_size; ++n) {
    wrapped[n] = wrap(positions[n]);
    velocity[n] = velocities[n] + half_step * drive[n];
  }
  std::string text(formats::configuration::file_size, ' ');
  formats::configuration_text(wrapped.data(), velocity.data(), text.data());
  return text;
}

bool write_final_configuration(int folder_fd, const double* positions, const double* velocities,
                               const double* drive, double last_scale, std::string* message) {
  TextFile out;
  if (!text_open_in(out, folder_fd, formats::final_file, message)) return false;
  text_write(out, final_configuration_text(positions, velocities, drive, last_scale));
  return text_close(out, message);
}

}  // namespace pelzak::md

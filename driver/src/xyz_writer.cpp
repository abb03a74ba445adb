#include "xyz_writer.hpp"

#include "pelzak/formats/trajectory_writer.hpp"
#include "thermo_log.hpp"

namespace pelzak::md {

std::string xyz_frame(const engine::System& s, std::string_view phase, std::int64_t step,
                      std::int64_t elapsed_steps, const Options& o) {
  formats::trajectory::Frame f;
  f.time = time_text(elapsed_steps, o);
  f.step = elapsed_steps;
  f.phase = std::string(phase);
  f.phase_step = step;
  const std::vector<double>& velocities = s.have_half_step ? s.half_step : s.velocities;
  formats::trajectory::fill_frame(f, s.state.atoms, s.state.box, s.positions.data(), velocities.data());
  return formats::trajectory::frame_text(f);
}

}  // namespace pelzak::md

// Velocities: each component is uniform on [-sigma_v, sigma_v), with sigma_v = sqrt(kB T / m) the
// thermal speed of one component at T (m/s), then converted to nm/ps. A uniform component has
// variance sigma_v^2 / 3, so the start is cooler than T; the simulation's rescaling corrects it.
//
// Positions: each coordinate uniform on [0, 1.73893) nm, half the box side, drawn as its record
// is written. The order of draws is fixed: all 3 * 864 velocity components (atoms ascending,
// axes x, y, z), then x, y, z of atom 1, of atom 2, ... so the file of one seed never changes.
#include "pelzak/generator/generate.hpp"

#include <cmath>
#include <string_view>

#include "constants.hpp"
#include "output_file.hpp"
#include "pelzak/formats/configuration_writer.hpp"
#include "pelzak/formats/file_names.hpp"
#include "random_range.hpp"

namespace pelzak::initial {

int generate_configuration(std::uint32_t seed) {
  restart_uniform_stream(seed);
  const double sigma_v = std::sqrt((model::target_temperature * model::boltzmann) / model::mass);
  double velocity[model::atoms][3];
  for (auto& v : velocity) {
    for (double& component : v) component = speed_unit * random_range(-sigma_v, sigma_v);
  }

  OutputFile file;
  if (!open_output(file, formats::start_file)) return 1;
  char line[formats::longest_written_line];
  bool ok = write_record(file, std::string_view(line, formats::title_line(line))) &&
            write_record(file, std::string_view(line, formats::count_line(line, model::atoms)));
  for (int i = 0; ok && i < model::atoms; ++i) {
    double position[3];
    for (double& x : position) x = random_range(0.0, position_range);
    ok = write_record(file, std::string_view(line, formats::atom_record(line, i + 1, position, velocity[i])));
  }
  ok = close_output(file) && ok;
  return ok ? 0 : 1;
}

}  // namespace pelzak::initial

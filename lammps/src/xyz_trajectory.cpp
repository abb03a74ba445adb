#include "xyz_trajectory.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "metal_units.hpp"
#include "pelzak/formats/trajectory_reader.hpp"

namespace pelzak::lammps {

namespace {

namespace trajectory = formats::trajectory;

constexpr char production[] = "production";

// The frames read so far, as the dump's frames: positions of frame f, and the velocities of the
// frame after it as frame f's (velocities then hold one frame fewer than positions).
class Frames {
 public:
  explicit Frames(Dump& dump) : dump_(dump) {}

  // Appends a frame; false with the reason if it does not continue the frames before it.
  bool add(const trajectory::Frame& f, std::string* reason) {
    const std::size_t n3 = 3 * static_cast<std::size_t>(f.atoms);
    if (dump_.frames() == 0) {
      if (f.atoms < 2) return *reason = "fewer than 2 atoms: there are no pairs for g(r)", false;
      dump_.atoms = f.atoms;
      dump_.box = f.box / angstrom_per_nm;
      dump_.continuous = true;
      dump_.has_velocities = true;
      first_box_ = f.box;
      dump_.ids.resize(n3 / 3);
      for (std::size_t i = 0; i < n3 / 3; ++i) dump_.ids[i] = static_cast<std::int64_t>(i) + 1;
    } else {
      if (f.box != first_box_)
        return *reason = "the box changes between frames: the analysis needs a fixed box", false;
      if (f.step <= dump_.timesteps.back())
        return *reason = "Step=" + std::to_string(f.step) +
                         " does not follow Step=" + std::to_string(dump_.timesteps.back()) +
                         ": frames must come in time order",
               false;
      for (std::size_t n = 0; n < n3; ++n) dump_.velocities.push_back(f.velocities[n] / angstrom_per_nm);
    }
    for (std::size_t n = 0; n < n3; ++n)
      dump_.positions.push_back(trajectory::unwrapped(f, n) / angstrom_per_nm);
    dump_.timesteps.push_back(f.step);
    dump_.times.push_back(f.time_ps);
    return true;
  }

  // Drops the first `count` frames.
  void drop_first(std::size_t count) {
    const std::size_t n3 = 3 * static_cast<std::size_t>(dump_.atoms);
    dump_.positions.erase(dump_.positions.begin(), dump_.positions.begin() + count * n3);
    dump_.velocities.erase(dump_.velocities.begin(), dump_.velocities.begin() + count * n3);
    dump_.timesteps.erase(dump_.timesteps.begin(), dump_.timesteps.begin() + count);
    dump_.times.erase(dump_.times.begin(), dump_.times.begin() + count);
  }

 private:
  Dump& dump_;
  double first_box_ = 0.0;
};

}  // namespace

bool read_xyz(const std::string& path, const DumpOptions& options, Dump& dump, std::string* message,
              std::string* warning, std::string* note) {
  dump = Dump{};
  dump.program = "pelzak_md";
  warning->clear();
  note->clear();
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    *message = "cannot read the trajectory \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  auto reader = std::make_unique<trajectory::Reader>(file.get(), path);
  trajectory::Frame f;
  Frames frames(dump);
  std::size_t read = 0;
  bool production_seen = false;
  bool lead_in = false;  // the first frame kept is the one before production
  for (;;) {
    const long long line = reader->line() + 1;
    const trajectory::Reader::Result r = reader->next(f, message);
    if (r == trajectory::Reader::Result::end) break;
    if (r == trajectory::Reader::Result::error) return false;
    if (r == trajectory::Reader::Result::truncated) {
      if (!options.allow_truncated || dump.frames() == 0) {
        *message += dump.frames() == 0 ? ": there is no complete frame"
                                       : " (from line " + std::to_string(line) +
                                             "), as a run that was stopped leaves it; --allow-truncated "
                                             "analyses the complete frames before it";
        return false;
      }
      *warning = *message + " (from line " + std::to_string(line) + "); it is dropped";
      break;
    }
    ++read;
    const bool in_production = f.phase == production;
    if (in_production && !production_seen) {
      production_seen = true;
      lead_in = dump.frames() > 0;
      if (dump.frames() > 1) frames.drop_first(dump.frames() - 1);
    } else if (production_seen && !in_production) {
      *message =
          "\"" + path + "\", line " + std::to_string(line) + ": the frame of Step=" + std::to_string(f.step) +
          " is not of production, yet production frames came before it: the file holds more than one run";
      return false;
    }
    std::string reason;
    if (!frames.add(f, &reason)) {
      *message = "\"" + path + "\", line " + std::to_string(line) + ": " + reason;
      return false;
    }
  }
  if (dump.frames() == 0) {
    *message = "\"" + path + "\": the trajectory is empty";
    return false;
  }
  // The frame before production stays if it is one spacing before the first production frame.
  const std::vector<std::int64_t>& step = dump.timesteps;
  if (lead_in && step.size() > 2 && step[1] - step[0] != step[2] - step[1]) frames.drop_first(1);
  if (production_seen)
    *note = "production: " + std::to_string(dump.frames()) + " of the " + std::to_string(read) +
            " frames (steps " + std::to_string(step.front()) + " to " + std::to_string(step.back()) + ")";
  return true;
}

}  // namespace pelzak::lammps

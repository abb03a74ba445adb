// Reads a LAMMPS text dump ("dump custom"), as the exported input writes it or as any other run
// writes it: any number of atoms, any cubic periodic box, positions wrapped with image flags
// (x y z ix iy iz), unwrapped (xu yu zu), or wrapped alone; velocities (vx vy vz) if present. Other
// columns are ignored. Metal units (Å, ps, Å/ps) are assumed; a dump that says otherwise is refused.
//
// A frame:
//   ITEM: TIMESTEP / n          ITEM: TIME / t (optional, ps)     ITEM: UNITS / metal (optional)
//   ITEM: NUMBER OF ATOMS / N   ITEM: BOX BOUNDS pp pp pp / three lines "lo hi"
//   ITEM: ATOMS id ... / N lines of values
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pelzak_model.h"

namespace pelzak::lammps {

struct Dump {
  std::string program = "LAMMPS";  // what made the frames, for the plots' subtitles
  std::int64_t atoms = 0;
  double box = 0.0;                     // side of the cubic box, nm
  bool continuous = false;              // positions unwrapped (xu, or x with image flags): MSD possible
  bool has_velocities = false;          // vx vy vz
  std::vector<std::int64_t> ids;        // atom ids in ascending order; every frame is stored in it
  std::vector<std::int64_t> timesteps;  // per frame, strictly increasing
  std::vector<double> times;            // per frame, ps (ITEM: TIME, else timestep * dt)
  // Per frame 3 * atoms values, axis by axis (all x, then all y, then all z), in nm and nm/ps;
  // velocities is empty without velocities.
  std::vector<double> positions;
  std::vector<double> velocities;

  std::size_t frames() const { return timesteps.size(); }
  const double* frame_positions(std::size_t f) const { return positions.data() + f * 3 * atoms; }
  const double* frame_velocities(std::size_t f) const { return velocities.data() + f * 3 * atoms; }
  // Frames with velocities, from the first: all of them in a dump, all but the last in a pelzak_md
  // trajectory (xyz_trajectory.hpp), none without velocities.
  std::size_t velocity_frames() const { return atoms > 0 ? velocities.size() / (3 * atoms) : 0; }
};

struct DumpOptions {
  // A dump that ends inside a frame is what a LAMMPS run that was killed leaves. Normally that is an
  // error; with this set the frames before it are used and *warning says what was dropped.
  bool allow_truncated = false;
  // The time step, ps, for dumps without ITEM: TIME.
  double dt = model::dt;
};

// The sides of a box count as equal when they differ by at most this fraction.
inline constexpr double cubic_tolerance = 1e-10;

// Reads the whole dump. On failure returns false with a one-line message naming the file, the line
// and the reason; on success *warning is empty unless a truncated last frame was dropped.
bool read_dump(const std::string& path, const DumpOptions& options, Dump& dump, std::string* message,
               std::string* warning);

}  // namespace pelzak::lammps

// The trajectory "traj_argon.xyz": extended XYZ, which OVITO and ASE read whole and plain XYZ
// readers (VMD, Jmol) read as positions, ignoring the columns after them. Stated once for the writer
// (trajectory_writer.hpp) and the reader (trajectory_reader.hpp). A frame is
//
//   the atom count
//   Lattice="L 0 0 0 L 0 0 0 L" Properties=species:S:1:pos:R:3:vel:R:3:image:I:3 pbc="T T T"
//       Time=T Step=S time_ps=T phase=P step=K                              (one line)
//   Ar x y z vx vy vz ix iy iz                                              (one line per atom)
//
// L the side of the cubic box in Angstrom, the shortest text that reads back as the run's double, so
// that x + ix L gives the path back without a systematic error; T the time in ps (time_ps repeats it
// for readers of the earlier position-only trajectory); S the steps since the run began; P the phase
// (start, push-off, equilibration, production) and K the step within it. x y z are wrapped into
// [0, L) in Angstrom with position_decimals decimals and ix = floor(x_unwrapped / L), so that
// x + ix L is the unwrapped position: the atoms' whole paths, from which the mean-square displacement
// can be recomputed. vx vy vz are in Angstrom/ps with velocity_decimals decimals.
//
// Size: an atom line holds about 61 characters (up to 8 a coordinate, 7 or 8 a velocity component,
// 1 or 2 an image, and the blanks), so 864 atoms make about 53 kB a frame, twice the positions alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelzak::formats::trajectory {

inline constexpr char species[] = "Ar";
inline constexpr char properties[] = "species:S:1:pos:R:3:vel:R:3:image:I:3";
inline constexpr char periodic[] = "T T T";
// Per atom line: the species, three positions, three velocities, three images.
inline constexpr int words_per_atom = 10;

// 1e-5 Angstrom, far below what any analysis resolves (an MSD changes by 1e-4 Angstrom^2 in a step).
inline constexpr int position_decimals = 5;
// 1e-5 Angstrom/ps, about 1e-5 of a thermal speed at 94.4 K (1.4 Angstrom/ps).
inline constexpr int velocity_decimals = 5;

// One frame as the file holds it. Arrays are axis by axis: all x, then all y, then all z.
struct Frame {
  long atoms = 0;
  double box = 0.0;                // Angstrom, the side of the cubic box
  std::string time;                // Time=, ps, as written (the writer's exact decimal text)
  double time_ps = 0.0;            // its value
  std::int64_t step = 0;           // Step=: steps since the run began
  std::string phase;               // phase=, empty when absent
  std::int64_t phase_step = 0;     // step=: the step within the phase, 0 when absent
  std::vector<double> positions;   // Angstrom, wrapped into [0, box)
  std::vector<double> velocities;  // Angstrom/ps
  std::vector<double> images;      // whole numbers: x + image * box is the unwrapped position
};

// The unwrapped position of element n of the frame's arrays, Angstrom.
inline double unwrapped(const Frame& f, std::size_t n) { return f.positions[n] + f.images[n] * f.box; }

}  // namespace pelzak::formats::trajectory

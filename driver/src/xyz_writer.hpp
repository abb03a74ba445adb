// Trajectory frames in the XYZ format that molecular viewers (VMD, OVITO, Jmol, ASE, ...) open:
// the atom count, a comment line, then one "Ar x y z" line per atom in Angstrom. The comment line
// follows the extended-XYZ convention (box, periodicity, time), which plain XYZ readers ignore.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelzak/driver/job.hpp"
#include "pelzak/engine/system.hpp"

namespace pelzak::md {

// One frame of the configuration array (nm). The run never wraps positions back into the box;
// the frame does, so that a viewer shows the box filled: each coordinate x becomes x - L floor(x/L),
// then Angstrom with 5 decimals.
std::string xyz_frame(const engine::System& s, std::string_view phase, std::int64_t step,
                      std::int64_t elapsed_steps, const Options& o);

}  // namespace pelzak::md

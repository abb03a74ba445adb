// The generator's whole job: draw the starting velocities and positions of the argon atoms and
// write them to "ar_simulation.dat" in the working directory.
#pragma once

namespace pelzak::initial {

// Returns the process exit status: 0 after a complete file, 1 after a reported failure.
int generate_configuration();

}  // namespace pelzak::initial

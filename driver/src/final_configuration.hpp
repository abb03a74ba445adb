// "final_argon.dat": where a run ended, in the layout of the start file "ar_simulation.dat", so that
// other programs can take the liquid over (pelzak_lammps export reads it by default).
#pragma once

#include <string>

#include "pelzak/engine/system.hpp"

namespace pelzak::md {

// The file's text. Positions are wrapped into [0, L) (the run never wraps them, and the 8-column
// fields must hold them however far an atom has drifted). The velocity written is the leapfrog
// velocity half a step before those positions, rescaled as the run would have continued with it:
// s*u with u = (x(n+1) - x(n))/dt = w + dt*d, that is w + (s*dt/2)*d, where w are the velocities
// after the last step, d its driving term and s the factor it rescaled by (scheme.hpp). The bare w
// trails a proper velocity by about 1.5 dt*a; s*u is within (dt/2)*a of the velocity at the
// positions themselves.
std::string final_configuration_text(const engine::System& s);

// Writes the file into the folder (the run's staging folder, whose set is moved into place whole); on
// failure returns false with a message naming the file and the reason.
bool write_final_configuration(int folder_fd, const engine::System& s, std::string* message);

}  // namespace pelzak::md

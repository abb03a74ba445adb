// Where the tests find the toolkit's programs: the build passes their paths in.
#pragma once

#include <string>

namespace pelzak::test {

inline const std::string driver_program = PELZAK_MD_PATH;
inline const std::string generator_program = PELZAK_INITIAL_PATH;
inline const std::string lammps_program = PELZAK_LAMMPS_PATH;

}  // namespace pelzak::test

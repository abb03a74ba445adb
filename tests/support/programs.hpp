// Where the tests find the toolkit's programs: the build passes their paths in.
#pragma once

#include <string>

namespace pelzak::test {

inline const std::string kDriver = PELZAK_MD_PATH;
inline const std::string kGenerator = PELZAK_INITIAL_PATH;
inline const std::string kLammps = PELZAK_LAMMPS_PATH;

}  // namespace pelzak::test

// Where the tests find the two programs of the main job.
#pragma once

#include <string>

namespace pelzak::test {

inline const std::string kDriver = std::string(PELZAK_BINARY_DIR) + "/driver/pelzak_md";
inline const std::string kGenerator = std::string(PELZAK_BINARY_DIR) + "/generator/pelzak_initial";

}  // namespace pelzak::test

// Writing a whole buffer to a file descriptor.
#pragma once

#include <cstddef>

namespace pelzak::formats {

// Writes all length bytes, resuming after partial writes and EINTR. Returns false on failure
// with errno telling why (0 if write(2) made no progress without an error).
bool write_all(int fd, const char* bytes, std::size_t length);

}  // namespace pelzak::formats

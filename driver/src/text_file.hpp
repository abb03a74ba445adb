// An output text file that remembers its first write error, so that a full disk or a lost
// permission is reported by name and reason when the file is closed instead of going unnoticed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pelzak::md {

struct TextFile {
  std::FILE* file = nullptr;
  std::string name;
  int error = 0;  // errno of the first failed write, 0 if none
};

// Creates or empties the file `name` in the folder open as folder_fd (the staging folder of a run;
// AT_FDCWD for the working directory); on failure returns false with a message naming file and reason.
bool text_open_in(TextFile& out, int folder_fd, const std::string& name, std::string* message);
void text_write(TextFile& out, std::string_view text);
// Flushes and closes; returns false with a message if any write, the flush or the close failed.
bool text_close(TextFile& out, std::string* message);

}  // namespace pelzak::md

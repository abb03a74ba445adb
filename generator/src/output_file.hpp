// The configuration file, rewritten in place: the same file (same inode, same hard links), never
// a new one renamed over it, and its old content cut off behind each record as it is written.
//
// Every failure prints one line on stderr naming the program, the action, the file and the
// system's reason, e.g.
//   pelzak_initial: cannot write "ar_simulation.dat": No space left on device
#pragma once

#include <string_view>

namespace pelzak::initial {

struct OutputFile {
  const char* name = nullptr;
  int fd = -1;
  bool regular = false;  // only a regular file can be cut to length (not /dev/full, a pipe...)
  long long offset = 0;  // bytes written so far: where the file now ends
  int refused = 0;       // errno of a refused read-write open: the file is open read-only
  bool failed = false;   // a failure has been reported; nothing more is written
};

// Opens `name` for reading and writing at its start, creating it (mode 0666 less the umask) if
// missing, never truncating it. A file whose write access is refused is opened read-only, so
// that the first write fails and leaves it as it was.
bool open_output(OutputFile& file, const char* name);

// Writes one record (a whole line, with its line feed), then cuts off what followed it.
bool write_record(OutputFile& file, std::string_view record);

// Closes the file; reports a failed close unless a failure was reported already.
bool close_output(OutputFile& file);

}  // namespace pelzak::initial

// Reading a text file the programs exchange, and showing a piece of it in a message: one way for
// every reader with the C++ runtime (the start file of any size, the trajectory, a LAMMPS dump).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace pelzak::formats {

// The whole file at path into *bytes; 0, or the errno of the open or read that failed.
int read_whole_file(const std::string& path, std::string* bytes);

// Longest line a LineReader takes, bytes: the bound keeps a file without line feeds from being
// read into memory whole.
inline constexpr std::size_t longest_line = 65536;

// A file line by line through one buffer of 64 kB, for the readers of files too large to hold
// whole, record by record (a trajectory's frames, a dump's). A line feed may follow a carriage return.
class LineReader {
 public:
  enum class Line {
    ok,        // *line holds the next line
    end,       // the file ended where it may
    cut_off,   // the file ended inside a record: where it may not, or in a line without its line feed
    too_long,  // the line runs past longest_line bytes (and is not counted)
    failed,    // the read failed; errno says why
  };

  explicit LineReader(std::FILE* file) : file_(file) {}  // not closed here
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line into *line, without its line feed and a carriage return before it; may_end says
  // whether the file may end here, between records.
  Line next(std::string* line, bool may_end);

  long long number() const { return number_; }  // lines read so far

 private:
  std::FILE* file_;
  char buffer_[1 << 16];
  std::size_t used_ = 0;
  std::size_t length_ = 0;
  long long number_ = 0;
};

// The words of a line, split at blanks and tabs.
std::vector<std::string_view> words(std::string_view line);

// The whole word as a finite double, or as a whole number (std::from_chars: no locale, no leading
// '+', no hexadecimal).
bool finite_real(std::string_view word, double* value);
bool whole_number(std::string_view word, std::int64_t* value);

// A piece of input as a message shows it: at most 60 characters ("..." after a longer one), control
// bytes as '?', so that a binary or hostile file cannot garble the terminal.
std::string shown(std::string_view text);

}  // namespace pelzak::formats

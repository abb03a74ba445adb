// Reads a trajectory (trajectory.hpp) frame by frame, strictly: the layout the writer makes, and
// nothing it cannot account for. Every failure is a one-line message naming the file, the line and
// the reason; no input, however broken, reads outside its buffers or overflows. Memory grows with
// the lines actually read, never with a count the file claims.
//
// What is checked: the count line is a whole number from 1 to max_atoms, the same in every frame;
// the comment line is key=value pairs (a value in double quotes may hold blanks), each key once,
// with a cubic Lattice (off-diagonal zeros, three equal finite positive sides), the writer's
// Properties and pbc, a finite Time and a whole Step of 0 or more (phase and step are read when present,
// other keys ignored; phase one word); each atom line is the species and nine numbers, six finite
// reals and three integers of at most max_image. A line feed may be preceded by a carriage return.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pelzak/formats/text_input.hpp"
#include "pelzak/formats/trajectory.hpp"

namespace pelzak::formats::trajectory {

// Largest atom count accepted: far beyond any run here, and a count every consumer takes as an int.
inline constexpr long max_atoms = 100000000;
// Largest image count accepted, either way: every whole number up to it is a double, so an image
// count reads, computes and writes back exactly.
inline constexpr std::int64_t max_image = std::int64_t{1} << 53;

class Reader {
 public:
  enum class Result {
    frame,      // *frame holds the next frame
    end,        // the file ended after a whole frame (or was empty)
    truncated,  // the file ended inside a frame (a run that was killed); the message says where
    error,      // the message says what is wrong
  };

  // Reads from file (not closed here); `name` is the file's name in messages.
  Reader(std::FILE* file, std::string name);

  // The next frame into *frame (its arrays reused); on truncated or error, *message says where and
  // why, and the frame is left partly filled.
  Result next(Frame& frame, std::string* message);

  long long line() const { return lines_.number(); }  // lines read so far

 private:
  Result fail(const std::string& reason, std::string* message) const;
  Result line_or_end(bool frame_start, std::string* message);
  bool comment(Frame& f, std::string* reason) const;
  bool atom_line(std::string* reason);

  LineReader lines_;
  std::string name_;
  std::string line_;
  long atoms_ = 0;                  // of the first frame
  std::vector<double> row_values_;  // atom by atom: 3 positions, 3 velocities, 3 images
};

}  // namespace pelzak::formats::trajectory

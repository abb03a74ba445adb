// Unwrapping positions that were folded back into a periodic cubic box. Displacements need the
// path each atom really took; a folded coordinate jumps by a box side whenever the atom crosses a
// face. Between two frames every atom moves by less than half a box side, so the true step of each
// coordinate is the minimum image of the folded step, and adding those steps rebuilds the path.
// (The toolkit's own runs never fold positions and need none of this.)
#pragma once

#include <vector>

namespace pelzak::test {

struct Unwrapper {
  int atoms = 0;
  double box = 0.0;               // box side, same length unit as the positions
  std::vector<double> folded;     // the previous frame as given
  std::vector<double> unwrapped;  // the path so far
  bool started = false;
};

void unwrap_start(Unwrapper& u, int atoms, double box);

// Takes the next folded frame (3 * atoms values, all x, then all y, then all z) and returns the
// unwrapped one, which stays valid until the next call. The first frame is taken as it is. Per
// coordinate: d = x - x_prev, d <- d - L * round(d / L) (halves away from zero), x_unwrapped += d.
const double* unwrap_frame(Unwrapper& u, const double* folded);

}  // namespace pelzak::test

#include "unwrap.hpp"

#include <cmath>

namespace pelzak::test {

void unwrap_start(Unwrapper& u, int atoms, double box) {
  u.atoms = atoms;
  u.box = box;
  u.folded.assign(3 * static_cast<size_t>(atoms), 0.0);
  u.unwrapped.assign(3 * static_cast<size_t>(atoms), 0.0);
  u.started = false;
}

const double* unwrap_frame(Unwrapper& u, const double* folded) {
  const size_t n = u.folded.size();
  if (!u.started) {
    for (size_t c = 0; c < n; ++c) u.unwrapped[c] = u.folded[c] = folded[c];
    u.started = true;
    return u.unwrapped.data();
  }
  for (size_t c = 0; c < n; ++c) {
    double d = folded[c] - u.folded[c];
    d -= u.box * std::round(d / u.box);
    u.unwrapped[c] += d;
    u.folded[c] = folded[c];
  }
  return u.unwrapped.data();
}

}  // namespace pelzak::test

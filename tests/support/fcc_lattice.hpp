// The face-centred cubic lattice that fills a cubic box: for tests that need ordered or nearly
// ordered atoms of any count (Bragg peaks, a crystal's forces, a liquid-like start to shake).
#pragma once

#include <vector>

namespace pelzak::test {

// `atoms` sites of the fcc lattice of c x c x c unit cells that fills a box of side `box` nm (the
// smallest c with 4 c^3 >= atoms; the first sites when there are more), axis by axis (all x, then
// all y, then all z): cells in x, y, z order (z fastest), the four basis sites in each, shifted by
// `offset` cells along every axis.
inline std::vector<double> fcc_sites(long atoms, double box, double offset = 0.0) {
  long cells = 1;
  while (4 * cells * cells * cells < atoms) ++cells;
  const double cell = box / static_cast<double>(cells);
  const double basis[4][3] = {{0, 0, 0}, {0.5, 0.5, 0}, {0.5, 0, 0.5}, {0, 0.5, 0.5}};
  std::vector<double> r(3 * atoms);
  for (long i = 0; i < atoms; ++i) {
    const long c = i / 4;
    const long site[3] = {c / (cells * cells), c / cells % cells, c % cells};
    for (int k = 0; k < 3; ++k)
      r[k * atoms + i] = (static_cast<double>(site[k]) + basis[i % 4][k] + offset) * cell;
  }
  return r;
}

}  // namespace pelzak::test

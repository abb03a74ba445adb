/* Writes a valid "ar_simulation.dat" for the driver tests: 864 argon atoms on a 6 x 6 x 6 fcc
 * lattice filling the periodic box, with small deterministic velocities, in the fixed-column
 * record layout (i5, 2a5, i5, 3f8.3, 3f8.4). Usage: write_lattice [file] */
#include <stdio.h>

#include "pelzak_model.h"

int main(int argc, char **argv) {
  const char *name = argc > 1 ? argv[1] : "ar_simulation.dat";
  const double cell = PELZAK_BOX / 6.0;
  static const double basis[4][3] = {{0, 0, 0}, {0.5, 0.5, 0}, {0.5, 0, 0.5}, {0, 0.5, 0.5}};
  unsigned state = 12345u;
  FILE *out = fopen(name, "w");
  if (!out) return 1;
  fprintf(out, " Test\n%20d Argon\n", PELZAK_ATOMS);
  int atom = 0;
  for (int cx = 0; cx < 6; ++cx)
    for (int cy = 0; cy < 6; ++cy)
      for (int cz = 0; cz < 6; ++cz)
        for (int b = 0; b < 4; ++b) {
          double v[3];
          for (int k = 0; k < 3; ++k) {
            state = state * 1103515245u + 12345u; /* small LCG: speeds up to ~0.2 nm/ps */
            v[k] = ((double)((state >> 8) & 0xffff) / 65536.0 - 0.5) * 0.4;
          }
          ++atom;
          fprintf(out, "%5d%5s%5s%5d%8.3f%8.3f%8.3f%8.4f%8.4f%8.4f\n", atom, "Ar", "Ar", atom,
                  (cx + basis[b][0]) * cell, (cy + basis[b][1]) * cell, (cz + basis[b][2]) * cell, v[0], v[1],
                  v[2]);
        }
  return fclose(out) == 0 ? 0 : 1;
}

// Writes a valid "ar_simulation.dat" for the C and Fortran driver tests: 864 argon atoms on the fcc
// lattice filling the periodic box, with small deterministic velocities, written by the formats
// module's writer. Usage: write_lattice [file]
#include <cstdio>
#include <string>

#include "configs.hpp"

int main(int argc, char** argv) {
  using namespace pelzak::test;
  namespace model = pelzak::model;
  const char* name = argc > 1 ? argv[1] : "ar_simulation.dat";
  const Config positions = fcc_lattice();
  Config velocities{};
  unsigned state = 12345u;
  for (int i = 1; i <= model::atoms; ++i) {
    for (int k = 1; k <= 3; ++k) {
      state = state * 1103515245u + 12345u;  // small LCG: speeds up to ~0.2 nm/ps
      at(velocities, i, k) = (static_cast<double>((state >> 8) & 0xffff) / 65536.0 - 0.5) * 0.4;
    }
  }
  const std::string text = configuration_file(positions, velocities);
  std::FILE* out = std::fopen(name, "w");
  if (!out) return 1;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}

// Writes the benchmarks' liquid (bench/liquid.hpp) as a LAMMPS data file in metal units
// (positions in A wrapped into the box, velocities in A/ps), so that LAMMPS times the same
// atoms from the same state: pelzak_bench_liquid FILE
#include <cmath>
#include <cstdio>

#include "liquid.hpp"
#include "pelzak_model.h"

namespace model = pelzak::model;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pelzak_bench_liquid FILE\n");
    return 2;
  }
  using namespace pelzak::bench;
  const Liquid liquid = make_liquid(2000);
  constexpr double box_a = 34.7786;  // A
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "pelzak benchmark liquid: 864 argon atoms, 2000 steps from a jittered fcc lattice\n\n");
  std::fprintf(out, "%d atoms\n1 atom types\n\n", model::atoms);
  for (const char* axis : {"x", "y", "z"}) std::fprintf(out, "0.0 %.10f %slo %shi\n", box_a, axis, axis);
  std::fprintf(out, "\nAtoms # atomic\n\n");
  for (int i = 0; i < model::atoms; ++i) {
    double r[3];
    for (int k = 0; k < 3; ++k) {
      r[k] = std::fmod(liquid.positions[k * model::atoms + i] * 10.0, box_a);
      if (r[k] < 0.0) r[k] += box_a;
      if (r[k] >= box_a) r[k] = 0.0;
    }
    std::fprintf(out, "%d 1 %.12f %.12f %.12f\n", i + 1, r[0], r[1], r[2]);
  }
  std::fprintf(out, "\nVelocities\n\n");
  for (int i = 0; i < model::atoms; ++i)
    std::fprintf(out, "%d %.12f %.12f %.12f\n", i + 1, liquid.velocities[i] * 10.0,
                 liquid.velocities[model::atoms + i] * 10.0, liquid.velocities[2 * model::atoms + i] * 10.0);
  return std::fclose(out) == 0 ? 0 : 1;
}

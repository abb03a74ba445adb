// pelzak_bench_calls CALLS KIND: the benchmarks' liquid, then CALLS calls of one routine, for
// counting instructions with valgrind (bench/icount.sh), which, unlike a timer, gives the same
// figure on every run. KIND: "force" (force_atoms on the same positions: the kept Verlet list),
// "rdf" (a radial_dist sampling step), "new-list" (force_atoms on two liquids in turn: a new
// list on every call).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "liquid.hpp"
#include "pelzak_aux.h"

int main(int argc, char** argv) {
  using namespace pelzak::bench;
  const int calls = argc == 3 ? std::atoi(argv[1]) : -1;
  const char* kind = argc == 3 ? argv[2] : "";
  if (calls < 0 || (std::strcmp(kind, "force") != 0 && std::strcmp(kind, "rdf") != 0 &&
                    std::strcmp(kind, "new-list") != 0)) {
    std::fprintf(stderr, "usage: pelzak_bench_calls CALLS force|rdf|new-list\n");
    return 64;
  }
  // A short melt: valgrind runs it at a fiftieth of the speed.
  const Liquid liquid = make_liquid(300);
  Config shifted = liquid.positions;
  for (double& x : shifted) x += 0.3;
  Config forces;
  double histogram[PELZAK_BINS] = {};
  double energy = 0.0;
  const std::int64_t sampling_step = 21;  // samples, touches no file
  for (int c = 0; c < calls; ++c) {
    energy = 0.0;
    if (kind[0] == 'f') {
      auxiliary_force_atoms(liquid.positions.data(), forces.data(), &energy);
    } else if (kind[0] == 'r') {
      auxiliary_radial_dist(&sampling_step, liquid.positions.data(), histogram);
    } else {
      auxiliary_force_atoms((c % 2 ? shifted : liquid.positions).data(), forces.data(), &energy);
    }
  }
  return energy != energy ? 1 : 0;  // keeps the calls
}

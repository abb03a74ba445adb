// pelzak_bench_steps ATOMS THREADS WARMUP STEPS: the step pelzak_md runs, timed on its own.
//
// The system is the one `pelzak_md --atoms ATOMS --density 1.36245 --threads THREADS` builds: the
// library's liquid's state point (94.4 K, cut-off 2.25 sigma, 0.01 ps, velocities rescaled every
// step) at any atom count, started from the engine's fcc lattice with seed 1. WARMUP steps run
// untimed, then STEPS steps are timed by the wall clock. Each step is an equilibration step
// (forces, driving term, leapfrog, thermostat), with the pressure formed on every tenth as the
// default log does; production adds a g(r) sample every 20 steps and the dynamics' bookkeeping,
// which no peer does, and needs at least 1000 steps, too many at 442,368 atoms for a quick table.
//
// Prints one line: atoms, threads, steps, ms per step, µs per atom-step, the lists built in the
// timed steps, the last potential energy, the pairs of clusters and the clusters of the list and
// the bytes the forces hold, as key=value pairs for bench/sizes.sh.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pelzak/engine/lattice_start.hpp"
#include "pelzak/engine/pair_forces.hpp"
#include "pelzak/engine/state_options.hpp"
#include "pelzak/engine/system.hpp"

namespace {

// g/cm^3: the library's liquid's density, which pelzak_md's --density defaults to.
constexpr double density_g_per_cm3 = 1.36245;
// Steps between pressure measurements: the default log's interval.
constexpr long measure_every = 10;

// A whole number in [low, high], or -1.
long count(const char* text, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && value >= low && value <= high ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pelzak;
  const long atoms = argc == 5 ? count(argv[1], 2, engine::max_atoms) : -1;
  const long threads = argc == 5 ? count(argv[2], 1, 64) : -1;
  const long warmup = argc == 5 ? count(argv[3], 0, 1000000000) : -1;
  const long steps = argc == 5 ? count(argv[4], 1, 1000000000) : -1;
  if (atoms < 0 || threads < 0 || warmup < 0 || steps < 0) {
    std::fprintf(stderr, "usage: pelzak_bench_steps ATOMS THREADS WARMUP STEPS\n");
    return 64;
  }
  engine::StatePoint state;
  state.atoms = atoms;
  state.box = engine::state_box(atoms, density_g_per_cm3);
  if (state.cutoff_sigma > engine::largest_cutoff_sigma(state.box)) {
    std::fprintf(stderr, "pelzak_bench_steps: %ld atoms make a box too small for the cut-off\n", atoms);
    return 64;
  }
  engine::System system(state);
  engine::lattice_start(system, state.seed);
  engine::PairForces forces(state, static_cast<int>(threads));
  for (long n = 1; n <= warmup; ++n)
    engine::step(system, forces, engine::Phase::equilibration, n % measure_every == 0);
  const long builds_before = forces.list_builds();
  const long prunes_before = forces.list_prunes();
  const auto start = std::chrono::steady_clock::now();
  double potential = 0.0;
  for (long n = warmup + 1; n <= warmup + steps; ++n)
    potential = engine::step(system, forces, engine::Phase::equilibration, n % measure_every == 0).potential;
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  const double ms_per_step = seconds.count() * 1e3 / static_cast<double>(steps);
  std::printf(
      "atoms=%ld threads=%ld steps=%ld ms_per_step=%.6f us_per_atom_step=%.6f list_builds=%ld "
      "list_prunes=%ld potential_J=%.17g cluster_pairs=%ld clusters=%ld pair_bytes=%zu\n",
      atoms, threads, steps, ms_per_step, ms_per_step * 1e3 / static_cast<double>(atoms),
      forces.list_builds() - builds_before, forces.list_prunes() - prunes_before, potential,
      forces.cluster_pairs(), forces.clusters(), forces.bytes());
  return 0;
}

// Benchmarks of the library on a liquid: force_atoms and a g(r) sampling call on each kernel
// set (the scalar reference loops, the portable kernels, AVX2, AVX-512), force_atoms with a new
// Verlet list on every call, leapfrog, a full 1000-step run in a driver's call pattern on the
// reference and on the fastest kernels, and the routines' literal call pattern from the
// generator's start.
//
// Kernels are picked the way a user picks them, through PELZAK_ISA. The benchmarks carry no
// user counters (a figure such as the number of pairs goes into the label): Google Benchmark's
// CSV output stops at the first benchmark with a counter the first one run did not have.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#if defined(__x86_64__)
// GCC 12 warns inside its own intrinsic headers about their deliberately undefined source
// registers (GCC bug 105593); silenced for them alone.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

#include "liquid.hpp"
#include "pelzak/engine/pair_forces.hpp"
#include "pelzak/engine/rdf_sampler.hpp"
#include "pelzak/engine/system.hpp"
#include "pelzak/generator/generate.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak_aux.h"
#include "pelzak_model.h"

namespace model = pelzak::model;

namespace {

using pelzak::kernels::Isa;
using namespace pelzak::bench;

// The liquid every benchmark starts from: 2000 steps (20 ps) melted from the jittered lattice.
const Liquid& liquid() {
  static const Liquid melted = make_liquid(2000);
  return melted;
}

// Selects the kernels for one benchmark, restoring the environment afterwards.
class KernelChoice {
 public:
  KernelChoice(benchmark::State& state, Isa isa) : ok_(pelzak::kernels::isa_available(isa)) {
    if (!ok_) state.SkipWithError("this processor does not run these kernels");
    setenv("PELZAK_ISA", pelzak::kernels::isa_name(isa), 1);
  }
  ~KernelChoice() { unsetenv("PELZAK_ISA"); }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

void BM_ForceAtoms(benchmark::State& state, Isa isa) {
  KernelChoice choice(state, isa);
  if (!choice.ok()) return;
  const Config positions = liquid().positions;
  Config forces;
  for (auto _ : state) {
    double energy = 0.0;
    auxiliary_force_atoms(positions.data(), forces.data(), &energy);
    benchmark::DoNotOptimize(energy);
    benchmark::ClobberMemory();
  }
}

void BM_RdfSample(benchmark::State& state, Isa isa) {
  KernelChoice choice(state, isa);
  if (!choice.ok()) return;
  const Config positions = liquid().positions;
  double histogram[PELZAK_BINS] = {};
  const std::int64_t step = 21;  // a sampling step: no file is touched
  for (auto _ : state) {
    auxiliary_radial_dist(&step, positions.data(), histogram);
    benchmark::ClobberMemory();
  }
}

void BM_Leapfrog(benchmark::State& state) {
  Config positions = liquid().positions, velocities = liquid().velocities, forces, accel;
  double energy = 0.0, kinetic, temperature;
  auxiliary_force_atoms(positions.data(), forces.data(), &energy);
  for (int n = 0; n < model::config_size; ++n) accel[n] = forces[n] * model::accel_per_newton;
  for (auto _ : state) {
    auxiliary_leapfrog(positions.data(), velocities.data(), accel.data(), &kinetic, &temperature);
    benchmark::ClobberMemory();
  }
}

// Steps 1 to 1000 as a driver makes them: force_atoms, a = F/m, leapfrog, radial_dist (which
// opens "rdf_argon.dat" at step 1, samples every 20 steps and writes g(r) at step 1000; the
// benchmark runs in a scratch directory).
void BM_Run1000Steps(benchmark::State& state, Isa isa) {
  KernelChoice choice(state, isa);
  if (!choice.ok()) return;
  Config forces, accel;
  double histogram[PELZAK_BINS];
  for (auto _ : state) {
    Config positions = liquid().positions, velocities = liquid().velocities;
    for (std::int64_t step = 1; step <= 1000; ++step) {
      driver_step(positions, velocities, forces, accel);
      auxiliary_radial_dist(&step, positions.data(), histogram);
    }
    benchmark::DoNotOptimize(histogram);
  }
}

// The same 1000 steps on the engine's general path, the one pelzak_md takes at any state point: the
// state point as data, the kernels' run-time model, the engine's own Verlet list, the pressure
// formed on every tenth step as the default log does, g(r) sampled every 20 steps. Set beside
// BM_Run1000Steps in one process, it is the cost of the general path at the library's liquid.
void BM_EngineRun1000Steps(benchmark::State& state, Isa isa) {
  KernelChoice choice(state, isa);
  if (!choice.ok()) return;
  const pelzak::engine::StatePoint point;  // the library's liquid
  pelzak::engine::PairForces pair_forces(point, 1);
  pelzak::engine::RdfSampler rdf(point);
  double histogram[PELZAK_BINS] = {};
  for (auto _ : state) {
    pelzak::engine::System system(point);
    system.positions.assign(liquid().positions.begin(), liquid().positions.end());
    system.velocities.assign(liquid().velocities.begin(), liquid().velocities.end());
    for (std::int64_t step = 1; step <= 1000; ++step) {
      if ((step - 1) % 20 == 0) rdf.sample(system.positions.data(), histogram);
      pelzak::engine::step(system, pair_forces, pelzak::engine::Phase::equilibration, step % 10 == 0);
    }
    benchmark::DoNotOptimize(histogram);
  }
}

// force_atoms when every call needs a new Verlet list: two liquids in turn (the list's build
// is what a run pays about every tenth step).
void BM_ForceAtomsNewList(benchmark::State& state, Isa isa) {
  KernelChoice choice(state, isa);
  if (!choice.ok()) return;
  const Config a = liquid().positions;
  static const Liquid other = make_liquid(1000);
  Config forces;
  bool flip = false;
  for (auto _ : state) {
    double energy = 0.0;
    auxiliary_force_atoms((flip ? a : other.positions).data(), forces.data(), &energy);
    flip = !flip;
    benchmark::DoNotOptimize(energy);
    benchmark::ClobberMemory();
  }
}

// The library's routines exactly as a plain driver calls them, from the generator's start:
// read_file, then for steps 1 to 1000 force_atoms (energy 0), leapfrog with the forces as the
// driving term, radial_dist. The start packs all atoms into one octant of the box, and forces
// in newtons times dt^2 hardly move them, so the atoms stay packed, with about five times the
// liquid's pairs inside the cut-off.
void BM_LiteralCallPattern(benchmark::State& state, Isa isa) {
  KernelChoice choice(state, isa);
  if (!choice.ok()) return;
  if (pelzak::initial::generate_configuration() != 0) {
    state.SkipWithError("cannot write ar_simulation.dat");
    return;
  }
  Config positions, velocities, forces;
  double histogram[PELZAK_BINS];
  for (auto _ : state) {
    auxiliary_read_file(positions.data(), velocities.data());
    double energy = 0.0, kinetic = 0.0, temperature = 0.0;
    for (std::int64_t step = 1; step <= 1000; ++step) {
      energy = 0.0;
      auxiliary_force_atoms(positions.data(), forces.data(), &energy);
      auxiliary_leapfrog(positions.data(), velocities.data(), forces.data(), &kinetic, &temperature);
      auxiliary_radial_dist(&step, positions.data(), histogram);
    }
    benchmark::DoNotOptimize(histogram);
    benchmark::DoNotOptimize(energy);
  }
  unlink("ar_simulation.dat");
}

// The arithmetic no exact kernel can avoid for the pairs inside the cut-off: per pair a square
// root and five correctly rounded divisions (sigma / r, 1 / r, and d * fpair / r for three
// axes), here 8 pairs per AVX-512 instruction on the liquid's own squared distances, nothing
// else but the loads. "pairs" is the number inside the cut-off.
#if defined(__x86_64__)
__attribute__((target("avx512f"))) double divider_work(const std::vector<double>& rsq) {
  __m512d sum = _mm512_setzero_pd();
  for (std::size_t n = 0; n + 8 <= rsq.size(); n += 8) {
    const __m512d r = _mm512_sqrt_pd(_mm512_loadu_pd(rsq.data() + n));
    const __m512d q = _mm512_div_pd(_mm512_set1_pd(0.34), r);
    const __m512d inv = _mm512_div_pd(_mm512_set1_pd(1.0), r);
    const __m512d f1 = _mm512_div_pd(q, r);
    const __m512d f2 = _mm512_div_pd(inv, r);
    const __m512d f3 = _mm512_div_pd(_mm512_set1_pd(2.0), r);
    sum = _mm512_add_pd(sum, _mm512_add_pd(_mm512_add_pd(f1, f2), f3));
  }
  double lanes[8];
  _mm512_storeu_pd(lanes, sum);
  return lanes[0] + lanes[1] + lanes[2] + lanes[3] + lanes[4] + lanes[5] + lanes[6] + lanes[7];
}

void BM_DividerFloor(benchmark::State& state) {
  if (!__builtin_cpu_supports("avx512f")) {
    state.SkipWithError("no AVX-512");
    return;
  }
  const Config& p = liquid().positions;
  std::vector<double> rsq;
  for (int i = 0; i < model::atoms - 1; ++i)
    for (int j = i + 1; j < model::atoms; ++j) {
      double s = 0.0;
      for (int k = 0; k < 3; ++k) {
        double d = p[k * model::atoms + i] - p[k * model::atoms + j];
        d -= model::box * std::round(d / model::box);
        s += d * d;
      }
      if (s < model::cutoff_sq) rsq.push_back(s);
    }
  for (auto _ : state) benchmark::DoNotOptimize(divider_work(rsq));
  state.SetLabel(std::to_string(rsq.size()) + " pairs");
}
BENCHMARK(BM_DividerFloor)->Unit(benchmark::kMicrosecond);
#endif

BENCHMARK_CAPTURE(BM_ForceAtoms, reference, Isa::reference)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ForceAtoms, scalar, Isa::scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ForceAtoms, avx2, Isa::avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ForceAtoms, avx512, Isa::avx512)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ForceAtomsNewList, avx2, Isa::avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ForceAtomsNewList, avx512, Isa::avx512)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RdfSample, reference, Isa::reference)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RdfSample, scalar, Isa::scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RdfSample, avx2, Isa::avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_RdfSample, avx512, Isa::avx512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Leapfrog)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Run1000Steps, reference, Isa::reference)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_Run1000Steps, avx2, Isa::avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Run1000Steps, avx512, Isa::avx512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EngineRun1000Steps, avx512, Isa::avx512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LiteralCallPattern, reference, Isa::reference)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_LiteralCallPattern, avx2, Isa::avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LiteralCallPattern, avx512, Isa::avx512)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // radial_dist writes "rdf_argon.dat" into the working directory: use a scratch one.
  char scratch[] = "/tmp/pelzak_bench_XXXXXX";
  if (mkdtemp(scratch) == nullptr || chdir(scratch) != 0) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink("rdf_argon.dat");
  return rmdir(scratch) == 0 ? 0 : 1;
}

// The engine at any state point: its forces, energy and virial within a part in 10^12 of the plain
// loop's, the same bits on every kernel set and any number of threads, a list that never misses a
// pair, and at the default state point the library's step.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bits.hpp"
#include "fcc_lattice.hpp"
#include "pelzak/engine/pair_forces.hpp"
#include "pelzak/engine/rdf_sampler.hpp"
#include "pelzak/engine/state_options.hpp"
#include "pelzak/engine/system.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "pelzak_aux.h"

namespace {

using pelzak::kernels::Isa;
namespace engine = pelzak::engine;
namespace model = pelzak::model;

using pelzak::test::bits;

std::vector<Isa> every_isa() {
  std::vector<Isa> isas;
  for (Isa isa : {Isa::reference, Isa::scalar, Isa::avx2, Isa::avx512})
    if (pelzak::kernels::isa_available(isa)) isas.push_back(isa);
  return isas;
}

// Sets PELZAK_ISA for one scope.
struct IsaScope {
  explicit IsaScope(Isa isa) { setenv("PELZAK_ISA", pelzak::kernels::isa_name(isa), 1); }
  ~IsaScope() { unsetenv("PELZAK_ISA"); }
};

// A liquid-like configuration of n atoms in a box of side L: an fcc lattice with the atoms shaken
// by up to `shake` nm and some of them moved by whole boxes (positions are never wrapped).
std::vector<double> configuration(long n, double box, double shake, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> r = pelzak::test::fcc_sites(n, box);
  for (long i = 0; i < n; ++i) {
    for (int k = 0; k < 3; ++k) {
      r[k * n + i] += shake * unit(rng);
      if (i % 7 == 3) r[k * n + i] += box * std::round(3.0 * unit(rng));
    }
  }
  return r;
}

struct Sums {
  std::vector<double> forces;
  double energy;
  double virial[6];
};

// The plain loop over all pairs at the same parameters.
Sums reference(const engine::StatePoint& s, const std::vector<double>& positions) {
  const engine::Derived d = engine::derive(s);
  const auto m = pelzak::kernels::pair_model(static_cast<int>(s.atoms), s.box, d.cutoff_sq);
  Sums out{std::vector<double>(3 * s.atoms, 0.0), 0.0, {0, 0, 0, 0, 0, 0}};
  double lj_sum = 0.0;
  pelzak::kernels::lj_pairs_reference(m, positions.data(), out.forces.data(), &lj_sum, out.virial);
  out.energy = model::four_eps * lj_sum;
  for (double& w : out.virial) w = 1e-9 * w;
  return out;
}

// The engine's sums in their own order agree with the plain loop's to within a part in 10^12:
// each force element against the largest force, the energy against itself, each virial element
// against the largest diagonal one.
constexpr double agreement = 1e-12;

void expect_close(const Sums& want, const std::vector<double>& forces, const engine::PairSums& got,
                  const std::string& what) {
  double largest = 0.0;
  for (double f : want.forces) largest = std::max(largest, std::fabs(f));
  for (std::size_t k = 0; k < forces.size(); ++k)
    ASSERT_LE(std::fabs(forces[k] - want.forces[k]), agreement * largest) << what << ": force element " << k;
  EXPECT_LE(std::fabs(got.energy - want.energy), agreement * std::fabs(want.energy)) << what << ": energy";
  const double diagonal =
      std::max({std::fabs(want.virial[0]), std::fabs(want.virial[1]), std::fabs(want.virial[2])});
  for (int k = 0; k < 6; ++k)
    EXPECT_LE(std::fabs(got.virial[k] - want.virial[k]), agreement * diagonal) << what << ": virial " << k;
}

struct Result {
  std::vector<double> forces;
  engine::PairSums sums;
};

void expect_same_bits(const Result& want, const Result& got, const std::string& what) {
  for (std::size_t k = 0; k < want.forces.size(); ++k)
    ASSERT_EQ(bits(got.forces[k]), bits(want.forces[k])) << what << ": force element " << k;
  EXPECT_EQ(bits(got.sums.energy), bits(want.sums.energy)) << what << ": energy";
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(bits(got.sums.virial[k]), bits(want.sums.virial[k])) << what << ": virial " << k;
}

// A start that strains the clusters: the liquid squeezed into the lower 80 % of the box in z (the
// slab above it empty), atoms exactly on the box's faces (0, -0, L and the double below L), and
// columns whose atom counts leave clusters of one, two or three atoms.
std::vector<double> skewed_configuration(long n, double box, std::uint64_t seed) {
  auto r = configuration(n, box, 0.02, seed);
  for (long i = 0; i < n; ++i) {
    double& z = r[2 * n + i];
    const double whole = box * std::floor(z / box);
    z = 0.8 * (z - whole) + whole;
  }
  int cells = 1;
  while (4L * cells * cells * cells < n) ++cells;
  const long next_row = 4L * cells;  // the same site one lattice cell further along y
  r[0] = 0.0;
  r[next_row] = box;
  r[2 * next_row] = std::nextafter(box, 0.0);
  r[3 * next_row] = -0.0;
  r[2 * n + 2 * next_row] = 0.0;
  return r;
}

Result forces_of(const engine::StatePoint& s, const std::vector<double>& positions, int threads,
                 bool virial) {
  engine::PairForces pair_forces(s, threads);
  Result r{std::vector<double>(3 * s.atoms), {}};
  r.sums = pair_forces.compute(positions.data(), r.forces.data(), virial);
  return r;
}

TEST(EngineForces, EveryStatePointAgreesWithThePlainLoopAndEveryKernelSetWithTheReference) {
  struct Case {
    long atoms;
    double density;  // g/cm^3
    double cutoff_sigma;
    bool skewed;
  };
  // Odd counts, counts below a cluster's, boxes too small for a grid, long cut-offs, dilute and
  // dense states, and the skewed start.
  const Case cases[] = {{2, 1.3, 1.0, false},     {5, 1.36, 0.9, false},    {7, 0.5, 1.2, false},
                        {100, 1.36, 2.25, false}, {257, 1.1, 3.0, false},   {864, 1.36245, 2.25, false},
                        {1000, 1.5, 2.5, false},  {2048, 0.8, 2.25, false}, {4001, 1.36, 3.5, false},
                        {300, 1.36, 2.25, true},  {1500, 0.9, 2.5, true}};
  for (const Case& c : cases) {
    engine::StatePoint s;
    s.atoms = c.atoms;
    s.box = engine::state_box(c.atoms, c.density);
    s.cutoff_sigma = std::min(c.cutoff_sigma, engine::largest_cutoff_sigma(s.box));
    // Three calls: a new list, the kept list after a small move, a new list after a large one.
    std::vector<std::vector<double>> calls;
    for (int call = 0; call < 3; ++call)
      calls.push_back(
          c.skewed ? skewed_configuration(c.atoms, s.box, call == 2 ? 9 : 8)
                   : configuration(c.atoms, s.box, call == 2 ? 0.2 : 0.03 + 0.001 * call, 17 + c.atoms));
    if (c.skewed)  // the second call: the first moved a little
      for (double& x : calls[1]) x = calls[0][&x - calls[1].data()] + 1e-3;
    std::vector<Result> reference_kernel;
    for (Isa isa : every_isa()) {
      const IsaScope scope(isa);
      engine::PairForces pair_forces(s);
      for (int call = 0; call < 3; ++call) {
        const std::string what = std::to_string(c.atoms) + " atoms, " + pelzak::kernels::isa_name(isa) +
                                 ", call " + std::to_string(call);
        Result got{std::vector<double>(3 * c.atoms), {}};
        got.sums = pair_forces.compute(calls[call].data(), got.forces.data(), true);
        expect_close(reference(s, calls[call]), got.forces, got.sums, what);
        if (isa == Isa::reference) {
          reference_kernel.push_back(got);
        } else {
          expect_same_bits(reference_kernel[call], got, what + " against the reference kernel");
        }
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

TEST(EngineForces, AnyNumberOfThreadsGivesTheSameBits) {
  for (long atoms : {40L, 300L, 2000L, 6000L}) {
    engine::StatePoint s;
    s.atoms = atoms;
    s.box = engine::state_box(atoms, 1.36);
    s.cutoff_sigma = std::min(2.5, engine::largest_cutoff_sigma(s.box));
    const auto positions = configuration(atoms, s.box, 0.03, atoms);
    for (Isa isa : every_isa()) {
      const IsaScope scope(isa);
      for (bool virial : {true, false}) {
        const Result one = forces_of(s, positions, 1, virial);
        for (int threads : {2, 3, 4}) {
          expect_same_bits(one, forces_of(s, positions, threads, virial),
                           std::to_string(atoms) + " atoms, " + std::to_string(threads) + " threads, " +
                               pelzak::kernels::isa_name(isa));
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

TEST(EngineForces, NonFiniteAndFarAtomsAgreeWithThePlainLoop) {
  engine::StatePoint s;
  s.atoms = 300;
  s.box = engine::state_box(s.atoms, 1.36);
  auto positions = configuration(s.atoms, s.box, 0.02, 5);
  positions[3] = NAN;                  // x of atom 3
  positions[s.atoms + 10] = INFINITY;  // y of atom 10
  positions[2 * s.atoms + 20] = 3e9;   // far beyond the grid
  positions[21] = positions[22];       // atoms 21 and 22 share x, y and z
  positions[s.atoms + 21] = positions[s.atoms + 22];
  positions[2 * s.atoms + 21] = positions[2 * s.atoms + 22];
  positions[30] += 2000.0 * s.box;  // a free atom that still has partners
  const Sums want = reference(s, positions);
  double largest = 0.0;
  for (double f : want.forces)
    if (std::isfinite(f)) largest = std::max(largest, std::fabs(f));
  for (Isa isa : every_isa()) {
    const IsaScope scope(isa);
    engine::PairForces pair_forces(s);
    std::vector<double> forces(3 * s.atoms);
    const engine::PairSums got = pair_forces.compute(positions.data(), forces.data(), true);
    for (std::size_t k = 0; k < forces.size(); ++k) {
      if (std::isnan(want.forces[k])) {
        EXPECT_TRUE(std::isnan(forces[k])) << pelzak::kernels::isa_name(isa) << " element " << k;
      } else {
        EXPECT_LE(std::fabs(forces[k] - want.forces[k]), agreement * largest)
            << pelzak::kernels::isa_name(isa) << " element " << k;
      }
    }
    EXPECT_TRUE(std::isnan(got.energy) && std::isnan(want.energy)) << pelzak::kernels::isa_name(isa);
  }
}

// A hot liquid (300 K, more than three times the boiling point) run for 3000 steps, the forces
// of every third step against the plain loop: a pair the outer list or a prune of it missed would be
// off by a whole pair force.
TEST(EngineList, NeverMissesAPairOverALongHotRun) {
  engine::StatePoint s;
  s.atoms = 400;
  s.box = engine::state_box(s.atoms, 1.2);
  s.temperature = 300.0;
  s.thermostat = engine::Thermostat::none;
  engine::System system(s);
  system.positions = configuration(s.atoms, s.box, 0.02, 12);
  std::mt19937_64 rng(4);
  std::normal_distribution<double> normal(0.0, 0.25);
  for (double& v : system.velocities) v = normal(rng);
  engine::PairForces pair_forces(s, 2);
  for (int n = 0; n < 3000; ++n) {
    engine::step(system, pair_forces, n < 100 ? engine::Phase::push_off : engine::Phase::equilibration,
                 false);
    if (n % 3 != 0) continue;
    std::vector<double> forces(3 * s.atoms);
    const engine::PairSums got = pair_forces.compute(system.positions.data(), forces.data(), true);
    expect_close(reference(s, system.positions), forces, got, "step " + std::to_string(n));
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(pair_forces.list_builds(), 100);
  EXPECT_GT(pair_forces.list_prunes(), 100);
}

// The driver's scheme on the library's routines, as pelzak_md ran it before the engine.
struct LibraryRun {
  std::vector<double> r, v, f, d;
  double last_scale = 1.0;
  bool started = false;
  explicit LibraryRun(const std::vector<double>& positions, const std::vector<double>& velocities)
      : r(positions), v(velocities), f(r.size()), d(r.size()) {}
  void step(engine::Phase phase, double* potential, double* kinetic, double* temperature) {
    constexpr int n = model::atoms;
    for (int k = 0; k < 3; ++k) {
      double sum = 0.0;
      for (int i = 0; i < n; ++i) sum += v[k * n + i];
      const double mean = sum / n;
      for (int i = 0; i < n; ++i) v[k * n + i] -= mean;
    }
    *potential = 0.0;
    auxiliary_force_atoms(r.data(), f.data(), potential);
    if (phase == engine::Phase::push_off || !started) {
      for (int k = 0; k < 3 * n; ++k) d[k] = 2.0 * (f[k] * model::accel_per_newton);
      started = phase != engine::Phase::push_off;
      if (phase == engine::Phase::push_off) {
        const double cap = 0.005 / model::dt_sq;
        for (int i = 0; i < n; ++i) {
          const double dsq = d[i] * d[i] + d[n + i] * d[n + i] + d[2 * n + i] * d[2 * n + i];
          if (dsq > cap * cap) {
            const double shrink = cap / std::sqrt(dsq);
            d[i] *= shrink, d[n + i] *= shrink, d[2 * n + i] *= shrink;
          }
        }
      }
    } else {
      for (int k = 0; k < 3 * n; ++k) d[k] = f[k] * model::accel_per_newton + 0.5 * last_scale * d[k];
    }
    auxiliary_leapfrog(r.data(), v.data(), d.data(), kinetic, temperature);
    last_scale = std::sqrt(model::target_temperature / *temperature);
  }
};

// Step by step from the same state, the engine's step agrees with the library's routines to within
// a part in 10^12 (the forces' sums run in another order).
TEST(EngineSteps, TheDefaultStatePointStepsAsTheLibraryDoes) {
  const engine::StatePoint s;  // the defaults
  engine::System system(s);
  system.positions = configuration(s.atoms, s.box, 0.05, 3);
  std::mt19937_64 rng(8);
  std::normal_distribution<double> normal(0.0, 0.15);
  for (double& v : system.velocities) v = normal(rng);
  LibraryRun library(system.positions, system.velocities);
  engine::PairForces pair_forces(s);
  const auto close = [](double a, double b, double scale) { return std::fabs(a - b) <= agreement * scale; };
  for (int n = 0; n < 300; ++n) {
    const engine::Phase phase = n < 50    ? engine::Phase::push_off
                                : n < 100 ? engine::Phase::equilibration
                                          : engine::Phase::production;
    library.r = system.positions, library.v = system.velocities, library.d = system.drive;
    library.last_scale = system.last_scale, library.started = system.drive_started;
    double potential, kinetic, temperature;
    library.step(phase, &potential, &kinetic, &temperature);
    const engine::StepReport r = engine::step(system, pair_forces, phase, n % 3 == 0);
    ASSERT_TRUE(close(r.potential, potential, std::fabs(potential))) << "step " << n;
    ASSERT_TRUE(close(r.kinetic, kinetic, kinetic)) << "step " << n;
    ASSERT_TRUE(close(r.temperature, temperature, temperature)) << "step " << n;
    for (std::size_t k = 0; k < library.r.size(); ++k) {
      ASSERT_TRUE(close(system.positions[k], library.r[k], s.box)) << "step " << n << " element " << k;
      ASSERT_TRUE(close(system.velocities[k], library.v[k], 1.0)) << "step " << n << " element " << k;
    }
  }
}

}  // namespace

namespace {

TEST(EngineRdf, EveryStatePointGivesThePlainLoopsHistogramBitForBit) {
  for (long atoms : {3L, 9L, 500L, 864L, 1731L}) {
    engine::StatePoint s;
    s.atoms = atoms;
    s.box = engine::state_box(atoms, 1.2);
    const auto positions = configuration(atoms, s.box, 0.04, atoms);
    std::vector<double> want(model::bins, 0.0);
    const auto m = pelzak::kernels::pair_model(static_cast<int>(atoms), s.box, 0.5);
    pelzak::kernels::rdf_sample_reference(m, positions.data(), want.data());
    for (Isa isa : every_isa()) {
      const IsaScope scope(isa);
      engine::RdfSampler sampler(s);
      std::vector<double> got(model::bins, 0.0);
      sampler.sample(positions.data(), got.data());
      for (int b = 0; b < model::bins; ++b)
        ASSERT_EQ(bits(got[b]), bits(want[b]))
            << atoms << " atoms, " << pelzak::kernels::isa_name(isa) << ", bin " << b;
    }
  }
}

}  // namespace

// The engine at any state point gives the plain loop's forces, energy and virial bit for bit on
// every kernel set, and at the default state point the library's run bit for bit.
#include <gtest/gtest.h>

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

void expect_same(const Sums& want, const std::vector<double>& forces, const engine::PairSums& got,
                 const std::string& what) {
  for (std::size_t k = 0; k < forces.size(); ++k) {
    ASSERT_EQ(bits(forces[k]), bits(want.forces[k])) << what << ": force element " << k;
  }
  EXPECT_EQ(bits(got.energy), bits(want.energy)) << what << ": energy";
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(bits(got.virial[k]), bits(want.virial[k])) << what << ": virial " << k;
}

TEST(EngineForces, EveryStatePointGivesThePlainLoopBitForBit) {
  struct Case {
    long atoms;
    double density;  // g/cm^3
    double cutoff_sigma;
  };
  // Odd counts, counts below a vector's width, boxes too small for a grid of three cells, long
  // cut-offs, dilute and dense states.
  const Case cases[] = {{2, 1.3, 1.0},     {5, 1.36, 0.9},    {7, 0.5, 1.2},
                        {100, 1.36, 2.25}, {257, 1.1, 3.0},   {864, 1.36245, 2.25},
                        {1000, 1.5, 2.5},  {2048, 0.8, 2.25}, {4001, 1.36, 3.5}};
  for (const Case& c : cases) {
    engine::StatePoint s;
    s.atoms = c.atoms;
    s.box = engine::state_box(c.atoms, c.density);
    s.cutoff_sigma = std::min(c.cutoff_sigma, engine::largest_cutoff_sigma(s.box));
    for (Isa isa : every_isa()) {
      const IsaScope scope(isa);
      engine::PairForces pair_forces(s);
      // Three calls: a new list, the kept list after a small move, a new list after a large one.
      for (int call = 0; call < 3; ++call) {
        const double shake = call == 2 ? 0.2 : 0.03 + 0.001 * call;
        const auto positions = configuration(c.atoms, s.box, shake, 17 + c.atoms);
        std::vector<double> forces(3 * c.atoms);
        const engine::PairSums got = pair_forces.compute(positions.data(), forces.data(), true);
        expect_same(reference(s, positions), forces, got,
                    std::to_string(c.atoms) + " atoms, " + pelzak::kernels::isa_name(isa) + ", call " +
                        std::to_string(call));
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

TEST(EngineForces, AnyNumberOfThreadsGivesThePlainLoopBitForBit) {
  for (long atoms : {40L, 300L, 2000L}) {
    engine::StatePoint s;
    s.atoms = atoms;
    s.box = engine::state_box(atoms, 1.36);
    s.cutoff_sigma = std::min(2.5, engine::largest_cutoff_sigma(s.box));
    const auto positions = configuration(atoms, s.box, 0.03, atoms);
    const Sums want = reference(s, positions);
    for (Isa isa : every_isa()) {
      const IsaScope scope(isa);
      for (int threads : {2, 3, 4}) {
        engine::PairForces pair_forces(s, threads);
        std::vector<double> forces(3 * atoms);
        for (bool virial : {true, false}) {
          const engine::PairSums got = pair_forces.compute(positions.data(), forces.data(), virial);
          Sums expected = want;
          if (!virial)
            for (double& w : expected.virial) w = 0.0;
          expect_same(expected, forces, got,
                      std::to_string(atoms) + " atoms, " + std::to_string(threads) + " threads, " +
                          pelzak::kernels::isa_name(isa));
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

TEST(EngineForces, NonFiniteAndFarAtomsGiveThePlainLoopBitForBit) {
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
  for (Isa isa : every_isa()) {
    const IsaScope scope(isa);
    engine::PairForces pair_forces(s);
    std::vector<double> forces(3 * s.atoms);
    const engine::PairSums got = pair_forces.compute(positions.data(), forces.data(), true);
    const Sums want = reference(s, positions);
    for (std::size_t k = 0; k < forces.size(); ++k) {
      if (std::isnan(want.forces[k])) {
        EXPECT_TRUE(std::isnan(forces[k])) << pelzak::kernels::isa_name(isa) << " element " << k;
      } else {
        EXPECT_EQ(bits(forces[k]), bits(want.forces[k]))
            << pelzak::kernels::isa_name(isa) << " element " << k;
      }
    }
    EXPECT_TRUE(std::isnan(got.energy) && std::isnan(want.energy)) << pelzak::kernels::isa_name(isa);
  }
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

TEST(EngineSteps, TheDefaultStatePointRunsAsTheLibraryDoes) {
  const engine::StatePoint s;  // the defaults
  engine::System system(s);
  system.positions = configuration(s.atoms, s.box, 0.05, 3);
  std::mt19937_64 rng(8);
  std::normal_distribution<double> normal(0.0, 0.15);
  for (double& v : system.velocities) v = normal(rng);
  LibraryRun library(system.positions, system.velocities);
  engine::PairForces pair_forces(s);
  for (int n = 0; n < 300; ++n) {
    const engine::Phase phase = n < 50    ? engine::Phase::push_off
                                : n < 100 ? engine::Phase::equilibration
                                          : engine::Phase::production;
    double potential, kinetic, temperature;
    library.step(phase, &potential, &kinetic, &temperature);
    const engine::StepReport r = engine::step(system, pair_forces, phase, n % 3 == 0);
    ASSERT_EQ(bits(r.potential), bits(potential)) << "step " << n;
    ASSERT_EQ(bits(r.kinetic), bits(kinetic)) << "step " << n;
    ASSERT_EQ(bits(r.temperature), bits(temperature)) << "step " << n;
    for (std::size_t k = 0; k < library.r.size(); ++k) {
      ASSERT_EQ(bits(system.positions[k]), bits(library.r[k])) << "step " << n << " element " << k;
      ASSERT_EQ(bits(system.velocities[k]), bits(library.v[k])) << "step " << n << " element " << k;
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

// The fast pair kernels against the reference loops, bit for bit, on every instruction set this
// processor runs: forces, the energy sum (also when the energy passed in is -0.0, NaN or
// infinite) and the g(r) histogram (also when it holds fractions, -0.0, NaN or huge counts);
// the edges a one-character slip in a kernel would move (the strict cut-off, the image
// thresholds); and which kernels a call gets. kernels_pair_loops_soak_test runs the random
// configurations by the thousand.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "image_bounds.hpp"
#include "library_model.hpp"
#include "lists/verlet_list.hpp"
#include "pair_loops_cases.hpp"
#include "separation.hpp"
#include "vector_images.hpp"

using namespace pelzak::test;
namespace model = pelzak::model;
using pelzak::kernels::Isa;

namespace {

// A few hundred milliseconds: every kind of configuration twenty times.
constexpr int quick_configurations = 160;

// Every way a user can set PELZAK_ISA (nullptr: not set at all).
const char* const isa_settings[] = {nullptr, "reference", "scalar", "avx2", "avx512"};

struct Routine {
  Config forces;
  double energy;
};

// force_atoms itself, as a driver calls it.
Routine force_atoms(const Config& positions) {
  Routine r;
  r.forces.fill(not_a_number);
  r.energy = 0.0;
  auxiliary_force_atoms(positions.data(), r.forces.data(), &r.energy);
  return r;
}

// An all-finite configuration with one pair of interest, atoms 100 and 700: atom 100 at the
// origin, atom 700 at x = separation. The other 862 atoms fill a lattice 0.29 nm apart in a slab
// whose y lies in [0.96, 2.52] nm, more than the cut-off from both (in y alone, through every
// image), so the pair's own terms show in the forces on its two atoms and nowhere else.
Config pair_beside_a_slab(double separation) {
  Config c;
  const double side = model::box / 12.0;
  int site = 0;
  for (int i = 1; i <= model::atoms; ++i) {
    if (i == 100 || i == 700) continue;
    const int a = site % 12, b = site / 12 % 6, d = site / 72;
    at(c, i, 1) = (a + 0.5) * side;
    at(c, i, 2) = 0.8 + (b + 0.5) * (1.878 / 6.0);
    at(c, i, 3) = (d + 0.5) * side;
    ++site;
  }
  at(c, 100, 1) = at(c, 100, 2) = at(c, 100, 3) = 0.0;
  at(c, 700, 1) = separation;
  at(c, 700, 2) = at(c, 700, 3) = 0.0;
  return c;
}

// The fastest kernel set this processor runs, asked of the processor directly.
Isa fastest_by_cpuid() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("popcnt"))
    return Isa::avx512;
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt")) return Isa::avx2;
#endif
  return Isa::scalar;
}

// The images of the values d along x, y and z, as the kernels of isa find them (3 per value).
void images_on(Isa isa, const std::vector<double>& d, std::vector<double>& image) {
  const int n = static_cast<int>(d.size());
  switch (isa) {
#if defined(PELZAK_X86_KERNELS)
    case Isa::avx2: return pelzak::kernels_test::vector_images_avx2(d.data(), image.data(), n);
    case Isa::avx512: return pelzak::kernels_test::vector_images_avx512(d.data(), image.data(), n);
#endif
    default:
      for (int k = 0; k < 3 * n; ++k)
        image[k] = pelzak::kernels::image::nearest_image(pelzak::kernels::library_model, d[k / 3]);
  }
}

}  // namespace

TEST(PairLoops, ImageThresholdsAreTheFirstDoublesRoundingToTheNextImage) {
  // Re-derived with the processor's own division (volatile keeps it from being folded): T_k is
  // the first double from which round(d / L) is k.
  volatile double box = model::box;
  const auto image_count = [&](double d) { return std::round(d / box); };
  using pelzak::kernels::LibraryModel;
  const double thresholds[] = {LibraryModel::wrap_1, LibraryModel::wrap_2, LibraryModel::wrap_3,
                               LibraryModel::wrap_limit};
  for (int k = 1; k <= 4; ++k) {
    const double t = thresholds[k - 1];
    EXPECT_EQ(image_count(t), k) << "T_" << k;
    EXPECT_EQ(image_count(std::nextafter(t, 0.0)), k - 1) << "T_" << k;
    EXPECT_EQ(image_count(-t), -k) << "T_" << k;
    EXPECT_EQ(image_count(-std::nextafter(t, 0.0)), 1 - k) << "T_" << k;
  }
}

TEST(PairLoops, ThisMachineHasAFastPathBesidesTheReference) {
  EXPECT_TRUE(pelzak::kernels::isa_available(Isa::reference));
  EXPECT_TRUE(pelzak::kernels::isa_available(Isa::scalar));
  for (Isa isa : fast_isas()) std::printf("testing the %s kernels\n", pelzak::kernels::isa_name(isa));
}

TEST(PairLoops, RandomConfigurationsGiveTheReferenceForcesAndEnergyBitForBit) {
  expect_random_forces_bit_for_bit(quick_configurations);
}

TEST(PairLoops, RandomConfigurationsGiveTheReferenceHistogramBitForBit) {
  expect_random_histograms_bit_for_bit(quick_configurations);
}

TEST(PairLoops, AMinusZeroEnergyWithNoPairInRangeStaysMinusZero) {
  // Adding +0.0 for out-of-range pairs would turn it into +0.0.
  Config positions = nan_config();
  at(positions, 1, 1) = at(positions, 1, 2) = at(positions, 1, 3) = 0.0;
  at(positions, 2, 1) = 1.0;
  at(positions, 2, 2) = at(positions, 2, 3) = 0.0;
  for (Isa isa : fast_isas()) {
    const Forces f = lj(isa, positions, -0.0);
    EXPECT_EQ(bits(f.sum), bits(-0.0)) << pelzak::kernels::isa_name(isa);
    expect_same_forces(isa, positions, -0.0, "two atoms 1 nm apart");
  }
}

TEST(PairLoops, EveryPairInRangeAndEveryAtomInOneBin) {
  // All 864 atoms at one point: every pair coincides (NaN everywhere) and lands in bin 0; then
  // all within a tiny cube: every pair inside the cut-off, rows of up to 863 candidates.
  Config same = filled(1.0);
  std::mt19937_64 rng(7);
  Config cube = uniform(rng, 1.0, 1.001);
  for (Isa isa : fast_isas()) {
    expect_same_forces(isa, same, 0.0, "coincident atoms");
    expect_same_forces(isa, cube, 0.0, "a tiny cube");
    expect_same_histogram(isa, same, {}, "coincident atoms");
    expect_same_histogram(isa, cube, {}, "a tiny cube");
  }
  const auto h = rdf(Isa::reference, same, {});
  EXPECT_EQ(h[0], 2.0 * (model::atoms * (model::atoms - 1) / 2));
}

TEST(PairLoops, PelzakIsaPicksTheKernelsAndNeverChangesTheResult) {
  const char* saved = std::getenv("PELZAK_ISA");
  const std::string restore = saved ? saved : "";
  const Config positions = configuration(3);
  double want_energy = 0.0;
  Config want_forces{};
  ASSERT_EQ(setenv("PELZAK_ISA", "reference", 1), 0);
  EXPECT_EQ(pelzak::kernels::isa_for_this_call(), Isa::reference);
  auxiliary_force_atoms(positions.data(), want_forces.data(), &want_energy);
  for (const char* name : {"scalar", "avx2", "avx512", "no such thing", ""}) {
    ASSERT_EQ(setenv("PELZAK_ISA", name, 1), 0);
    const Isa isa = pelzak::kernels::isa_for_this_call();
    EXPECT_TRUE(pelzak::kernels::isa_available(isa)) << name;
    if (std::string(name) == "scalar") {
      EXPECT_EQ(isa, Isa::scalar);
    }
    double energy = 0.0;
    Config forces;
    forces.fill(not_a_number);
    auxiliary_force_atoms(positions.data(), forces.data(), &energy);
    EXPECT_EQ(bits(energy), bits(want_energy)) << name;
    EXPECT_EQ(first_difference(forces, want_forces), -1) << name;
  }
  // An unknown name, or none, gets the fastest kernels available.
  ASSERT_EQ(setenv("PELZAK_ISA", "no such thing", 1), 0);
  const Isa fastest = pelzak::kernels::isa_for_this_call();
  ASSERT_EQ(unsetenv("PELZAK_ISA"), 0);
  EXPECT_EQ(pelzak::kernels::isa_for_this_call(), fastest);
  EXPECT_NE(fastest, Isa::reference);
  if (saved) setenv("PELZAK_ISA", restore.c_str(), 1);
}

TEST(PairLoops, AnotherRoundingModeGetsTheReferenceLoops) {
  // The fast kernels' thresholds hold for rounding to nearest; under another mode force_atoms
  // and radial_dist must still give what the plain loops give under that mode.
  const Config positions = configuration(0);
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    const Forces want = lj(Isa::reference, positions, 0.0);
    const std::array<double, model::bins> want_h = rdf(Isa::reference, positions, {});
    Forces got;
    got.sum = 0.0;
    pelzak::kernels::lj_pairs(positions.data(), got.forces.data(), &got.sum);
    std::array<double, model::bins> got_h{};
    pelzak::kernels::rdf_sample(positions.data(), got_h.data());
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(first_difference(got.forces, want.forces), -1) << "mode " << mode;
    EXPECT_EQ(bits(got.sum), bits(want.sum)) << "mode " << mode;
    EXPECT_EQ(first_difference(got_h, want_h), -1) << "mode " << mode;
  }
}

TEST(PairLoops, APairExactly0765ApartAddsNothingOnEveryKernelChoice) {
  // 0.765 * 0.765 is exactly the cut-off 0.585225: the pair is skipped, in the reference loop
  // and in every kernel's row loop (a <= for < there would add it). One double closer, it adds.
  ASSERT_EQ(model::cutoff * model::cutoff, 0.585225);
  const Config at_cut = pair_beside_a_slab(model::cutoff);
  const Config inside = pair_beside_a_slab(std::nextafter(model::cutoff, 0.0));
  const Config none = pair_beside_a_slab(1.0);
  for (const char* setting : isa_settings) {
    const IsaSetting isa(setting);
    const std::string name = setting ? setting : "(unset)";
    const Routine alone = force_atoms(none);
    const Routine cut = force_atoms(at_cut);
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(bits(at(cut.forces, 100, k)), bits(0.0)) << name << ", axis " << k;
      EXPECT_EQ(bits(at(cut.forces, 700, k)), bits(0.0)) << name << ", axis " << k;
    }
    EXPECT_EQ(bits(cut.energy), bits(alone.energy)) << name;
    EXPECT_EQ(first_difference(cut.forces, alone.forces), -1) << name;

    const Routine near = force_atoms(inside);
    // At 2.25 sigma the potential's tail pulls: atom 700 towards atom 100, at the origin.
    EXPECT_LT(at(near.forces, 700, 1), 0.0) << name;
    EXPECT_EQ(at(near.forces, 100, 1), -at(near.forces, 700, 1)) << name;
    EXPECT_LT(near.energy, alone.energy) << name;
  }
}

TEST(PairLoops, TheKernelsImagesAgreeWithTheDivisionAtEveryThreshold) {
  // At T_k a separation is wrapped by k box sides. A threshold off by one double would move
  // the image of a separation of about L/2 from +L/2 to -L/2: no pair result can show that
  // (such pairs are out of every range), so the image itself is compared, at each threshold
  // and the doubles next to it, on both sides of zero.
  using pelzak::kernels::LibraryModel;
  std::vector<double> d;
  for (double t : {LibraryModel::wrap_1, LibraryModel::wrap_2, LibraryModel::wrap_3, LibraryModel::wrap_limit,
                   0.0, model::box / 2, model::box, 1e300}) {
    for (double v : {std::nextafter(std::nextafter(t, 0.0), 0.0), std::nextafter(t, 0.0), t,
                     std::nextafter(t, infinity), std::nextafter(std::nextafter(t, infinity), infinity)}) {
      d.push_back(v);
      d.push_back(-v);
    }
  }
  for (double v : {infinity, -infinity, not_a_number}) d.push_back(v);
  // The same again, each value beside one of 2.9 box sides: a vector kernel sees both in one
  // vector, which takes its path for the rarer separations.
  const std::size_t alone = d.size();
  for (std::size_t k = 0; k < alone; ++k) {
    d.push_back(d[k]);
    d.push_back(2.9 * model::box);
  }
  std::vector<double> want(3 * d.size()), got(3 * d.size());
  for (std::size_t k = 0; k < want.size(); ++k)
    want[k] = pelzak::kernels::image::minimum_image(pelzak::kernels::library_model, d[k / 3]);
  for (Isa isa : fast_isas()) {
    images_on(isa, d, got);
    for (std::size_t k = 0; k < want.size(); ++k) {
      if (std::isnan(want[k])) {
        EXPECT_TRUE(std::isnan(got[k])) << pelzak::kernels::isa_name(isa);
        continue;
      }
      EXPECT_EQ(bits(got[k]), bits(want[k]))
          << pelzak::kernels::isa_name(isa) << ": image of " << d[k / 3] << " along axis " << k % 3 << " is "
          << got[k] << ", not " << want[k];
    }
  }
}

TEST(PairLoops, WithoutPelzakIsaTheFastestKernelsTheProcessorRunsAreUsed) {
  const IsaSetting unset(nullptr);
  EXPECT_EQ(pelzak::kernels::isa_for_this_call(), fastest_by_cpuid())
      << "got " << pelzak::kernels::isa_name(pelzak::kernels::isa_for_this_call()) << ", this processor runs "
      << pelzak::kernels::isa_name(fastest_by_cpuid());
}

// The Verlet list kept between calls: whatever the caller does to its arrays between calls,
// every call gives the plain loop's results.
TEST(PairLoops, ALiquidMovingStepByStepGivesTheReferenceOnEveryCall) {
  // 80 steps of a driver: the list is reused while the atoms stay near their build positions
  // and rebuilt when one has moved half the skin.
  std::mt19937_64 rng(11);
  Config positions = lattice(rng, 0.05), velocities{}, forces{}, accel{};
  std::normal_distribution<double> thermal(0.0, 0.14);
  for (double& v : velocities) v = thermal(rng);
  for (int step = 0; step < 80; ++step) {
    for (Isa isa : fast_isas()) expect_same_forces(isa, positions, 0.0, "step " + std::to_string(step));
    if (HasFailure()) return;
    double energy = 0.0, kinetic = 0.0, temperature = 0.0;
    auxiliary_force_atoms(positions.data(), forces.data(), &energy);
    for (int n = 0; n < 3 * model::atoms; ++n) accel[n] = forces[n] * (1e-15 / 6.633520874944591e-26);
    auxiliary_leapfrog(positions.data(), velocities.data(), accel.data(), &kinetic, &temperature);
  }
}

TEST(PairLoops, AtomsMovedByHandBetweenCallsAreSeen) {
  using namespace pelzak::kernels::verlet;
  // Atoms 100 and 700 alone in range of each other, first just beyond the list's radius: not
  // candidates. Each then moves towards the other by just under half the skin: still out of
  // range (that is the list's promise), the list is kept. Then by more: the call must see them.
  const double start = list_radius + 1e-3;
  for (Isa isa : fast_isas()) {
    for (const double shift : {move_limit * 0.999, move_limit * 1.001, 0.1, 1.0}) {
      Config c = pair_beside_a_slab(start);
      expect_same_forces(isa, c, 0.0, "before the move");
      at(c, 100, 1) += shift;
      at(c, 700, 1) -= shift;
      expect_same_forces(isa, c, 0.0, "pair moved by " + std::to_string(shift));
      const Forces got = lj(isa, c, 0.0);
      EXPECT_EQ(at(got.forces, 100, 1) != 0.0, std::fabs(start - 2 * shift) < model::cutoff)
          << "shift " << shift;
    }
    // One atom moved far, and only one coordinate: the rest of the list is still good, that atom
    // is not.
    Config c = configuration(0);
    expect_same_forces(isa, c, 0.0, "a liquid");
    at(c, 5, 2) += 1.3;
    expect_same_forces(isa, c, 0.0, "one atom moved by 1.3 nm");
    at(c, 5, 2) = not_a_number;
    expect_same_forces(isa, c, 0.0, "one coordinate NaN");
    at(c, 5, 2) = 1.0;
    expect_same_forces(isa, c, 0.0, "NaN replaced");
  }
}

TEST(PairLoops, AlternatingBetweenUnrelatedArraysGivesEachItsOwnResult) {
  const Config a = configuration(0), b = configuration(8), packed = configuration(7);
  for (Isa isa : fast_isas()) {
    for (int round = 0; round < 3; ++round) {
      expect_same_forces(isa, a, 0.0, "configuration a");
      expect_same_forces(isa, b, 0.0, "configuration b");
      expect_same_forces(isa, packed, -0.0, "a packed cloud");
    }
  }
}

TEST(PairLoops, ThePackedStartDrivenByForcesInNewtonsGivesTheReferenceOnEveryCall) {
  // The routines' literal call pattern from a generator-like start: every atom in one octant,
  // forces in newtons passed as the driving term. Overlapping atoms are flung far away at once
  // and keep moving fast; they become free atoms of the list (kernels/src/lists/verlet_list.hpp) while the
  // others barely move.
  std::mt19937_64 rng(1234);
  Config positions = uniform(rng, 0.0, 1.73893), velocities = uniform(rng, -0.2, 0.2), forces{};
  for (int step = 0; step < 20; ++step) {
    for (Isa isa : fast_isas()) expect_same_forces(isa, positions, 0.0, "step " + std::to_string(step));
    if (HasFailure()) return;
    double energy = 0.0, kinetic = 0.0, temperature = 0.0;
    auxiliary_force_atoms(positions.data(), forces.data(), &energy);
    auxiliary_leapfrog(positions.data(), velocities.data(), forces.data(), &kinetic, &temperature);
  }
}

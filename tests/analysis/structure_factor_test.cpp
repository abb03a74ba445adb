// S(k) both ways: Bragg peaks of a perfect lattice, an ideal gas, the two routes on the liquid that
// pelzak_md leaves behind, the peak, and the file's text.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fcc_lattice.hpp"
#include "pelzak/analysis/correlations_summary.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/analysis/scattering_csv.hpp"
#include "pelzak/analysis/structure_factor.hpp"
#include "pelzak/kernels/rdf_shells.hpp"
#include "pelzak/kernels/state_point_loops.hpp"
#include "pelzak_aux.h"
#include "programs.hpp"
#include "support.hpp"

namespace pelzak::analysis {
namespace {

// How well the two routes agree on the rows that have both, from k_min on (2 pi / R, where the
// transform of g(r) cut at R starts to hold).
struct SkAgreement {
  int rows = 0;               // rows compared
  double rms = no_value;      // root mean square of S_direct - S_from_rdf
  double largest = no_value;  // the largest |S_direct - S_from_rdf|
};

SkAgreement sk_agreement(const SkTable& table, double k_min) {
  SkAgreement a;
  double sum_sq = 0.0;
  for (size_t i = 0; i < table.k.size(); ++i) {
    if (!(table.k[i] >= k_min) || std::isnan(table.direct[i]) || std::isnan(table.from_rdf[i])) continue;
    const double gap = std::fabs(table.direct[i] - table.from_rdf[i]);
    sum_sq += gap * gap;
    if (a.rows == 0 || gap > a.largest) a.largest = gap;
    ++a.rows;
  }
  if (a.rows > 0) a.rms = std::sqrt(sum_sq / a.rows);
  return a;
}

StructureFactor sample(const std::vector<std::vector<double>>& frames, const StructureFactorSettings& s) {
  StructureFactorAccumulator acc;
  std::string problem;
  EXPECT_TRUE(structure_factor_start(acc, s, &problem)) << problem;
  for (const auto& f : frames) structure_factor_add_frame(acc, f.data());
  return structure_factor_result(acc);
}

TEST(AnalysisStructureFactor, PerfectLatticeHasBraggPeaksOfWeightNAndNothingElse) {
  // fcc, 4 x 4 x 4 cells of side a = L/4: k . r_j is a multiple of 2 pi for every atom exactly when
  // n = 4 (h, k, l) with h, k, l all odd or all even, (111) at |n|^2 = 48 and (200) at 64, where
  // S = N; elsewhere the phases cancel. Shells 0.05 (2 pi / L) wide hold one |n| each up to |n| = 8.5.
  const int cells = 4, atoms = 4 * cells * cells * cells;
  const double box = 2.0;
  const std::vector<double> r = test::fcc_sites(atoms, box);
  const double unit = 2.0 * std::numbers::pi / box;
  const StructureFactor s = sample({r}, {atoms, box, 8.5 * unit, 0.05 * unit, 0, 0});
  int bragg = 0;
  for (size_t i = 0; i < s.k.size(); ++i) {
    const double n2 = (s.k[i] / unit) * (s.k[i] / unit);
    if (std::fabs(n2 - 48.0) < 1e-9 || std::fabs(n2 - 64.0) < 1e-9) {
      EXPECT_NEAR(s.s[i], atoms, 1e-9 * atoms) << n2;
      EXPECT_EQ(s.vectors[i], n2 < 50 ? 4 : 3);  // (+-4, +-4, +-4) and (8, 0, 0) in the half space
      ++bragg;
    } else {
      EXPECT_LT(s.s[i], 1e-20) << n2;
    }
  }
  EXPECT_EQ(bragg, 2);
}

TEST(AnalysisStructureFactor, RecurrenceMatchesThePlainSumOfExponentials) {
  // Three blocks of atoms (the last one part padding), unwrapped positions, every vector to k_max.
  const int atoms = 300;
  const double box = 2.0, k_max = 30.0;
  std::mt19937_64 rng(28);
  std::uniform_real_distribution<double> u(-box, 2.0 * box);
  std::vector<double> r(3 * atoms);
  for (double& x : r) x = u(rng);
  StructureFactorAccumulator acc;
  std::string problem;
  ASSERT_TRUE(structure_factor_start(acc, {atoms, box, k_max, 0.0, 0, 0}, &problem)) << problem;
  structure_factor_add_frame(acc, r.data());
  const StructureFactor s = structure_factor_result(acc);

  std::vector<double> shell_sum(acc.shells, 0.0);
  for (size_t v = 0; v < acc.vector_shell.size(); ++v) {
    double rho_re = 0.0, rho_im = 0.0;
    for (int j = 0; j < atoms; ++j) {
      double kr = 0.0;
      for (int a = 0; a < 3; ++a) kr += acc.k_unit * acc.vector_n[3 * v + a] * r[a * atoms + j];
      rho_re += std::cos(kr);
      rho_im += std::sin(kr);
    }
    shell_sum[acc.vector_shell[v]] += (rho_re * rho_re + rho_im * rho_im) / atoms;
  }
  ASSERT_EQ(s.k.size(), 9u);  // |n| up to 9.55 in shells one unit wide, from 1
  for (size_t i = 0, b = 0; i < s.k.size(); ++i, ++b) {
    while (acc.shell_vectors[b] == 0) ++b;
    EXPECT_NEAR(s.s[i], shell_sum[b] / acc.shell_vectors[b], 1e-12) << s.k[i];
  }

  // A limit on the vectors in all lowers the cap a shell to the largest that fits.
  StructureFactorAccumulator capped;
  ASSERT_TRUE(structure_factor_start(capped, {atoms, box, k_max, 0.0, 64, 0, 300}, &problem)) << problem;
  EXPECT_LE(capped.vector_shell.size(), 300u);
  ASSERT_TRUE(structure_factor_start(capped, {atoms, box, k_max, 0.0, capped.cap + 1, 0, 0}, &problem));
  EXPECT_GT(capped.vector_shell.size(), 300u);
}

TEST(AnalysisStructureFactor, IdealGasGivesOneBothWays) {
  const int atoms = 400, frames = 40;
  const double box = 2.5;
  std::mt19937_64 rng(9);
  std::uniform_real_distribution<double> u(0.0, box);
  std::vector<std::vector<double>> gas(frames, std::vector<double>(3 * atoms));
  std::vector<double> histogram(model::bins, 0.0);
  for (auto& f : gas) {
    for (double& x : f) x = u(rng);
    kernels::rdf_sample_reference(kernels::pair_model(atoms, box, 0.0), f.data(), histogram.data());
  }
  const StructureFactor s = sample(gas, {atoms, box, 30.0, 0.0, 0, 4});
  int outside = 0;
  for (size_t i = 0; i < s.k.size(); ++i) outside += std::fabs(s.s[i] - 1.0) > 3.0 * s.error[i];
  EXPECT_LE(outside, 2) << "of " << s.k.size() << " shells beyond three errors";

  std::vector<double> label(model::bins), g_library(model::bins), r, g;
  kernels::rdf_normalise(histogram.data(), atoms, box, frames, label.data(), g_library.data());
  recentre_rdf(g_library, box / 400.0, &r, &g);
  const std::vector<double> k = {2.0 * std::numbers::pi / (box / 2.0), 10.0, 20.0, 30.0};
  for (double v : sk_from_rdf(r, g, box / 400.0, atoms, atoms / (box * box * box), k))
    EXPECT_NEAR(v, 1.0, 0.05);
}

TEST(AnalysisStructureFactor, TwoRoutesAgreeOnTheDriversLiquid) {
  // pelzak_md's final configuration (one sample, 864 atoms) against the transform of its g(r) (50
  // samples), from 2 pi / R on, and the main peak where liquid argon has it, k sigma near 7.
  test::ScratchDir dir;
  ASSERT_EQ(test::run_program({test::generator_program}).status, 0);
  const auto run = test::run_program({test::driver_program, "-q", "-t", "1000", "--production=1000"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<double> library_g, r, g;
  std::istringstream table(test::read_bytes("rdf_argon.dat"));
  for (double label, value; table >> label >> value;) library_g.push_back(value);
  ASSERT_EQ(library_g.size(), static_cast<size_t>(model::bins));
  recentre_rdf(library_g, model::bin_width, &r, &g);
  test::write_bytes("ar_simulation.dat", test::read_bytes("final_argon.dat"));
  std::vector<double> positions(model::config_size), velocities(model::config_size);
  auxiliary_read_file(positions.data(), velocities.data());

  const StructureFactor direct = sample({positions}, {model::atoms, model::box, 40.0, 0.0, 0, 0});
  const SkTable t = sk_table(direct, r, g, model::bin_width, model::atoms, model::density, 0.25, 40.0);
  const SkAgreement a = sk_agreement(t, 4.0 * std::numbers::pi / model::box);
  EXPECT_EQ(a.rows, 21);
  EXPECT_LT(a.rms, 0.07);  // 0.039 on this run
  EXPECT_LT(a.largest, 0.2);
  const CurvePoint peak = sk_main_peak(direct.k, direct.s);
  EXPECT_NEAR(peak.x * model::sigma, 6.8, 0.3);
  EXPECT_GT(peak.y, 1.8);
  std::vector<double> grid, from_rdf;
  for (size_t i = 0; i < t.k.size(); ++i)
    if (std::isnan(t.direct[i])) {
      grid.push_back(t.k[i]);
      from_rdf.push_back(t.from_rdf[i]);
    }
  EXPECT_NEAR(main_peak(grid, from_rdf).x, peak.x, 0.5);
}

TEST(AnalysisStructureFactor, FileAndSummaryLine) {
  const SkTable t{{1.5, 2.25, 20.125}, {no_value, 0.0625, 2.5}, {-0.5, 0.125, no_value}};
  EXPECT_EQ(sk_csv(t), "k_per_nm,S_direct,S_from_gr\n1.5,,-0.5\n2.25,0.0625,0.125\n20.125,2.5,\n");
  // The parabola through (19, 2), (20, 3), (22, 1) is y = 3 + u/3 - 2u^2/3, u = k - 20: vertex at
  // u = 1/4, height 3 + 1/24.
  const CurvePoint peak = sk_main_peak({19.0, 20.0, 22.0}, {2.0, 3.0, 1.0});
  EXPECT_NEAR(peak.x, 20.25, 1e-12);
  EXPECT_NEAR(peak.y, 3.0 + 1.0 / 24.0, 1e-12);
  EXPECT_EQ(sk_peak_line({19.8, 2.5}, {19.7, 2.33}),
            "S(k): main peak 2.50 at k = 19.80 nm^-1 (1.980 A^-1); from g(r) 2.33 at 19.70 nm^-1\n");
}

}  // namespace
}  // namespace pelzak::analysis

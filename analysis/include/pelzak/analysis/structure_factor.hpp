// The static structure factor S(k), what neutron and X-ray diffraction measure, two ways.
//
// Directly: S(k) = (1/N) |sum_j exp(i k . r_j)|^2 at the wave vectors a cubic periodic box of side L
// allows, k = (2 pi / L) n with n whole, averaged over the vectors of each shell of |k| and over the
// sampled frames. S(-k) = S(k), so half of them suffice: n_x > 0, or n_x = 0 and n_y > 0, or
// n_x = n_y = 0 and n_z > 0. The phase factor of atom j is the product of one per axis,
// exp(i k_x x_j) exp(i k_y y_j) exp(i k_z z_j), and each axis's factors for n = 0, 1, 2, ... come from
// the first by repeated multiplication (a few ulps lost per step, nothing next to the statistics),
// so a sample costs 3N sines and cosines plus one complex multiply-add per atom and vector. The atoms
// go through in blocks of a few hundred, each block's tables built, used by every vector and dropped,
// while each vector keeps its running sums: memory does not grow with N beyond the positions handed
// in (the tables grow only with k_max L, the vector list with k_max^3 L^3 up to the cap a shell), and
// the sums see the atoms in the same order as one pass over all of them would.
//
// From g(r): S(k) = 1 + 4 pi rho integral_0^R r^2 (g(r) - 1) W(r) sin(kr) / (kr) dr, R the end of the
// g(r) range (half the box). Cut off sharply at R, the step that g(r) - 1 may still have there ripples
// S(k) with a period of 2 pi / R (3.6 nm^-1 in the toolkit's box); W brings it smoothly to 0: 1 up to
// 0.7 R, then (1 + cos(pi (r - 0.7 R) / 0.3 R)) / 2. Any window smooths S(k) over a band of k about as
// wide as the inverse of its taper, lowering sharp peaks. Lorch's sin(pi r/R) / (pi r/R), the usual
// choice, tapers over the whole range and averages S(k) over exactly 2 pi / R, about the width of the
// main peak. Against the direct route on the toolkit's liquid (200 ps, k >= 2 pi / R; root mean
// square difference, main peak's height against the direct 2.48): no window 0.026 and 2.43, this
// taper 0.031 and 2.38, a taper over the outer half 0.041 and 2.33, Lorch 0.084 and 2.09. There g(r)
// has settled to within 0.01 of 1 by R; this taper costs little and keeps the route safe for a g(r)
// that still oscillates at R (a smaller box, a colder liquid). Below k = 2 pi / R the route says
// little whatever the window: there the direct route, exact but with few vectors a shell, is the
// one to read.
//
// Sums in fixed orders (atoms in eight lanes, vectors in the order above, shells and samples in
// turn), so the results are the same on every machine.
#pragma once

#include <string>
#include <vector>

#include "pelzak/analysis/block_stats.hpp"
#include "pelzak/analysis/curve_features.hpp"

namespace pelzak::analysis {

struct StructureFactorSettings {
  int atoms = 0;              // N
  double box = 0.0;           // L, the side of the cubic periodic box
  double k_max = 0.0;         // the largest |k| (inverse units of L), at least 2 pi / L
  double shell_width = 0.0;   // shells of |k|: b * width .. (b + 1) * width; 0: 2 pi / L
  int vectors_per_shell = 0;  // at most this many vectors a shell, spread evenly over its vectors in the
                              // order above (the same ones every time); 0: all of them
  int samples_per_block = 0;  // samples per statistics block; 0: no uncertainty
  int vectors_in_all = 0;     // at most about this many vectors in all (a sample's cost is N times
                              // them): the cap a shell is lowered until they fit; 0: no such limit
};

struct StructureFactorAccumulator {
  StructureFactorSettings settings;
  int padded = 0;                 // N rounded up to whole summation lanes
  int block = 0;                  // atoms per block of the tables (whole lanes)
  int n_max = 0;                  // the largest |n| on any axis
  double k_unit = 0.0;            // 2 pi / L
  std::vector<int> vector_n;      // 3 per vector: n_x, n_y, n_z, in the order above
  std::vector<int> vector_shell;  // shell of each vector
  int shells = 0;
  int cap = 0;                     // the vectors a shell used at most; 0: all of them
  std::vector<int> shell_vectors;  // vectors used in each shell
  std::vector<double> shell_k;     // mean |k| of those vectors
  std::vector<double> phases;      // 3 axes x (n_max + 1) x {re, im} x block: exp(i n k_unit x_j)
  std::vector<double> column;      // {re, im} x block: exp(i (k_x x_j + k_y y_j)) of the column in hand
  std::vector<double> modes;       // per vector, {re, im} x 8 lanes: the density mode's running sums
  std::vector<double> sample_sum;  // per shell: this sample's sum of |rho_k|^2 / N
  long long samples = 0;
  std::vector<double> sum;         // per shell: sum over samples of the shell's mean
  std::vector<double> block_sum;   // the same for the open block
  int block_samples = 0;           // samples in the open block
  std::vector<BlockStats> blocks;  // per shell: the mean of every complete block
};

// Checks the settings and lists the wave vectors; false, with the reason in *problem, if they make no
// sense (no atoms, a box, k_max or shell width that is not positive and finite, a k_max below the
// first shell or so far beyond it that the vectors would not fit in memory).
bool structure_factor_start(StructureFactorAccumulator& acc, const StructureFactorSettings& settings,
                            std::string* problem);

// Adds one sample: 3N positions (wrapped or not), all x, then all y, then all z. Ignored by an
// accumulator that was not started.
void structure_factor_add_frame(StructureFactorAccumulator& acc, const double* positions);

struct StructureFactor {
  std::vector<double> k;      // mean |k| of each shell's vectors; shells without a vector left out
  std::vector<double> s;      // S(k), averaged over the shell's vectors and the samples
  std::vector<double> error;  // standard error from the blocks; NaN with fewer than two
  std::vector<int> vectors;   // vectors averaged in the shell
  long long samples = 0;
  long long blocks = 0;  // complete blocks
};

StructureFactor structure_factor_result(const StructureFactorAccumulator& acc);

// S(k) at each of `k` from g(r), windowed as above: r holds the bin centres, bin_width apart (in the
// same length unit as k's inverse; see recentre_rdf below for the toolkit's g(r)), g the values, for `atoms`
// atoms at number density N / L^3. The g(r) of N atoms normalised with N / V, as the library's is, tends to
// (N - 1) / N, not 1 (each atom has N - 1 partners): that is what is subtracted, else S(k) would carry -(4 pi
// / V) integral r^2 W sin(kr)/(kr) dr, -0.1 at 2 pi / R for 400 atoms. The integral is the midpoint sum over
// the bins, in order, to R = r.back() + bin_width / 2.
std::vector<double> sk_from_rdf(const std::vector<double>& r, const std::vector<double>& g, double bin_width,
                                long long atoms, double density, const std::vector<double>& k);

// The toolkit's g(r) (the library's radial_dist, rdf_curve.hpp) counts a pair in bin b when r / dr
// rounds to b, that is from (b - 1/2) dr to (b + 1/2) dr, but divides by the ideal-gas count of the
// shell from b dr to (b + 1) dr and labels it (b + 1/2) dr: an ideal gas reads 1 - 1/b there, and a
// peak sits half a bin out. sk_from_rdf wants counts over the ideal-gas count of the same shell at its
// centre; this gives them: r_b = b dr and g_b times shell(b dr, (b + 1) dr) / shell((b - 1/2) dr,
// (b + 1/2) dr), the first shell starting at 0. g.size() bins of width bin_width in, the same out.
void recentre_rdf(const std::vector<double>& g, double bin_width, std::vector<double>* r_out,
                  std::vector<double>* g_out);

// The main peak of S(k) on the shells: the vertex of the parabola through the highest shell and its two
// neighbours (unevenly spaced), or that shell itself at either end. The shells are 2 pi / L apart
// (1.8 nm^-1 in the toolkit's box), a third of the peak's width; the parabola gives its position to
// a fraction of that.
CurvePoint sk_main_peak(const std::vector<double>& k, const std::vector<double>& s);

// The rows of "sk_argon.csv": the direct shells, with S from g(r) at the same k, and a regular grid
// k = step, 2 step, .. up to k_max with S from g(r) alone, merged in ascending k (a shell before a grid
// point at the same k). NaN marks a route without a value on that row.
struct SkTable {
  std::vector<double> k;
  std::vector<double> direct;
  std::vector<double> from_rdf;
};

SkTable sk_table(const StructureFactor& direct, const std::vector<double>& r, const std::vector<double>& g,
                 double bin_width, long long atoms, double density, double grid_step, double k_max);

}  // namespace pelzak::analysis

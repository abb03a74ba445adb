// The correlations of a production run, fed step by step: of an atom's position with itself in time,
// the van Hove self function G_s and F_s(k, t) (self_motion.hpp); of the density in space, the static
// structure factor S(k) directly and from g(r) (structure_factor.hpp); of the stress in time, the
// shear viscosity by Green-Kubo (viscosity.hpp); on the schedule of correlations_schedule.hpp mapped
// onto the run's time step. A program hands over the positions after every step and, for the
// viscosity, the off-diagonal pressure of every step; at the end it gets the three CSV files, the
// plot, the summary lines and the figures.
//
// Memory, whatever the length of the run: the self motion's ring of 6 frames (about 150 bytes per
// atom) and its sums (0.4 MB), the viscosity's windows (about 2 MB at 0.01 ps steps) and, for S(k)
// directly, about 2 MB at any N (correlations_schedule.hpp), whose sample costs N times its 7,500 wave
// vectors: about 40 steps at every size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/analysis/self_motion.hpp"
#include "pelzak/analysis/structure_factor.hpp"
#include "pelzak/analysis/viscosity.hpp"

namespace pelzak::analysis {

struct Correlations {
  long atoms = 0;
  double box = 0.0;               // nm
  double dt = 0.0;                // ps between the frames handed over
  std::int64_t self_every = 1;    // frames between the self motion's frames (0.1 ps)
  std::int64_t sk_every = 1;      // frames between S(k) samples (5 ps, from 2.5 ps on)
  std::int64_t stress_every = 1;  // frames between the viscosity's stress samples (0.02 ps)
  bool direct_sk = false;
  std::int64_t stress_frames = 0;  // pressure tensors added: none, no viscosity
  SelfMotionAccumulator motion;
  StructureFactorAccumulator sk;
  ViscosityAccumulator viscosity;
};

// Prepares the estimators for frames dt apart (ps) of `atoms` atoms in a cubic box of side `box` (nm).
// False, with the reason, if the settings make no sense.
bool correlations_start(Correlations& t, long atoms, double box, double dt, std::string* problem);

// Frame n (from 0, the positions production starts from): 3N unwrapped positions, nm, all x, then all y,
// then all z.
void correlations_add_positions(Correlations& t, std::int64_t n, const double* positions);

// The pressure tensor at frame n: {P_xy, P_xz, P_yz} in Pa, and the temperature (K) of the same
// velocities. Taken at the frames n + 1 = stress_every, 2 stress_every, ...: the frames that steps
// stress_every, 2 stress_every, ... start from, so that a program whose log reads the virial every
// 10 steps computes it for the viscosity on no other step.
void correlations_add_stress(Correlations& t, std::int64_t n, const double* stress, double temperature);

struct CorrelationsReport {
  SelfMotionResult motion;
  StructureFactor sk;
  SkTable sk_rows;
  CurvePoint sk_peak{no_value, no_value};           // nm^-1 and S: direct, or from g(r) without it
  CurvePoint sk_peak_from_rdf{no_value, no_value};  // from g(r) on its grid
  double fs_k = no_value;                           // nm^-1, the wave number at the peak
  double fs_relaxation = no_value;                  // ps, F_s there falls to 1/e
  double fs_relaxation_error = no_value;
  ViscosityResult viscosity;
  std::string vanhove_csv, fsk_csv, sk_csv, plot, summary;
};

// The results (without the viscosity's line when no pressure tensor was added), with g(r) of the whole
// production (rdf_curve.hpp's bins over half the box) for S(k)'s second route. subtitle is one line
// describing the run, for the plot.
CorrelationsReport correlations_report(Correlations& t, const RdfCurve& rdf, std::string_view subtitle);

}  // namespace pelzak::analysis

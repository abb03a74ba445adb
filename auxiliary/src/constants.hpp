// The physical model of liquid argon and every constant the routines multiply by.
//
// Several inputs were single-precision literals in the model's original definition; they enter
// here as the exact doubles those floats widen to, and the static_asserts below re-derive each
// product from its factors so a mistyped digit cannot slip in.
#pragma once

namespace pelzak::aux::model {

// Atoms in the periodic box (a 6 x 6 x 6 fcc lattice holds 4 * 216 = 864).
inline constexpr int atoms = 864;
// Histogram bins of g(r), spanning half the box side.
inline constexpr int bins = 200;

// Box side L, nm.
inline constexpr double box = 3.47786;
// Lennard-Jones sigma of argon, nm.
inline constexpr double sigma = 0.34;
// Squared cut-off (2.25 sigma)^2, nm^2.
inline constexpr double cutoff_sq = 0.585225;
// 4 epsilon, J (single-precision 6.628e-21 widened); epsilon itself is never used alone.
inline constexpr double four_eps = 6.6279999350667254e-21;
// 24 epsilon * 1e9 = 6 * (4 epsilon) * 1e9: divided by r in nm it gives newtons.
inline constexpr double force_factor = 3.976799961040035e-11;

// Argon atom mass, kg (single-precision 6.63352088e-26 widened).
inline constexpr double mass = 6.633520874944591e-26;
// Boltzmann constant, J/K (single-precision 1.38065e-23 widened).
inline constexpr double boltzmann = 1.3806499990493398e-23;
// 0.5 * m * 1e6: turns a sum of squared nm/ps (1 nm/ps = 1000 m/s) into joules.
inline constexpr double kinetic_factor = 3.3167604374722954e-20;
// 1.5 * N * kB: kinetic energy of N atoms at 1 K, J/K.
inline constexpr double temperature_divisor = 1.7893223987679444e-20;
// Target temperature of the velocity rescaling, K.
inline constexpr double target_temperature = 94.4;

// Time step, ps (single-precision 0.01 widened), its square and its double.
inline constexpr double dt = 0.009999999776482582;
inline constexpr double dt_sq = 9.999999552965169e-05;
inline constexpr double two_dt = 0.019999999552965164;

// Number density 864 / L^3, nm^-3.
inline constexpr double density = 20.538913010776728;
// Bin width L / 400 (half the box side over 200 bins), nm.
inline constexpr double bin_width = 0.00869465;
// pi and 4/3 as the doubles the shell volume uses.
inline constexpr double pi = 3.141592653589793;
inline constexpr double four_thirds = 1.3333333333333333;
// g(r) is normalised for samples at steps 1, 21, ..., 981.
inline constexpr double samples = 50.0;
inline constexpr long long sample_every = 20;
inline constexpr long long output_step = 1000;

static_assert(cutoff_sq == (2.25 * sigma) * (2.25 * sigma));
static_assert(four_eps == static_cast<double>(6.628e-21f));
static_assert(force_factor == 6.0 * four_eps * 1e9);
static_assert(mass == static_cast<double>(6.63352088e-26f));
static_assert(boltzmann == static_cast<double>(1.38065e-23f));
static_assert(kinetic_factor == 0.5 * mass * 1e6);
static_assert(temperature_divisor == 1.5 * atoms * boltzmann);
static_assert(dt == static_cast<double>(0.01f));
static_assert(dt_sq == dt * dt);
static_assert(two_dt == 2.0 * dt);
static_assert(density == atoms / (box * box * box));
static_assert(bin_width == box / 400.0);
static_assert(bins * 2 * bin_width == box);

// Configuration arrays are stored axis by axis: all x, then all y, then all z.
inline constexpr int x_axis = 0;
inline constexpr int y_axis = atoms;
inline constexpr int z_axis = 2 * atoms;

}  // namespace pelzak::aux::model

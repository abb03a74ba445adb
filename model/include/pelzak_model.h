/*
 * pelzak_model.h: the numbers of the liquid-argon model, each with its unit and derivation.
 *
 * One home for every constant the library, the generator, the driver, the tests, the benchmarks
 * and the examples use. C sees macros (PELZAK_BOX, ...); C++ also gets them as typed constants in
 * namespace pelzak::model, with compile-time checks that re-derive every product from its
 * factors, so a mistyped digit cannot slip in. Fortran gets them from the generated module
 * pelzak_model (pelzak_box, ...), printed from these very values.
 *
 * Several inputs of the model were single-precision literals: they enter here as the exact
 * doubles those floats widen to, and every product below is rounded once, as a double.
 *
 * Model: N argon atoms in a periodic cubic box, pair potential 4 eps ((sigma/r)^12 - (sigma/r)^6)
 * cut off at 2.25 sigma (no shift, no tail correction), velocities rescaled to 94.4 K every step.
 * Units: nm, ps, nm/ps, J (energies), N (forces), K, kg.
 */
#ifndef PELZAK_MODEL_H
#define PELZAK_MODEL_H

/* Atoms in the box: a 6 x 6 x 6 fcc lattice holds 4 * 216 = 864. */
#define PELZAK_ATOMS 864
/* Histogram bins of g(r), spanning half the box side. */
#define PELZAK_BINS 200

/* Box side L, nm: 864 atoms at the density of liquid argon at 94.4 K (Rahman, 1964). */
#define PELZAK_BOX 3.47786
/* Lennard-Jones sigma of argon, nm. */
#define PELZAK_SIGMA 0.34
/* Cut-off radius 2.25 sigma, nm, and its square (rounded once as a double), nm^2: pairs with a
 * squared distance strictly below it interact. */
#define PELZAK_CUTOFF 0.765
#define PELZAK_CUTOFF_SQ 0.585225
/* 4 eps, J: single-precision 6.628e-21 widened (eps/kB = 120 K). The pair sum is multiplied by it. */
#define PELZAK_FOUR_EPS 6.6279999350667254e-21
/* eps, J: 4 eps / 4, exact. The unit of the reduced energies the driver reports. */
#define PELZAK_EPSILON 1.6569999837666814e-21
/* 24 eps * 1e9 = 6 * (4 eps) * 1e9, J/nm: times 1/r with r in nm it gives newtons. */
#define PELZAK_FORCE_FACTOR 3.976799961040035e-11

/* Argon atom mass, kg: 39.948 u, single-precision 6.63352088e-26 widened. */
#define PELZAK_MASS 6.633520874944591e-26
/* Boltzmann constant, J/K: single-precision 1.38065e-23 widened. */
#define PELZAK_BOLTZMANN 1.3806499990493398e-23
/* 0.5 m 1e6, J per (nm/ps)^2: 1 nm/ps = 1000 m/s, so a sum of squared nm/ps turns into joules. */
#define PELZAK_KINETIC_FACTOR 3.3167604374722954e-20
/* 1.5 N kB, J/K: the kinetic energy of N atoms at 1 K. */
#define PELZAK_TEMPERATURE_DIVISOR 1.7893223987679444e-20
/* Newtons to nm/ps^2 for one atom: a = F/m in m/s^2, and 1 m/s^2 = 1e9 nm / (1e12 ps)^2 =
 * 1e-15 nm/ps^2. What a driver multiplies forces by to get accelerations (15074950676.300585). */
#define PELZAK_ACCEL_PER_NEWTON (1e-15 / PELZAK_MASS)
/* Target temperature of the velocity rescaling, K. */
#define PELZAK_TARGET_TEMPERATURE 94.4

/* Time step, ps: single-precision 0.01 widened; its square, ps^2, and its double, ps. */
#define PELZAK_DT 0.009999999776482582
#define PELZAK_DT_SQ 9.999999552965169e-05
#define PELZAK_TWO_DT 0.019999999552965164

/* Number density N / L^3, nm^-3. */
#define PELZAK_DENSITY 20.538913010776728
/* g(r) bin width L / 400 (half the box side over 200 bins), nm. */
#define PELZAK_BIN_WIDTH 0.00869465
/* pi and 4/3 as the doubles the shell volumes of g(r) use. */
#define PELZAK_PI 3.141592653589793
#define PELZAK_FOUR_THIRDS 1.3333333333333333
/* g(r) schedule of radial_dist: a sample every 20 steps from step 1 (steps 1, 21, ..., 981: 50 of
 * them), the table written at step 1000. */
#define PELZAK_SAMPLE_EVERY 20
#define PELZAK_OUTPUT_STEP 1000
#define PELZAK_SAMPLES 50.0

#ifdef __cplusplus
namespace pelzak::model {

inline constexpr int atoms = PELZAK_ATOMS;
inline constexpr int bins = PELZAK_BINS;
inline constexpr double box = PELZAK_BOX;
inline constexpr double sigma = PELZAK_SIGMA;
inline constexpr double cutoff = PELZAK_CUTOFF;
inline constexpr double cutoff_sq = PELZAK_CUTOFF_SQ;
inline constexpr double four_eps = PELZAK_FOUR_EPS;
inline constexpr double epsilon = PELZAK_EPSILON;
inline constexpr double force_factor = PELZAK_FORCE_FACTOR;
inline constexpr double mass = PELZAK_MASS;
inline constexpr double boltzmann = PELZAK_BOLTZMANN;
inline constexpr double kinetic_factor = PELZAK_KINETIC_FACTOR;
inline constexpr double temperature_divisor = PELZAK_TEMPERATURE_DIVISOR;
inline constexpr double accel_per_newton = PELZAK_ACCEL_PER_NEWTON;
inline constexpr double target_temperature = PELZAK_TARGET_TEMPERATURE;
inline constexpr double dt = PELZAK_DT;
inline constexpr double dt_sq = PELZAK_DT_SQ;
inline constexpr double two_dt = PELZAK_TWO_DT;
inline constexpr double density = PELZAK_DENSITY;
inline constexpr double bin_width = PELZAK_BIN_WIDTH;
inline constexpr double pi = PELZAK_PI;
inline constexpr double four_thirds = PELZAK_FOUR_THIRDS;
inline constexpr long long sample_every = PELZAK_SAMPLE_EVERY;
inline constexpr long long output_step = PELZAK_OUTPUT_STEP;
inline constexpr double samples = PELZAK_SAMPLES;

// Configuration arrays are stored axis by axis: all x, then all y, then all z.
inline constexpr int config_size = 3 * atoms;
inline constexpr int x_axis = 0;
inline constexpr int y_axis = atoms;
inline constexpr int z_axis = 2 * atoms;

static_assert(cutoff == 2.25 * sigma);
static_assert(cutoff_sq == cutoff * cutoff);
static_assert(four_eps == static_cast<double>(6.628e-21f));
static_assert(epsilon == four_eps / 4.0);
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
static_assert(samples == (output_step - 1) / sample_every + 1);
static_assert(four_thirds == 4.0 / 3.0);

}  // namespace pelzak::model
#endif

#endif /* PELZAK_MODEL_H */

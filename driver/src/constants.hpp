// The driver's fixed numbers, each with its unit and origin. The model itself (potential, box,
// thermostat) lives in the library; these are the values the driver needs for its own arithmetic:
// turning forces into accelerations, capping the push-off, reporting energies and times.
#pragma once

#include <cstdint>

namespace pelzak::md {

// Atoms in the box and bins of the g(r) histogram (the library's array extents).
inline constexpr int kAtoms = 864;
inline constexpr int kBins = 200;
inline constexpr int kConfigSize = 3 * kAtoms;  // one configuration array: all x, then all y, then all z

// Time step of the library's step, ps: single-precision 0.01 widened to double.
inline constexpr double kDt = static_cast<double>(0.01f);  // 0.009999999776482582
// dt^2, ps^2: the factor the step applies to the driving term (the square of the widened dt).
inline constexpr double kDt2 = kDt * kDt;  // 9.999999552965169e-05

// Argon atom mass, kg: single-precision 6.6335209e-26 widened, the same value the library uses.
inline constexpr double kMass = 6.633520874944591e-26;
// Newtons to nm/ps^2 per atom: a = F/m in m/s^2, and 1 m/s^2 = 1e9 nm / (1e12 ps)^2 = 1e-15 nm/ps^2.
inline constexpr double kAccelPerNewton = 1e-15 / kMass;  // 15074950676.300585 nm/ps^2 per N

// Target temperature of the velocity rescaling, K.
inline constexpr double kTargetTemperature = 94.4;

// Largest displacement the push-off lets the driving term cause in one step, nm (the term enters the
// position as dt^2 * d). 0.005 nm is 1.5 % of sigma: small enough that two overlapping atoms are
// eased apart over tens of steps instead of being thrown across the box in one.
inline constexpr double kPushOffMaxShift = 0.005;
// The matching cap on |d| per atom, nm/ps^2, and its square for the squared-norm test.
inline constexpr double kPushOffMaxDrive = kPushOffMaxShift / kDt2;  // 50.00000223517426
inline constexpr double kPushOffMaxDriveSq = kPushOffMaxDrive * kPushOffMaxDrive;

// Lennard-Jones energy unit, J: the library's 4 eps (single-precision value widened) over 4, exact.
inline constexpr double kEpsilon = 6.6279999350667254e-21 / 4.0;  // 1.6569999837666814e-21
// Lennard-Jones length unit and box side, nm (the library's values).
inline constexpr double kSigma = 0.34;
inline constexpr double kBox = 3.47786;

// g(r) binning of the library's sampler: bin width dr = L / 400, nm; number density 864 / L^3, nm^-3;
// samples taken by steps 1 to 1000 (steps 1, 21, ..., 981).
inline constexpr double kBinWidth = 0.00869465;
inline constexpr double kDensity = 20.538913010776728;
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kRdfSamples = 50.0;

// Production: the sampler's steps 1..1000.
inline constexpr std::int64_t kProductionSteps = 1000;

}  // namespace pelzak::md

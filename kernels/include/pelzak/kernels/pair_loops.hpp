// The library's two all-pairs loops over configuration arrays (864 atoms in the model's box): the
// Lennard-Jones forces and the g(r) pair-distance histogram, the plain reference loops beside the
// fast ones, and which fast ones run.
//
// The reference loops visit pairs (i, j), i ascending and for each i j ascending from i + 1, and
// accumulate in exactly that order, which fixes every bit of the results. Every fast kernel (the
// portable one, and vector ones for AVX2 and AVX-512 compiled for their instruction set alone)
// reproduces them bit for bit; the Lennard-Jones kernels keep a Verlet list between calls, checked
// against the positions passed in on every call.
#pragma once

namespace pelzak::kernels {

// Lennard-Jones pair loop. forces must be zeroed by the caller; each pair inside the cut-off
// adds its force (N) to atom i and subtracts it from atom j, and adds (q^12 - q^6), q = sigma/r,
// to *lj_sum (unscaled, in visiting order, starting from the value passed in).
void lj_pairs_reference(const double* positions, double* forces, double* lj_sum);

// Pair-distance histogram: every pair adds 2.0 to the bin its r / dr rounds to (0-based);
// pairs whose rounded r / dr exceeds 199, or is NaN, are counted nowhere.
void rdf_sample_reference(const double* positions, double* histogram);

// The loops force_atoms and radial_dist run: isa_for_this_call()'s kernels, bit for bit the same
// results as the two above.
void lj_pairs(const double* positions, double* forces, double* lj_sum);
void rdf_sample(const double* positions, double* histogram);

// The kernel sets: the reference loops, the portable kernels ("scalar"), and the vector kernels.
enum class Isa { reference, scalar, avx2, avx512 };

// Whether this build has the kernels of isa and this processor runs them.
bool isa_available(Isa isa);
// The kernels force_atoms and radial_dist (and the engine's loops) run on this call: while the
// processor rounds to nearest, the ones the environment variable PELZAK_ISA names ("reference",
// "scalar", "avx2", "avx512") if available, else the fastest available; in any other rounding mode
// the reference loops (the fast kernels' thresholds assume rounding to nearest). Decided afresh on
// every call: nothing is cached, so a test or a benchmark picks a kernel set by setting PELZAK_ISA.
Isa isa_for_this_call();
// The name PELZAK_ISA uses for isa.
const char* isa_name(Isa isa);

}  // namespace pelzak::kernels

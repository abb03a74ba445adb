// The pair loops and the step on coordinates chosen by the fuzzer: huge, infinite, NaN,
// subnormal, negative zero, exact half-box separations, anything a double can hold.
//
// A lattice of 864 atoms 0.35 nm apart (every atom has neighbours inside the cut-off) has some
// of its coordinates replaced by the input: each 10 bytes name a coordinate (2 bytes) and give
// its value (8 bytes). Then:
// - force_atoms and the g(r) sampling of radial_dist, under every kernel this machine can run
//   (PELZAK_ISA), must reproduce the scalar reference loops bit for bit (NaN as NaN);
// - the histogram is a heap block of exactly 200 doubles, so AddressSanitizer stops any write
//   outside it, and every bin holds a whole even count;
// - then the named coordinates move a little (by up to 0.127 nm, each by the low bits of its
//   own value's first byte) and force_atoms must again give the reference's results: the Verlet
//   list kept from the first round is reused or rebuilt as the moves demand;
// - leapfrog runs on the result; with UBSan every float-to-integer conversion is checked.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "check.hpp"
#include "pelzak/kernels/pair_loops.hpp"
#include "pelzak_aux.h"
#include "pelzak_model.h"

using pelzak::fuzz::require;
using pelzak::fuzz::same;

namespace {

using namespace pelzak::kernels;
namespace model = pelzak::model;

constexpr int n_values = 3 * model::atoms;
constexpr int lattice_side = 10;            // 10 x 10 x 9 sites hold 864 atoms
constexpr double lattice_spacing = 0.35;    // nm: just above sigma
constexpr std::int64_t sampling_step = 21;  // samples, opens no file, writes nothing

// The kernels the library may pick (PELZAK_ISA) besides the reference loops called directly
// below; one the processor lacks would fall back to another and only repeat it.
bool runs_here(const char* kernel) {
  if (std::strcmp(kernel, "avx2") == 0) return __builtin_cpu_supports("avx2");
  if (std::strcmp(kernel, "avx512") == 0) return __builtin_cpu_supports("avx512f");
  return true;
}
constexpr const char* kernels[] = {"scalar", "avx2", "avx512"};

// force_atoms under the kernel gives the reference loops' forces and energy, bit for bit.
void require_reference_forces(const char* kernel, double* positions, double* forces, const double* expected,
                              double expected_sum) {
  setenv("PELZAK_ISA", kernel, 1);
  double energy = 0.0;
  auxiliary_force_atoms(positions, forces, &energy);
  require(same(energy, model::four_eps * expected_sum));
  for (int n = 0; n < n_values; ++n) require(same(forces[n], expected[n]));
}

void lattice(double* positions) {
  for (int i = 0; i < model::atoms; ++i) {
    positions[model::x_axis + i] = (i % lattice_side) * lattice_spacing;
    positions[model::y_axis + i] = (i / lattice_side % lattice_side) * lattice_spacing;
    positions[model::z_axis + i] = (i / (lattice_side * lattice_side)) * lattice_spacing;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static double positions[n_values], velocities[n_values], forces[n_values], expected[n_values];
  lattice(positions);
  for (std::size_t at = 0; at + 10 <= size; at += 10) {
    const int n = (data[at] | data[at + 1] << 8) % n_values;
    std::memcpy(&positions[n], data + at + 2, sizeof(double));
  }

  double expected_sum = 0.0;
  std::memset(expected, 0, sizeof expected);
  lj_pairs_reference(positions, expected, &expected_sum);
  double* expected_histogram = new double[model::bins]();
  rdf_sample_reference(positions, expected_histogram);
  for (int b = 0; b < model::bins; ++b) {
    const double count = expected_histogram[b];
    require(count >= 0.0 && count == 2.0 * std::floor(count / 2.0));
  }

  for (const char* kernel : kernels) {
    if (!runs_here(kernel)) continue;
    require_reference_forces(kernel, positions, forces, expected, expected_sum);

    double* histogram = new double[model::bins]();
    auxiliary_radial_dist(&sampling_step, positions, histogram);
    for (int b = 0; b < model::bins; ++b) require(same(histogram[b], expected_histogram[b]));
    delete[] histogram;
  }
  delete[] expected_histogram;

  // Small moves after the list was made: reused, or rebuilt, never stale.
  for (std::size_t at = 0; at + 10 <= size; at += 10) {
    const int n = (data[at] | data[at + 1] << 8) % n_values;
    positions[n] += 0.001 * (data[at + 2] & 0x7F) * (data[at + 2] & 0x80 ? -1.0 : 1.0);
  }
  expected_sum = 0.0;
  std::memset(expected, 0, sizeof expected);
  lj_pairs_reference(positions, expected, &expected_sum);
  for (const char* kernel : kernels) {
    if (!runs_here(kernel)) continue;
    require_reference_forces(kernel, positions, forces, expected, expected_sum);
  }
  unsetenv("PELZAK_ISA");

  for (int n = 0; n < n_values; ++n) velocities[n] = forces[n] * 1e9;
  double kinetic = 0.0, temperature = 0.0;
  auxiliary_leapfrog(positions, velocities, forces, &kinetic, &temperature);
  require(!(kinetic < 0.0) && !(temperature < 0.0));
  return 0;
}

#include "memory_check.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "pelzak/analysis/correlations.hpp"
#include "pelzak/analysis/correlations_schedule.hpp"
#include "pelzak/analysis/dynamics.hpp"
#include "pelzak/formats/number_text.hpp"
#include "state_point.hpp"

namespace pelzak::md {

namespace {

// The memory available for new processes, bytes: MemAvailable, or the free pages where the kernel
// does not say.
double available_bytes() {
  if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    double kib = -1.0;
    while (std::fgets(line, sizeof line, f))
      if (std::sscanf(line, "MemAvailable: %lf kB", &kib) == 1) break;
    std::fclose(f);
    if (kib >= 0.0) return kib * 1024.0;
  }
  return static_cast<double>(sysconf(_SC_AVPHYS_PAGES)) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

std::string gigabytes(double bytes) { return formats::fixed(bytes / 1e9, 1) + " GB"; }

}  // namespace

double run_bytes(const Options& o) {
  const engine::StatePoint s = state_point(o);
  const double n = static_cast<double>(s.atoms);
  const double dt = s.time_step;
  // Engine: six configuration arrays (positions, velocities, forces, driving term, half-step
  // velocities, the list's build), rows of four for the kernels (positions and forces), and the list:
  // the pairs within cut-off + skin, each a 4-byte candidate, padded to blocks of 8.
  const double radius = s.cutoff_sigma * model::sigma + 0.1;
  const double candidates =
      0.5 * (n / (s.box * s.box * s.box)) * (4.0 / 3.0) * model::pi * radius * radius * radius;
  const double engine_bytes = n * (6 * 24 + 2 * 32 + 4 * (candidates + 8) + 64);
  // g(r) sampler: rows of four and five arrays of 32-bit words.
  const double rdf_bytes = n * (32 + 5 * 4);
  // Dynamics: the MSD's origins and the VACF's windows, per coordinate.
  const analysis::DynamicsPlan plan =
      analysis::plan_dynamics(dt, o.production_steps + 1, static_cast<int>(s.atoms), true, true);
  const double msd_slots =
      plan.msd() ? plan.msd_settings.max_lag / plan.msd_settings.origin_every + 1.0 : 0.0;
  const double vacf_window = plan.vacf() ? plan.vacf_settings.max_lag + 1.0 : 0.0;
  const double dynamics_bytes = 3.0 * n * 8.0 * (msd_slots + vacf_window + 2.0 * (vacf_window + 1.0) + 2.0);
  // Scattering: the self motion's ring of frames (6 of 3N, with its working rows), and S(k)'s
  // tables of one block of atoms, 6 (k_max L / 2 pi + 1) rows of 128, and running sums of 16 doubles
  // for each of its 7,500 vectors.
  const double sk_bytes =
      (6.0 * (analysis::correlations_schedule::sk_k_max * s.box / (2.0 * model::pi) + 1.0) * 128.0 +
       16.0 * analysis::correlations_schedule::sk_vectors_in_all) *
      8.0;
  const double correlations_bytes = n * 8.0 * (3.0 * 8.0) + sk_bytes;
  return engine_bytes + rdf_bytes + dynamics_bytes + correlations_bytes;
}

bool memory_suffices(const Options& o, std::string* message) {
  const double needed = run_bytes(o);
  const double available = available_bytes();
  if (needed <= available) return true;
  *message = "the run needs about " + gigabytes(needed) + " of memory (" +
             formats::fixed(needed / static_cast<double>(state_point(o).atoms), 0) +
             " bytes per atom), and " + gigabytes(available) +
             " is available; run fewer atoms or a shorter production";
  return false;
}

}  // namespace pelzak::md

#include "analyse.hpp"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>

#include "dump_dynamics.hpp"
#include "export.hpp"
#include "format.hpp"
#include "lammps_log.hpp"
#include "output_set.hpp"
#include "pelzak/formats/file_names.hpp"
#include "rdf_curve.hpp"
#include "status.hpp"
#include "svg_plot.hpp"

namespace pelzak::lammps {

namespace {

using md::fixed;

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// The thermo averages of the run, when its log is there: a comparison with pelzak_md's summary.
void print_thermo_summary(const std::string& log) {
  if (!exists(log)) return;
  ThermoTable table;
  std::string message;
  if (!read_thermo(log, table, &message)) {
    warn(message);
    return;
  }
  double temperature = 0.0, potential = 0.0;
  const bool has_t = column_mean(table, "Temp", &temperature);
  const bool has_pe = column_mean(table, "v_pe_eps", &potential);
  if (!has_t && !has_pe) return;
  std::printf("LAMMPS thermo (%zu rows of %s):", table.rows.size(), log.c_str());
  if (has_t) std::printf(" mean temperature %s K", fixed(temperature, 2).c_str());
  if (has_pe)
    std::printf("%s mean potential energy %s eps per atom", has_t ? "," : "", fixed(potential, 4).c_str());
  std::printf("\n");
}

}  // namespace

long long rdf_stride(const Dump& dump) {
  const double spacing = frame_spacing(dump);
  if (spacing == 0.0) return 1;
  const double n = std::round(kRdfSampleTime / spacing);
  return n >= 1.0 ? static_cast<long long>(n) : 1;
}

std::size_t dump_rdf(const Dump& dump, md::RdfCurve& curve) {
  double histogram[model::bins] = {};
  const long long stride = rdf_stride(dump);
  std::size_t samples = 0;
  for (std::size_t f = 0; f < dump.frames(); f += stride, ++samples)
    analysis::rdf_sample(dump.frame_positions(f), dump.atoms, dump.box, histogram);
  analysis::rdf_normalise(histogram, dump.atoms, dump.box, static_cast<double>(samples), curve.label,
                          curve.g);
  return samples;
}

int run_analyse(const AnalyseOptions& options) {
  const std::string path =
      options.dump.empty() ? options.dir + "/" + formats::lammps_dump_file : options.dump;
  std::string message, warning;
  Dump dump;
  if (!read_dump(path, options.read, dump, &message, &warning)) {
    report(message);
    return kExitFailure;
  }
  if (!warning.empty()) warn(warning);
  if (!make_folder(options.dir, &message)) {
    report(message);
    return kExitFailure;
  }

  md::RdfCurve curve;
  const std::size_t rdf_frames = dump_rdf(dump, curve);
  DumpDynamics dynamics;
  const std::string what = std::to_string(dump.atoms) + " Lennard-Jones atoms at 94.4 K (LAMMPS), box " +
                           fixed(dump.box, 4) + " nm; ";
  if (!dump_dynamics(dump, what + fixed(dump.times.back() - dump.times.front(), 2) + " ps", dynamics,
                     &message)) {
    report(message);
    return kExitFailure;
  }
  for (const std::string& note : dynamics.notes) std::fprintf(stderr, "pelzak_lammps: %s\n", note.c_str());

  // The new results, all or none; then the files of an earlier analysis that this one does not
  // replace, so that none of them passes for a result of this dump.
  OutputSet out(options.dir);
  const std::string rdf_subtitle = what + std::to_string(rdf_frames) + " frames from step " +
                                   std::to_string(dump.timesteps.front()) + " to " +
                                   std::to_string(dump.timesteps.back());
  const struct {
    const char* name;
    bool made;
    std::string text;
  } files[] = {
      {formats::rdf_file, true, analysis::rdf_table(curve.label, curve.g)},
      {formats::rdf_plot_file, true, md::rdf_svg(curve, rdf_subtitle)},
      {formats::msd_file, dynamics.msd, dynamics.msd_csv},
      {formats::vacf_file, dynamics.vacf, dynamics.vacf_csv},
      {formats::spectrum_file, dynamics.vacf, dynamics.spectrum_csv},
      {formats::dynamics_plot_file, !dynamics.plot.empty(), dynamics.plot},
  };
  for (const auto& file : files) {
    if (file.made && !out.stage(file.name, file.text, &message)) {
      report(message);
      return kExitFailure;
    }
  }
  if (!out.commit(&message)) {
    report(message);
    return kExitFailure;
  }
  std::string written;
  for (const auto& file : files) {
    if (file.made) {
      written += written.empty() ? "" : ", ";
      written += out.path(file.name);
    } else if (!out.remove_stale(file.name, &message)) {
      report(message);
      return kExitFailure;
    }
  }

  const md::RdfPeak peak = md::rdf_peak(curve);
  std::printf("dump: %lld atoms, box %s nm, %zu frames (steps %lld to %lld)\n",
              static_cast<long long>(dump.atoms), fixed(dump.box, 5).c_str(), dump.frames(),
              static_cast<long long>(dump.timesteps.front()), static_cast<long long>(dump.timesteps.back()));
  std::printf("g(r) from %zu frames: first peak %s at r/sigma = %s\n", rdf_frames, fixed(peak.g, 4).c_str(),
              fixed(peak.label, 4).c_str());
  std::fputs(dynamics.summary.c_str(), stdout);
  print_thermo_summary(options.dir + "/" + formats::lammps_log_file);
  std::printf("wrote %s\n", written.c_str());
  return finish_stdout();
}

}  // namespace pelzak::lammps

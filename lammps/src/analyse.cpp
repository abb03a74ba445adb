#include "analyse.hpp"

#include <sys/stat.h>

#include <cstdio>

#include "export.hpp"
#include "format.hpp"
#include "lammps_log.hpp"
#include "output_set.hpp"
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

std::string rdf_subtitle(const Dump& dump) {
  return std::to_string(dump.atoms) + " Lennard-Jones atoms at 94.4 K (LAMMPS), box " + fixed(dump.box, 4) +
         " nm; " + std::to_string(dump.frames()) + " frames from step " +
         std::to_string(dump.timesteps.front()) + " to " + std::to_string(dump.timesteps.back());
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

void dump_rdf(const Dump& dump, md::RdfCurve& curve) {
  double histogram[model::bins] = {};
  for (std::size_t f = 0; f < dump.frames(); ++f)
    analysis::rdf_sample(dump.frame_positions(f), dump.atoms, dump.box, histogram);
  analysis::rdf_normalise(histogram, dump.atoms, dump.box, static_cast<double>(dump.frames()), curve.label,
                          curve.g);
}

int run_analyse(const AnalyseOptions& options) {
  const std::string path = options.dump.empty() ? options.dir + "/" + kDumpFile : options.dump;
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

  OutputSet out(options.dir);
  md::RdfCurve curve;
  dump_rdf(dump, curve);
  if (!out.stage(kRdfFile, analysis::rdf_table(curve.label, curve.g), &message) ||
      !out.stage(kRdfPlot, md::rdf_svg(curve, rdf_subtitle(dump)), &message)) {
    report(message);
    return kExitFailure;
  }
  if (!out.commit(&message)) {
    report(message);
    return kExitFailure;
  }

  const md::RdfPeak peak = md::rdf_peak(curve);
  std::printf("dump: %lld atoms, box %s nm, %zu frames (steps %lld to %lld)\n",
              static_cast<long long>(dump.atoms), fixed(dump.box, 5).c_str(), dump.frames(),
              static_cast<long long>(dump.timesteps.front()), static_cast<long long>(dump.timesteps.back()));
  std::printf("g(r): first peak %s at r/sigma = %s\n", fixed(peak.g, 4).c_str(),
              fixed(peak.label, 4).c_str());
  print_thermo_summary(options.dir + "/" + kLogFile);
  std::printf("wrote %s, %s\n", out.path(kRdfFile).c_str(), out.path(kRdfPlot).c_str());
  return finish_stdout();
}

}  // namespace pelzak::lammps

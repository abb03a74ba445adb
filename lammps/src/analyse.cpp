#include "analyse.hpp"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "dump_dynamics.hpp"
#include "export.hpp"
#include "lammps_log.hpp"
#include "pelzak/analysis/correlations.hpp"
#include "pelzak/analysis/correlations_schedule.hpp"
#include "pelzak/analysis/rdf_svg.hpp"
#include "pelzak/analysis/summary.hpp"
#include "pelzak/engine/rdf_sampler.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/file_set.hpp"
#include "pelzak/formats/number_text.hpp"
#include "status.hpp"
#include "xyz_trajectory.hpp"

namespace pelzak::lammps {

namespace {

using formats::fixed;

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
  const double n = std::round(rdf_sample_time / spacing);
  return n >= 1.0 ? static_cast<long long>(n) : 1;
}

std::size_t dump_rdf(const Dump& dump, analysis::RdfCurve& curve) {
  double histogram[model::bins] = {};
  // pelzak_md's sampler: whole counts from the vector kernels, the plain loop's histogram to the bit.
  engine::RdfSampler sampler(engine::StatePoint{.atoms = static_cast<long>(dump.atoms), .box = dump.box});
  const long long stride = rdf_stride(dump);
  std::size_t samples = 0;
  for (std::size_t f = 0; f < dump.frames(); f += stride, ++samples)
    sampler.sample(dump.frame_positions(f), histogram);
  curve = analysis::rdf_curve(histogram, dump.atoms, dump.box, static_cast<double>(samples));
  return samples;
}

namespace {

// What the analysis of a dump comes to: g(r) and the dynamics, described for the plots.
struct Analysis {
  analysis::RdfCurve curve;
  std::size_t rdf_frames = 0;
  analysis::DynamicsReport dynamics;
  bool scattering = false;  // G_s, F_s and S(k): positions unwrapped, frames evenly spaced
  analysis::CorrelationsReport correlations;
  std::string rdf_subtitle;
};

// The scattering functions of the frames, as pelzak_md takes them from its production. A dump carries
// no pressure tensor, so there is no viscosity here (LAMMPS's compute pressure would give it; the
// export does not ask for it, as a tensor every step would double the dump).
bool dump_scattering(const Dump& dump, const std::string& subtitle, Analysis& a, std::string* message) {
  const double spacing = frame_spacing(dump);
  const double span = dump.times.back() - dump.times.front();
  const char* lacks = !dump.continuous ? "the positions are wrapped without image flags"
                      : spacing <= 0.0 ? "the frames are not evenly spaced"
                                       : nullptr;
  const std::string why = lacks != nullptr ? lacks
                          : span < analysis::correlations_schedule::self_lag_time - 0.5 * spacing
                              ? "the frames span " + formats::rounded(span, 4) +
                                    " ps, less than the 10 ps G_s and F_s are followed to"
                              : "";
  if (!why.empty()) {
    report(why + ": G_s, F_s and S(k) skipped");
    return true;
  }
  auto t = std::make_unique<analysis::Correlations>();
  if (!analysis::correlations_start(*t, static_cast<long>(dump.atoms), dump.box, spacing, message))
    return false;
  for (std::size_t f = 0; f < dump.frames(); ++f)
    analysis::correlations_add_positions(*t, static_cast<std::int64_t>(f), dump.frame_positions(f));
  a.correlations = analysis::correlations_report(*t, a.curve, subtitle);
  a.scattering = true;
  return true;
}

bool analyse_dump(const Dump& dump, Analysis& a, std::string* message) {
  a.rdf_frames = dump_rdf(dump, a.curve);
  const std::string what = std::to_string(dump.atoms) + " Lennard-Jones atoms at 94.4 K (" + dump.program +
                           "), box " + fixed(dump.box, 4) + " nm; ";
  std::vector<std::string> notes;
  if (!dump_dynamics(dump, what + fixed(dump.times.back() - dump.times.front(), 2) + " ps", a.dynamics, notes,
                     message))
    return false;
  for (const std::string& note : notes) report(note);
  if (!dump_scattering(dump, what + fixed(dump.times.back() - dump.times.front(), 2) + " ps", a, message))
    return false;
  a.rdf_subtitle = what + std::to_string(a.rdf_frames) + " frames from step " +
                   std::to_string(dump.timesteps.front()) + " to " + std::to_string(dump.timesteps.back());
  return true;
}

// The new results, all or none, with the files of an earlier analysis that this one does not
// replace gone, so that none of them passes for a result of this dump. *written lists the files
// written.
bool write_results(const std::string& dir, const Analysis& a, std::string* written, std::string* message) {
  const analysis::DynamicsReport& d = a.dynamics;
  const struct {
    const char* name;
    bool made;
    std::string text;
  } files[] = {
      {formats::rdf_file, true, analysis::rdf_table(a.curve)},
      {formats::rdf_plot_file, true, analysis::rdf_svg(a.curve, a.rdf_subtitle)},
      {formats::msd_file, d.msd, d.msd_csv},
      {formats::vacf_file, d.vacf, d.vacf_csv},
      {formats::spectrum_file, d.vacf, d.spectrum_csv},
      {formats::dynamics_plot_file, !d.plot.empty(), d.plot},
      {formats::vanhove_file, a.scattering, a.correlations.vanhove_csv},
      {formats::fsk_file, a.scattering, a.correlations.fsk_csv},
      {formats::sk_file, a.scattering, a.correlations.sk_csv},
      {formats::scattering_plot_file, a.scattering, a.correlations.plot},
  };
  formats::FileSet out;
  out.owner = "pelzak_lammps";
  out.folder = dir;
  for (const auto& file : files) out.members.push_back(file.name);
  std::string note;
  if (!formats::file_set_open(out, message) || !formats::file_set_settle_leftover(out, &note, message))
    return false;
  if (!note.empty()) report(note);
  if (!formats::file_set_check(out, message) || !formats::staging_create(out, message)) return false;
  for (const auto& file : files)
    if (file.made && !formats::staging_write(out, file.name, file.text, message)) return false;
  std::vector<std::string> names, removed;
  if (!formats::file_set_commit(out, &names, &removed, message)) return false;
  for (const std::string& name : names) *written += (written->empty() ? "" : ", ") + dir + "/" + name;
  return true;
}

void print_summary(const Dump& dump, const Analysis& a) {
  std::printf("%s: %lld atoms, box %s nm, %zu frames (steps %lld to %lld)\n",
              dump.program == "LAMMPS" ? "dump" : "trajectory", static_cast<long long>(dump.atoms),
              fixed(dump.box, 5).c_str(), dump.frames(), static_cast<long long>(dump.timesteps.front()),
              static_cast<long long>(dump.timesteps.back()));
  const std::string rdf_what = "g(r) from " + std::to_string(a.rdf_frames) + " frames";
  std::fputs((analysis::rdf_peak_line(rdf_what, analysis::rdf_peak(a.curve)) + a.dynamics.summary +
              a.correlations.summary)
                 .c_str(),
             stdout);
}

}  // namespace

int run_analyse(const AnalyseOptions& options) {
  const std::string path = !options.xyz.empty()   ? options.xyz
                           : options.dump.empty() ? options.dir + "/" + formats::lammps_dump_file
                                                  : options.dump;
  const bool xyz = path.size() >= 4 && path.compare(path.size() - 4, 4, ".xyz") == 0;
  std::string message, warning, written, note;
  Dump dump;
  if (!(xyz ? read_xyz(path, options.read, dump, &message, &warning, &note)
            : read_dump(path, options.read, dump, &message, &warning)))
    return failure(message);
  if (!warning.empty()) warn(warning);
  if (!note.empty()) report(note);
  Analysis a;
  if (!analyse_dump(dump, a, &message) || !write_results(options.dir, a, &written, &message))
    return failure(message);
  print_summary(dump, a);
  print_thermo_summary(options.dir + "/" + formats::lammps_log_file);
  std::printf("wrote %s\n", written.c_str());
  return finish_stdout();
}

}  // namespace pelzak::lammps

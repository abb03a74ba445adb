#include "dump_dynamics.hpp"

#include <cmath>

#include "pelzak/formats/number_text.hpp"

namespace pelzak::lammps {

namespace schedule = analysis::schedule;
using analysis::Skipped;
using formats::fixed;

double frame_spacing(const Dump& dump) {
  if (dump.frames() < 2) return 0.0;
  const double spacing = dump.times[1] - dump.times[0];
  if (!(spacing > 0.0)) return 0.0;
  for (std::size_t f = 1; f + 1 < dump.frames(); ++f)
    if (!(std::fabs(dump.times[f + 1] - dump.times[f] - spacing) <= 1e-6 * spacing)) return 0.0;
  return spacing;
}

std::string skipped_note(Skipped why, double run, double spacing) {
  switch (why) {
    case Skipped::no: return "";
    case Skipped::wrapped_positions:
      return "the positions are wrapped into the box without image flags: MSD and Einstein D skipped";
    case Skipped::short_for_msd_fit:
      return "the run is " + fixed(run, 2) + " ps long; the MSD's fit from " + fixed(schedule::fit_start, 0) +
             " ps needs more than " + fixed(2 * schedule::fit_start, 0) + " ps: MSD and Einstein D skipped";
    case Skipped::no_velocities:
      return "the dump has no velocities (vx vy vz): VACF, spectrum and Green-Kubo D skipped";
    case Skipped::frames_far_apart:
      return "frames " + fixed(spacing, 3) +
             " ps apart are too far apart for the VACF, which changes sign after about 0.3 ps (it needs "
             "frames at most " +
             fixed(schedule::vacf_frame_time, 2) +
             " ps apart: export with --dump-every 4): VACF, spectrum and Green-Kubo D skipped";
    case Skipped::short_for_vacf:
      return "the run is too short for a VACF: VACF, spectrum and Green-Kubo D skipped";
  }
  return "";
}

bool dump_dynamics(const Dump& dump, const std::string& subtitle, analysis::DynamicsReport& out,
                   std::vector<std::string>& notes, std::string* message) {
  out = analysis::DynamicsReport{};
  const double spacing = frame_spacing(dump);
  if (spacing == 0.0) {
    notes.push_back(dump.frames() < 2 ? "one frame only: MSD, VACF and D skipped"
                                      : "the frames are not evenly spaced in time: MSD, VACF and D skipped");
    return true;
  }
  const long long frames = static_cast<long long>(dump.frames());
  const analysis::DynamicsPlan plan = analysis::plan_dynamics(spacing, frames, static_cast<int>(dump.atoms),
                                                              dump.continuous, dump.has_velocities);
  for (Skipped why : {plan.msd_skipped, plan.vacf_skipped})
    if (why != Skipped::no) notes.push_back(skipped_note(why, plan.run, spacing));
  analysis::Dynamics d;
  if (!analysis::dynamics_start(d, plan, message)) return false;
  for (long long f = 0; f < frames; ++f) {
    analysis::add_positions(d, f, dump.frame_positions(f));
    if (static_cast<std::size_t>(f) < dump.velocity_frames())
      analysis::add_velocities(d, f, dump.frame_velocities(f));
  }
  out = analysis::dynamics_report(d, subtitle);
  return true;
}

}  // namespace pelzak::lammps

// What a finished run comes to: its figures, the summary it prints, the same figures for programs
// ("summary_argon.json"), and the text of its g(r) files.
#pragma once

#include <string>

#include "pelzak/analysis/correlations.hpp"
#include "pelzak/analysis/dynamics.hpp"
#include "pelzak/driver/job.hpp"
#include "simulation.hpp"
#include "start.hpp"

namespace pelzak::md {

struct RunSummary {
  JobFigures figures;
  analysis::DynamicsReport dynamics;
  analysis::CorrelationsReport correlations;  // G_s, F_s, S(k), the viscosity: their files, plot and lines
  std::string text;                           // the summary printed at the end (lines ending in line feeds)
  std::string json;                           // "summary_argon.json"
  std::string rdf_table;    // "rdf_argon.dat": the first 1000 production steps, as the library writes it
  std::string rdf_plot;     // "rdf_argon.svg": g(r) over the whole production
  std::string rdf_csv;      // "rdf_production_argon.csv": the same curve as numbers
  std::string thermo_plot;  // "thermo_argon.svg": the logged temperature, energy and pressure
};

RunSummary summarise(State& s, const Start& start);

}  // namespace pelzak::md

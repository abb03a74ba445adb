// The main job end to end: generator, then driver with its defaults, checked against the reference
// g(r) of the same model. Deterministic, so the figures are fixed and a second run must repeat the
// first byte for byte.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "options.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "pelzak/formats/file_names.hpp"
#include "pelzak/formats/number_text.hpp"
#include "programs.hpp"
#include "rdf_compare.hpp"
#include "support.hpp"

namespace pelzak::md {
namespace {

using analysis::rdf_peak;
using analysis::RdfCurve;
using analysis::RdfPeak;
using formats::fixed;

using pelzak::test::rdf_max_difference;
using pelzak::test::read_bytes;
using pelzak::test::read_rdf_file;
using pelzak::test::run_program;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;

using pelzak::test::driver_program;
using pelzak::test::generator_program;

std::vector<std::string> fields(const std::string& row) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t comma; (comma = row.find(',', start)) != std::string::npos; start = comma + 1)
    out.push_back(row.substr(start, comma - start));
  out.push_back(row.substr(start));
  return out;
}

double number(const std::string& text) {
  double v = NAN;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << "not a number: " << text;
  return v;
}

struct Job {
  pelzak::test::RunResult result;
  std::string rdf, thermo, svg, xyz, json;
};

// A number of the summary's JSON: the text after "key": up to the comma or line feed.
double json_number(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return NAN;
  const std::size_t begin = at + key.size() + 4;
  return number(json.substr(begin, json.find_first_of(",\n", begin) - begin));
}

Job run_job() {
  ScratchDir dir;
  Job job;
  EXPECT_EQ(run_program({generator_program}).status, 0);
  job.result = run_program({driver_program, "--xyz-every", "500"});
  for (const char* name :
       {"ar_simulation.dat", "rdf_argon.dat", "thermo_argon.csv", "rdf_argon.svg", "traj_argon.xyz"})
    EXPECT_TRUE(std::filesystem::exists(name)) << name;
  job.rdf = read_bytes("rdf_argon.dat");
  job.thermo = read_bytes("thermo_argon.csv");
  job.svg = read_bytes("rdf_argon.svg");
  job.xyz = read_bytes("traj_argon.xyz");
  job.json = read_bytes(formats::summary_file);
  return job;
}

TEST(DriverFullJob, GeneratorStartBecomesTheReferenceLiquid) {
  const Job job = run_job();
  ASSERT_EQ(job.result.status, 0) << job.result.err;

  // g(r): 200 finite bins, first peak where and as high as the reference's, the whole curve close.
  ScratchDir dir;
  pelzak::test::write_bytes("rdf_argon.dat", job.rdf);
  RdfCurve run, ref;
  std::string message;
  ASSERT_TRUE(read_rdf_file("rdf_argon.dat", run, &message)) << message;
  ASSERT_TRUE(read_rdf_file(pelzak::test::reference_rdf_file(), ref, &message)) << message;
  for (int b = 0; b < model::bins; ++b) ASSERT_TRUE(std::isfinite(run.g[b])) << "bin " << b + 1;
  const RdfPeak peak = rdf_peak(run);
  const double difference = rdf_max_difference(run, ref);
  EXPECT_NEAR(peak.label, pelzak::test::peak_label, pelzak::test::peak_label_tolerance);
  EXPECT_GE(peak.g, pelzak::test::peak_lowest);
  EXPECT_LE(peak.g, pelzak::test::peak_highest);
  EXPECT_LE(difference, pelzak::test::largest_difference);

  // The log: a header and a finite row every 10th step of each phase and its first, phases in order.
  const auto log = split_lines(job.thermo);
  const int production = static_cast<int>(Options{}.production_steps);
  ASSERT_EQ(log.size(), 1u + (1 + 500 / 10) + (1 + 1500 / 10) + (1 + production / 10));
  EXPECT_EQ(log[0],
            "phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K,"
            "potential_eps_per_atom,kinetic_eps_per_atom,total_eps_per_atom,pressure_bar");
  double potential = 0.0, temperature = 0.0, pressure = 0.0;
  int rows = 0;
  for (size_t n = 1; n < log.size(); ++n) {
    const auto f = fields(log[n]);
    ASSERT_EQ(f.size(), 11u) << log[n];
    for (int k = 3; k < 11; ++k) ASSERT_TRUE(std::isfinite(number(f[k]))) << log[n];
    const int step = std::stoi(f[1]);
    EXPECT_TRUE(step == 1 || step % 10 == 0) << log[n];
    if (f[0] == "production" && step % 10 == 0)
      potential += number(f[7]), temperature += number(f[6]), pressure += number(f[10]), ++rows;
  }
  EXPECT_EQ(log[52].rfind("equilibration,1,5.00,", 0), 0u) << log[52];
  EXPECT_EQ(log[203].rfind("production,1,20.00,", 0), 0u) << log[203];
  // The log's every 10th step sees what the summary's means over every step see, within their scatter.
  const double potential_per_atom = json_number(job.json, "mean_potential_energy_eps_per_atom");
  EXPECT_NEAR(potential_per_atom, -5.19, 0.03);
  EXPECT_NEAR(potential / rows, potential_per_atom, 0.003);
  EXPECT_NEAR(temperature / rows, 94.4, 0.5);
  EXPECT_NEAR(pressure / rows, json_number(job.json, "mean_pressure_bar"), 5.0);
  EXPECT_EQ(json_number(job.json, "atoms"), model::atoms);
  EXPECT_NEAR(json_number(job.json, "mean_on_step_temperature_K"), 95.4, 0.3);
  // Rahman's findings: G_s furthest from its Gaussian at a few ps, S(k)'s main peak near k sigma = 7,
  // and the viscosity where LAMMPS has it for this liquid (0.206 +- 0.005 mPa s).
  const double departure = json_number(job.json, "gs_largest_departure_ps");
  EXPECT_TRUE(departure > 1.0 && departure < 6.0) << departure;
  EXPECT_NEAR(json_number(job.json, "sk_peak_per_angstrom") * 10.0 * model::sigma, 7.0, 0.5);
  EXPECT_NEAR(json_number(job.json, "viscosity_mPa_s"), 0.206,
              3.0 * std::hypot(json_number(job.json, "viscosity_mPa_s_error"), 0.005));

  // The summary repeats the figures; the progress went to stderr as plain lines.
  const double shown_peak = json_number(job.json, "rdf_first_peak");
  EXPECT_NE(job.result.out.find("g(r) over the whole production (1000 samples): first peak " +
                                fixed(shown_peak, 4)),
            std::string::npos)
      << job.result.out;
  EXPECT_NE(job.result.out.find("mean potential energy " + fixed(potential_per_atom, 4) + " +- "),
            std::string::npos)
      << job.result.out;
  EXPECT_NE(job.result.err.find("push-off step 250/500: T = "), std::string::npos) << job.result.err;
  const std::string last = std::to_string(production);
  EXPECT_NE(job.result.err.find("production step " + last + "/" + last + ": T = "), std::string::npos)
      << job.result.err;

  // Plot and trajectory: the start and every 500th step.
  EXPECT_EQ(job.svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(job.svg.find("first peak: g = " + fixed(shown_peak, 3)), std::string::npos);
  const auto xyz = split_lines(job.xyz);
  ASSERT_EQ(xyz.size(), (1u + (2000 + production) / 500) * 866);
  EXPECT_NE(xyz[6 * 866 + 1].find("time_ps=30.00 phase=production step=1000"), std::string::npos);

  std::cout << "first peak " << peak.g << " at r/sigma " << peak.label
            << ", largest difference from the reference " << difference << ", mean potential energy "
            << potential_per_atom << " eps per atom\n";

  // The whole pipeline is deterministic.
  const Job again = run_job();
  EXPECT_EQ(again.result.status, 0);
  EXPECT_TRUE(again.rdf == job.rdf);
  EXPECT_TRUE(again.thermo == job.thermo);
  EXPECT_TRUE(again.xyz == job.xyz);
  EXPECT_TRUE(again.svg == job.svg);
  EXPECT_TRUE(again.json == job.json);
}

}  // namespace
}  // namespace pelzak::md

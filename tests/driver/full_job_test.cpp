// The main job end to end: generator, then driver with its defaults, checked against the reference
// g(r) of the same model. Deterministic, so the figures are fixed and a second run must repeat the
// first byte for byte.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "constants.hpp"
#include "options.hpp"
#include "pelzak/analysis/number_text.hpp"
#include "pelzak/analysis/rdf_curve.hpp"
#include "programs.hpp"
#include "rdf_compare.hpp"
#include "support.hpp"

namespace pelzak::md {
namespace {

using analysis::fixed;
using analysis::rdf_peak;
using analysis::RdfCurve;
using analysis::RdfPeak;

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
  std::string rdf, thermo, svg, xyz;
};

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

  // The log: a header and one finite row per step, phases in order, numbered from 1 in each.
  const auto log = split_lines(job.thermo);
  const int production = static_cast<int>(Options{}.production_steps);
  ASSERT_EQ(log.size(), 1u + 500 + 1500 + production);
  EXPECT_EQ(log[0],
            "phase,step,time_ps,potential_J,kinetic_J,total_J,temperature_K,"
            "potential_eps_per_atom,kinetic_eps_per_atom,total_eps_per_atom");
  double potential = 0.0, temperature = 0.0, potential_eps = 0.0;
  for (size_t n = 1; n < log.size(); ++n) {
    const auto f = fields(log[n]);
    ASSERT_EQ(f.size(), 10u) << log[n];
    const size_t step = n <= 500 ? n : n <= 2000 ? n - 500 : n - 2000;
    EXPECT_EQ(f[0], n <= 500 ? "push-off" : n <= 2000 ? "equilibration" : "production");
    EXPECT_EQ(f[1], std::to_string(step));
    for (int k = 3; k < 10; ++k) ASSERT_TRUE(std::isfinite(number(f[k]))) << log[n];
    if (n > 2000) potential += number(f[3]), temperature += number(f[6]), potential_eps += number(f[7]);
  }
  EXPECT_EQ(fields(log[2001])[2], "20.00");
  const double potential_per_atom = potential / production / (model::atoms * model::epsilon);
  EXPECT_NEAR(potential_per_atom, -5.19, 0.03);
  EXPECT_NEAR(potential_eps / production, potential_per_atom,
              1e-12);  // the log's column in the summary's unit
  EXPECT_NEAR(temperature / production, 94.4, 0.5);

  // The summary repeats the figures; the progress went to stderr as plain lines.
  EXPECT_NE(
      job.result.out.find("g(r): first peak " + fixed(peak.g, 4) + " at r/sigma = " + fixed(peak.label, 4)),
      std::string::npos)
      << job.result.out;
  EXPECT_NE(job.result.out.find("mean potential energy " + fixed(potential_per_atom, 4) + " eps per atom"),
            std::string::npos)
      << job.result.out;
  EXPECT_NE(job.result.err.find("push-off step 250/500: T = "), std::string::npos) << job.result.err;
  const std::string last = std::to_string(production);
  EXPECT_NE(job.result.err.find("production step " + last + "/" + last + ": T = "), std::string::npos)
      << job.result.err;

  // Plot and trajectory: the start and every 500th step.
  EXPECT_EQ(job.svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(job.svg.find("first peak: g = " + fixed(peak.g, 3)), std::string::npos);
  const auto xyz = split_lines(job.xyz);
  ASSERT_EQ(xyz.size(), (1u + (2000 + production) / 500) * 866);
  EXPECT_NE(xyz[6 * 866 + 1].find("time_ps=30.00 phase=production step=1000"), std::string::npos);

  std::cout << "first peak " << peak.g << " at r/sigma " << peak.label
            << ", largest difference from the reference " << difference << ", mean potential energy "
            << potential_per_atom << " eps per atom, mean temperature " << temperature / production << " K\n";

  // The whole pipeline is deterministic.
  const Job again = run_job();
  EXPECT_EQ(again.result.status, 0);
  EXPECT_TRUE(again.rdf == job.rdf);
  EXPECT_TRUE(again.thermo == job.thermo);
  EXPECT_TRUE(again.xyz == job.xyz);
  EXPECT_TRUE(again.svg == job.svg);
}

}  // namespace
}  // namespace pelzak::md

// The default job's dynamics against an independent reference: LAMMPS on the same model and state
// point with the same kind of thermostat (tests/analysis/data/README.md says how it was made).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "programs.hpp"
#include "support.hpp"

namespace {

using pelzak::test::driver_program;
using pelzak::test::generator_program;
using pelzak::test::read_bytes;
using pelzak::test::run_program;
using pelzak::test::ScratchDir;
using pelzak::test::split_lines;

// LAMMPS, 864 atoms, velocities rescaled to 94.4 K after every step, 4 runs x 100 windows of 25 ps.
constexpr double lammps_d = 2.564;              // e-5 cm^2/s, Einstein 2-10 ps (+- 0.009; Green-Kubo 2.571)
constexpr double lammps_vacf_zero = 0.318;      // ps
constexpr double lammps_vacf_min_time = 0.441;  // ps
constexpr double lammps_vacf_min = -0.080;
constexpr double lammps_alpha2_peak = 0.119;
constexpr double lammps_alpha2_peak_time = 2.06;  // ps; the peak is flat from 1.5 to 3 ps
constexpr double lammps_spectrum_peak = 0.51;     // THz; a broad maximum from 0.4 to 0.65 THz

struct Summary {
  double d_einstein = NAN, d_einstein_error = NAN, d_green_kubo = NAN, d_green_kubo_error = NAN;
  double vacf_zero = NAN, vacf_min = NAN, vacf_min_time = NAN;
  double alpha2_peak = NAN, alpha2_peak_time = NAN, spectrum_peak = NAN;
};

Summary parse_summary(const std::string& out) {
  Summary s;
  for (const std::string& line : split_lines(out)) {
    const char* l = line.c_str();
    if (line.find(" e-5 cm^2/s (Einstein)") != std::string::npos)
      std::sscanf(l, "D = %lf +- %lf", &s.d_einstein, &s.d_einstein_error);
    if (line.find(" e-5 cm^2/s (Green-Kubo)") != std::string::npos)
      std::sscanf(l, "D = %lf +- %lf", &s.d_green_kubo, &s.d_green_kubo_error);
    std::sscanf(l, "VACF: first zero at %lf ps, minimum %lf at %lf ps", &s.vacf_zero, &s.vacf_min,
                &s.vacf_min_time);
    std::sscanf(l, "alpha2: peak %lf at %lf ps", &s.alpha2_peak, &s.alpha2_peak_time);
    std::sscanf(l, "spectrum: main peak at %lf THz", &s.spectrum_peak);
  }
  return s;
}

std::vector<std::vector<double>> read_csv(const std::string& path) {
  std::vector<std::vector<double>> rows;
  const auto lines = split_lines(read_bytes(path));
  for (size_t n = 1; n < lines.size(); ++n) {
    std::vector<double> row;
    std::stringstream fields(lines[n]);
    for (std::string f; std::getline(fields, f, ',');) row.push_back(std::stod(f));
    rows.push_back(row);
  }
  return rows;
}

std::string first_lines(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t n = 0; n < count && end != std::string::npos; ++n) end = text.find('\n', end) + 1;
  return text.substr(0, end);
}

TEST(AnalysisJob, DefaultRunMovesLikeTheLammpsReference) {
  ScratchDir dir;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  const auto r = run_program({driver_program, "-q"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::cout << r.out;
  const Summary s = parse_summary(r.out);

  // D both ways within 10 % of the reference, each known to better than 5 %. (This liquid's
  // displacement velocities are about 1 K warmer than 94.4 K, which puts its D some 1.5 % higher.)
  EXPECT_NEAR(s.d_einstein, lammps_d, 0.10 * lammps_d);
  EXPECT_NEAR(s.d_green_kubo, lammps_d, 0.10 * lammps_d);
  EXPECT_LT(s.d_einstein_error, 0.05 * s.d_einstein);
  EXPECT_LT(s.d_green_kubo_error, 0.05 * s.d_green_kubo);
  EXPECT_GT(s.d_einstein_error, 0.0);
  EXPECT_NEAR(s.d_einstein, s.d_green_kubo, 0.05 * s.d_einstein);
  // The shape of the motion: the cage rebound and the departure from Gaussian displacements.
  EXPECT_NEAR(s.vacf_zero, lammps_vacf_zero, 0.01);
  EXPECT_NEAR(s.vacf_min_time, lammps_vacf_min_time, 0.02);
  EXPECT_NEAR(s.vacf_min, lammps_vacf_min, 0.01);
  EXPECT_NEAR(s.alpha2_peak, lammps_alpha2_peak, 0.025);
  EXPECT_NEAR(s.alpha2_peak_time, lammps_alpha2_peak_time, 0.8);
  EXPECT_NEAR(s.spectrum_peak, lammps_spectrum_peak, 0.1);

  // The files say what the summary says: the MSD's slope over 2-10 ps is the Einstein D, and the
  // VACF crosses zero where reported.
  const auto msd = read_csv("msd_argon.csv");
  ASSERT_EQ(msd.size(), 1001u);  // lags 0 to 100 ps, half the 200 ps production
  std::vector<double> t, y;
  for (const auto& row : msd)
    if (row[0] > 1.99 && row[0] < 10.01) t.push_back(row[0]), y.push_back(row[1]);
  ASSERT_EQ(t.size(), 81u);
  double tm = 0, ym = 0, stt = 0, sty = 0;
  for (size_t i = 0; i < t.size(); ++i) tm += t[i] / t.size(), ym += y[i] / t.size();
  for (size_t i = 0; i < t.size(); ++i) stt += (t[i] - tm) * (t[i] - tm), sty += (t[i] - tm) * (y[i] - ym);
  EXPECT_NEAR(sty / stt / 6 * 1000, s.d_einstein, 0.0051);
  const auto vacf = read_csv("vacf_argon.csv");
  ASSERT_EQ(vacf.size(), 128u);
  size_t i = 1;
  while (i < vacf.size() && vacf[i][1] > 0) ++i;
  ASSERT_LT(i, vacf.size());
  const double zero =
      vacf[i - 1][0] + (vacf[i][0] - vacf[i - 1][0]) * vacf[i - 1][1] / (vacf[i - 1][1] - vacf[i][1]);
  EXPECT_NEAR(zero, s.vacf_zero, 0.0006);

  // The analysis only watches: a run with the shortest production has the same g(r) and the same
  // log up to its end (whose last step it logs besides every 10th).
  const std::string rdf = read_bytes("rdf_argon.dat"), thermo = read_bytes("thermo_argon.csv");
  ScratchDir short_run;
  ASSERT_EQ(run_program({generator_program}).status, 0);
  ASSERT_EQ(run_program({driver_program, "-q", "--production", "1000"}).status, 0);
  EXPECT_TRUE(read_bytes("rdf_argon.dat") == rdf);
  const std::string short_thermo = read_bytes("thermo_argon.csv");
  EXPECT_EQ(split_lines(short_thermo).size(), 1u + 51 + 151 + 101);
  EXPECT_TRUE(first_lines(thermo, 304) == short_thermo);
}

}  // namespace

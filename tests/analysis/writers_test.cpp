#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "pelzak/analysis/dynamics_csv.hpp"
#include "pelzak/analysis/dynamics_svg.hpp"
#include "pelzak/analysis/summary.hpp"

namespace pelzak::analysis {
namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

MsdResult small_msd() {
  MsdResult m;
  for (int i = 0; i < 4; ++i) {
    m.time.push_back(i * (4 * 0.009999999776482582));  // frames 4 steps of the widened 0.01 ps apart
    m.msd.push_back(i * 0.006);
    m.alpha2.push_back(i == 0 ? 0.0 : 0.1 * i);
  }
  m.msd[2] = 0.1 + 0.2;  // 0.30000000000000004: values keep every digit
  m.fit = {0.0145, -0.0021};
  m.fit_start = 0.04;
  m.fit_end = 0.12;
  m.diffusion = 0.0145 / 6;
  m.diffusion_error = 0.00005;
  return m;
}

VacfResult small_vacf() {
  VacfResult v;
  const std::vector<double> psi = {1.0, 0.5, -0.125, -0.25, 0.0625};
  for (size_t i = 0; i < psi.size(); ++i) {
    v.time.push_back(i * 0.1);
    v.vacf.push_back(0.06 * psi[i]);
    v.normalised.push_back(psi[i]);
  }
  v.diffusion = 0.0024446;
  v.diffusion_error = 0.0000614;
  return v;
}

Spectrum small_spectrum() {
  Spectrum s;
  const std::vector<double> g = {0.3, 0.2, 0.45, 0.1, 0.05};
  for (size_t i = 0; i < g.size(); ++i) s.frequency.push_back(i * 0.5), s.density.push_back(g[i]);
  return s;
}

// Every element opened is closed in order; returns the first problem found, or "".
std::string xml_problem(const std::string& svg) {
  std::vector<std::string> open;
  for (size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
    const size_t end = svg.find('>', at);
    if (end == std::string::npos) return "unterminated tag";
    const std::string tag = svg.substr(at + 1, end - at - 1);
    if (tag.front() == '?' || tag.back() == '/') continue;
    if (tag.front() == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "stray </" + tag.substr(1) + ">";
      open.pop_back();
      continue;
    }
    open.push_back(tag.substr(0, tag.find(' ')));
  }
  return open.empty() ? "" : "unclosed <" + open.back() + ">";
}

TEST(AnalysisWriters, CsvFilesHaveTheirHeadersAndExactValues) {
  EXPECT_EQ(msd_csv(small_msd()),
            "t_ps,msd_nm2,alpha2\n"
            "0,0,0\n"
            "0.04,0.006,0.1\n"
            "0.08,0.30000000000000004,0.2\n"
            "0.12,0.018000000000000002,0.30000000000000004\n");
  EXPECT_EQ(vacf_csv(small_vacf()), "t_ps,vacf\n0,1\n0.1,0.5\n0.2,-0.125\n0.3,-0.25\n0.4,0.0625\n");
  EXPECT_EQ(spectrum_csv(small_spectrum()), "nu_THz,dos_per_THz\n0,0.3\n0.5,0.2\n1,0.45\n1.5,0.1\n2,0.05\n");
  MsdResult broken = small_msd();
  broken.alpha2[1] = not_a_number;
  broken.msd[3] = std::numeric_limits<double>::infinity();
  EXPECT_NE(msd_csv(broken).find("0.04,0.006,nan\n0.08,0.30000000000000004,0.2\n0.12,inf,"),
            std::string::npos);
}

TEST(AnalysisWriters, TextIgnoresTheLocale) {
  // A locale whose decimal point is a comma changes nothing (where such a locale is installed).
  const std::string before = msd_csv(small_msd()) + diffusion_line(0.00243, 0.00005, "Einstein", 50.0);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
  const std::string after = msd_csv(small_msd()) + diffusion_line(0.00243, 0.00005, "Einstein", 50.0);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(after, before);
}

TEST(AnalysisWriters, SummaryLines) {
  EXPECT_EQ(diffusion_line(0.00243, 0.00005, "Einstein", 50.0), "D = 2.43 +- 0.05 e-5 cm^2/s (Einstein)\n");
  // A run too short for two blocks says so, and how long a run would give an error.
  EXPECT_EQ(diffusion_line(0.00253, not_a_number, "Green-Kubo", 40.96),
            "D = 2.53 e-5 cm^2/s (Green-Kubo; too short for an error, which needs 40.96 ps of frames)\n");
  EXPECT_EQ(diffusion_line(not_a_number, not_a_number, "Green-Kubo", not_a_number),
            "D = nan e-5 cm^2/s (Green-Kubo; too short for an error)\n");
  const MsdResult m = small_msd();
  const VacfResult v = small_vacf();
  const DynamicsFeatures f = dynamics_features(m, v, small_spectrum());
  EXPECT_DOUBLE_EQ(f.vacf_zero.x, 0.1 + 0.1 * 0.5 / 0.625);
  EXPECT_DOUBLE_EQ(f.vacf_minimum.x, 0.3 + 0.1 * 0.5 * (-0.125 - 0.0625) / (-0.125 + 0.5 + 0.0625));
  EXPECT_DOUBLE_EQ(f.alpha2_peak.x, m.time[3]);  // the last sample: not refined
  EXPECT_DOUBLE_EQ(f.spectrum_peak.x, 1.0 + 0.5 * 0.5 * (0.2 - 0.1) / (0.2 - 0.9 + 0.1));
  EXPECT_EQ(dynamics_summary(&m, &v, f),
            "D = 2.42 +- 0.05 e-5 cm^2/s (Einstein)\n"
            "D = 2.44 +- 0.06 e-5 cm^2/s (Green-Kubo)\n"
            "VACF: first zero at 0.180 ps, minimum -0.260 at 0.279 ps\n"
            "alpha2: peak 0.300 at 0.12 ps\n"
            "spectrum: main peak at 0.96 THz\n");
}

TEST(AnalysisWriters, PlotIsWellFormedAndLabelled) {
  const MsdResult m = small_msd();
  const VacfResult v = small_vacf();
  const Spectrum s = small_spectrum();
  const std::string svg = dynamics_svg(m, v, s, dynamics_features(m, v, s), "a <run> & more");
  EXPECT_EQ(
      svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0),
      0u);
  EXPECT_EQ(xml_problem(svg), "");
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  for (const char* label :
       {"How the atoms of liquid argon move", ">a &lt;run&gt; &amp; more<", "Mean-square displacement",
        "Velocity autocorrelation function", "Spectrum of the velocity autocorrelation", ">t / ps<",
        "MSD / nm\u00b2", "\u03bd / THz", "fit 0.04\u20130.12 ps: D = 2.42 \u00b1 0.05",
        "first zero at 0.180 ps", "minimum -0.260 at 0.279 ps", "main peak at 0.96 THz"})
    EXPECT_NE(svg.find(label), std::string::npos) << label;
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
}

TEST(AnalysisWriters, PlotOfBrokenOrEmptyCurvesStillWellFormed) {
  MsdResult m = small_msd();
  m.msd[2] = not_a_number;
  m.fit = {not_a_number, not_a_number};
  VacfResult v = small_vacf();
  v.normalised.assign(v.normalised.size(), std::numeric_limits<double>::infinity());
  const Spectrum empty;
  const std::string svg = dynamics_svg(m, v, empty, dynamics_features(m, v, empty), "");
  EXPECT_EQ(xml_problem(svg), "");
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
  EXPECT_EQ(svg.find("fit "), std::string::npos);  // no fitted line to label
  // The MSD's path breaks around the missing sample: two sub-paths.
  const size_t path = svg.find("<path");
  const std::string d = svg.substr(path, svg.find("/>", path) - path);
  EXPECT_NE(d.find(" M"), std::string::npos);
}

}  // namespace
}  // namespace pelzak::analysis

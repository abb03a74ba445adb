#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "pelzak/analysis/rdf_svg.hpp"
#include "pelzak/analysis/thermo_svg.hpp"
#include "rdf_compare.hpp"

namespace pelzak::analysis {
namespace {

using pelzak::test::read_rdf_file;

RdfCurve reference() {
  RdfCurve ref;
  std::string message;
  EXPECT_TRUE(read_rdf_file(pelzak::test::reference_rdf_file(), ref, &message)) << message;
  return ref;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The d attribute of the curve's path.
std::string path_data(const std::string& svg) {
  const size_t start = svg.find("d=\"", svg.find("<path")) + 3;
  return svg.substr(start, svg.find('"', start) - start);
}

// Every element opened is closed in order; returns the first problem found, or "".
std::string xml_problem(const std::string& svg) {
  std::vector<std::string> open;
  for (size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
    const size_t end = svg.find('>', at);
    if (end == std::string::npos) return "unterminated tag";
    const std::string tag = svg.substr(at + 1, end - at - 1);
    if (tag.front() == '?') continue;
    if (tag.back() == '/') continue;
    if (tag.front() == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "stray </" + tag.substr(1) + ">";
      open.pop_back();
      continue;
    }
    open.push_back(tag.substr(0, tag.find(' ')));
  }
  return open.empty() ? "" : "unclosed <" + open.back() + ">";
}

TEST(AnalysisRdfSvg, ReferenceCurveGivesAWellFormedLabelledPlot) {
  const std::string svg = rdf_svg(reference(), "a run");
  EXPECT_EQ(
      svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"", 0),
      0u);
  EXPECT_EQ(xml_problem(svg), "");
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
  for (const char* label : {"Radial distribution function of liquid argon", ">a run<", ">r / \u03c3<",
                            ">g(r)<", ">g = 1<", "first peak: g = 2.735 at r/\u03c3 = 1.087"})
    EXPECT_NE(svg.find(label), std::string::npos) << label;
}

// A run's description longer than the canvas is wide: broken after a semicolon into lines that fit
// (at most 96 characters across 800 units), the plot moved down by the extra lines and the canvas
// made taller by as much; powers are superscripts in the plot alone.
TEST(AnalysisRdfSvg, ALongSubtitleIsBrokenIntoLinesThatFitAndPowersAreSuperscripts) {
  const std::string one_line = rdf_svg(reference(), "a run");
  const std::string svg =
      rdf_svg(reference(),
              "6912 Lennard-Jones atoms at 120 K and 1.2 g/cm^3, thermostat csvr; 500 push-off, "
              "1500 equilibration and 20000 production steps of 0.01 ps; g(r) from all 1000 "
              "samples");
  EXPECT_EQ(xml_problem(svg), "");
  EXPECT_NE(one_line.find("height=\"560\""), std::string::npos);
  EXPECT_NE(one_line.find("<g transform=\"translate(0 0.0)\">"), std::string::npos);
  EXPECT_NE(svg.find("height=\"596\""), std::string::npos);
  EXPECT_NE(svg.find("<g transform=\"translate(0 36.0)\">"), std::string::npos);
  for (const char* line : {">6912 Lennard-Jones atoms at 120 K and 1.2 g/cm\u00b3, thermostat csvr;</text>",
                           ">500 push-off, 1500 equilibration and 20000 production steps of 0.01 ps;</text>",
                           ">g(r) from all 1000 samples</text>"})
    EXPECT_NE(svg.find(line), std::string::npos) << line;
  EXPECT_EQ(svg.find('^'), std::string::npos);
  const std::string word(200, 'x');  // a word longer than a line, and a leading space, stay whole
  EXPECT_NE(rdf_svg(reference(), " " + word).find("> " + word + "</text>"), std::string::npos);
  // Below the heading the plot is the same bytes whatever its subtitle.
  const auto plot = [](const std::string& s) { return s.substr(s.find("<g transform")); };
  EXPECT_EQ(plot(svg).substr(plot(svg).find('\n')), plot(one_line).substr(plot(one_line).find('\n')));
}

TEST(AnalysisRdfSvg, CurveHasOnePointPerBinAndTheIdealGasLineSitsAtOne) {
  const std::string svg = rdf_svg(reference(), "");
  const std::string d = path_data(svg);
  EXPECT_EQ(count(d, "M"), 1u);
  EXPECT_EQ(count(d, "L"), 199u);
  // g up to 2.735 gives a y axis to 3.0 over the plotting area from y = 490 down to y = 80:
  // g = 1 lies at 490 - 410 / 3 = 353.3.
  EXPECT_NE(svg.find("<line x1=\"80.0\" y1=\"353.3\" x2=\"770.0\" y2=\"353.3\" stroke=\"#888888\""),
            std::string::npos);
  EXPECT_NE(svg.find("text-anchor=\"end\">3.0</text>"), std::string::npos);  // top y tick
  EXPECT_EQ(svg.find("text-anchor=\"end\">3.5</text>"), std::string::npos);
}

TEST(AnalysisRdfSvg, TickLabelsOfALongAxisStayApart) {
  // A box of 6,912 atoms: r / sigma up to 20.4. Labels every 2 (not every 0.5, which ran together).
  RdfCurve curve = reference();
  for (double& label : curve.label) label *= 4.0;
  const std::string svg = rdf_svg(curve, "");
  EXPECT_NE(svg.find("text-anchor=\"middle\">20.0</text>"), std::string::npos);
  EXPECT_NE(svg.find("text-anchor=\"middle\">2.0</text>"), std::string::npos);
  EXPECT_EQ(svg.find("text-anchor=\"middle\">1.0</text>"), std::string::npos);
  // Every x label lies at least 55 units from the next.
  std::vector<double> x;
  for (size_t at = svg.find("y=\"512.0\""); at != std::string::npos; at = svg.find("y=\"512.0\"", at + 1))
    x.push_back(std::stod(svg.substr(svg.rfind("x=\"", at) + 3)));
  ASSERT_GE(x.size(), 5u);
  for (size_t n = 1; n < x.size(); ++n) EXPECT_GE(x[n] - x[n - 1], 55.0);
}

TEST(AnalysisRdfSvg, NonFiniteBinsBreakTheCurveAndTheTextIsEscaped) {
  RdfCurve curve = reference();
  curve.g[100] = std::nan("");
  curve.g[150] = INFINITY;
  const std::string svg = rdf_svg(curve, "<&\"x\">");
  EXPECT_EQ(xml_problem(svg), "");
  const std::string d = path_data(svg);
  EXPECT_EQ(count(d, "M"), 3u);
  EXPECT_EQ(count(d, "L"), 195u);
  EXPECT_NE(svg.find("&lt;&amp;&quot;x&quot;&gt;"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  EXPECT_EQ(svg.find("inf"), std::string::npos);
}

TEST(AnalysisRdfSvg, AllNaNCurveStillGivesAValidEmptyPlot) {
  RdfCurve curve = reference();
  std::fill(std::begin(curve.g), std::end(curve.g), std::nan(""));
  const std::string svg = rdf_svg(curve, "");
  EXPECT_EQ(xml_problem(svg), "");
  EXPECT_EQ(svg.find("first peak"), std::string::npos);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
}

// A long run's log thinned to a bounded, evenly spaced set of rows, and its plot: three curves that
// stay inside their frames although the start's rows are far off, and the start of production.
TEST(AnalysisThermoSvg, ALongLogIsThinnedEvenlyAndPlottedInsideItsFrames) {
  ThermoSeries s;
  const std::int64_t rows = 100000;
  for (std::int64_t k = 0; k < rows; ++k) {
    const double t = 0.1 * static_cast<double>(k);
    const double start = k < 100 ? 1e6 : 0.0;  // a packed start's first rows
    thermo_series_add(s, t, 94.4 + std::sin(t) + start, -5.19 + start, 400.0 + 50 * std::cos(t), k >= 2000);
  }
  ASSERT_LE(s.time.size(), ThermoSeries::max_points);
  EXPECT_GT(s.time.size(), ThermoSeries::max_points / 2);
  for (std::size_t i = 0; i < s.time.size(); ++i)
    ASSERT_EQ(s.time[i], 0.1 * static_cast<double>(static_cast<std::int64_t>(i) * s.stride)) << i;
  EXPECT_EQ(s.production_start, 200.0);

  const std::string svg = thermo_svg(s, "a subtitle");
  EXPECT_EQ(xml_problem(svg), "");
  EXPECT_EQ(count(svg, "<path"), 3u);
  EXPECT_EQ(count(svg, ">production</text>"), 3u);
  EXPECT_EQ(svg.find("nan"), std::string::npos);
  // The first rows' 1e6 left the y axes alone (the time axis ends at 10000 ps).
  EXPECT_EQ(svg.find(">100000"), std::string::npos);
}

}  // namespace
}  // namespace pelzak::analysis

#include <gtest/gtest.h>

#include <cmath>

#include "pelzak/analysis/rdf_curve.hpp"
#include "rdf_compare.hpp"
#include "support.hpp"

namespace pelzak::analysis {
namespace {

using pelzak::test::rdf_max_difference;
using pelzak::test::read_rdf_file;
using pelzak::test::ScratchDir;
using pelzak::test::write_bytes;

const std::string reference_file = pelzak::test::reference_rdf_file();

RdfCurve reference() {
  RdfCurve ref;
  std::string message;
  EXPECT_TRUE(read_rdf_file(reference_file, ref, &message)) << message;
  return ref;
}

TEST(AnalysisRdfCurve, LabelsMatchTheSamplersBinningToTheBit) {
  // The reference was written in the sampler's own binning with 17 significant digits.
  double histogram[model::bins] = {};
  const RdfCurve curve = rdf_curve(histogram, model::atoms, model::box, model::samples);
  const RdfCurve ref = reference();
  for (int b = 0; b < model::bins; ++b) EXPECT_EQ(curve.label[b], ref.label[b]) << "bin " << b + 1;
  EXPECT_EQ(curve.label[0], 0.012786249999999999);
  for (double g : curve.g) EXPECT_EQ(g, 0.0);
}

TEST(AnalysisRdfCurve, IdealGasCountsGiveOne) {
  // A histogram holding exactly the ideal-gas pair count of every shell, for 864 atoms and
  // 50 samples, must normalise to g = 1 in every bin (up to the rounding of the shell volumes).
  const double c = 4.0 / 3.0 * model::pi * model::density;
  double histogram[model::bins];
  for (int b = 1; b <= model::bins; ++b) {
    const double r0 = (b - 1) * model::bin_width, r1 = b * model::bin_width;
    histogram[b - 1] = 864.0 * 50.0 * c * (r1 * r1 * r1 - r0 * r0 * r0);
  }
  const RdfCurve curve = rdf_curve(histogram, model::atoms, model::box, model::samples);
  for (int b = 0; b < model::bins; ++b) EXPECT_NEAR(curve.g[b], 1.0, 1e-12) << "bin " << b + 1;
}

TEST(AnalysisRdfCurve, OnePairInTheFirstBinIsNormalisedByTheInnermostSphere) {
  double histogram[model::bins] = {};
  histogram[0] = 2.0;  // one pair, counted for both atoms, in one sample
  const RdfCurve curve = rdf_curve(histogram, model::atoms, model::box, model::samples);
  const double sphere =
      4.0 / 3.0 * model::pi * model::density * model::bin_width * model::bin_width * model::bin_width;
  EXPECT_NEAR(curve.g[0], 2.0 / (864.0 * sphere * 50.0), 1e-15 * curve.g[0]);
  for (int b = 1; b < model::bins; ++b) EXPECT_EQ(curve.g[b], 0.0);
}

TEST(AnalysisRdfCurve, ReferencePeakIsTheLiquidsFirstShell) {
  const RdfPeak peak = rdf_peak(reference());
  EXPECT_EQ(peak.bin, 43);
  EXPECT_NEAR(peak.label, 1.087, 0.0005);
  EXPECT_NEAR(peak.g, 2.735, 0.0005);
}

TEST(AnalysisRdfCurve, PeakTakesTheFirstOfEqualMaxima) {
  RdfCurve curve = {};
  curve.g[9] = 3.0;
  curve.g[20] = 3.0;
  EXPECT_EQ(rdf_peak(curve).bin, 10);
}

TEST(RdfReference, DifferenceIsTheLargestBinwiseGapAndSeesNaN) {
  const RdfCurve ref = reference();
  EXPECT_EQ(rdf_max_difference(ref, ref), 0.0);
  RdfCurve other = ref;
  other.g[100] += 0.05;
  other.g[42] -= 0.07;
  EXPECT_NEAR(rdf_max_difference(ref, other), 0.07, 1e-12);
  EXPECT_EQ(rdf_max_difference(other, ref), rdf_max_difference(ref, other));
  other.g[199] = std::nan("");
  EXPECT_TRUE(std::isnan(rdf_max_difference(ref, other)));
}

TEST(RdfReference, ReferenceCheckPassesTheReferenceAndNamesEveryMiss) {
  const RdfCurve ref = reference();
  std::string report;
  EXPECT_TRUE(pelzak::test::rdf_matches_reference(ref, ref, &report)) << report;
  EXPECT_EQ(report, "first peak 2.7353 at r/sigma = 1.0868, largest difference from the reference 0.0000");

  RdfCurve taller = ref;  // a liquid too structured: peak and difference out of bounds
  for (double& g : taller.g) g *= 1.05;
  EXPECT_FALSE(pelzak::test::rdf_matches_reference(taller, ref, &report));
  EXPECT_NE(report.find("the peak should be between 2.6800 and 2.8000"), std::string::npos) << report;
  EXPECT_NE(report.find("the difference should be at most 0.0800"), std::string::npos) << report;

  RdfCurve shifted = ref;  // the same height two bins further out (one is within a window's scatter)
  shifted.g[44] = ref.g[42] + 0.01;
  EXPECT_FALSE(pelzak::test::rdf_matches_reference(shifted, ref, &report));
  EXPECT_NE(report.find("the peak should be at r/sigma = 1.0870"), std::string::npos) << report;

  RdfCurve broken = ref;
  broken.g[120] = std::nan("");
  EXPECT_FALSE(pelzak::test::rdf_matches_reference(broken, ref, &report));
  EXPECT_EQ(report, "g(r) is not finite in bin 121");
}

TEST(RdfReference, ReaderAcceptsSignsCarriageReturnsAndComments) {
  ScratchDir dir;
  std::string text = "# comment\n\n";
  for (int b = 1; b <= model::bins; ++b)
    text += " +" + std::to_string(b) + ".5E-01\t" + std::to_string(b) + "\r\n";
  write_bytes("g.dat", text);
  RdfCurve curve;
  std::string message;
  ASSERT_TRUE(read_rdf_file("g.dat", curve, &message)) << message;
  EXPECT_EQ(curve.label[0], 0.15);
  EXPECT_EQ(curve.g[199], 200.0);
}

TEST(RdfReference, ReaderRejectsMalformedFilesWithFileAndLine) {
  ScratchDir dir;
  std::string good;
  for (int b = 1; b <= model::bins; ++b) good += "1.0 2.0\n";
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"1.0 2.0\n", "\"g.dat\": 1 bins instead of 200"},
      {good + "1.0 2.0\n", "\"g.dat\" line 201: more than 200 bins"},
      {"1.0\n" + good, "\"g.dat\" line 1: expected two numbers"},
      {"1.0 x\n" + good, "\"g.dat\" line 1: expected two numbers"},
      {"# c\n1.0 2.0 3.0\n" + good, "\"g.dat\" line 2: unexpected text after the two numbers"},
  };
  for (const Case& c : cases) {
    write_bytes("g.dat", c.text);
    RdfCurve curve;
    std::string message;
    EXPECT_FALSE(read_rdf_file("g.dat", curve, &message));
    EXPECT_EQ(message, c.expected);
  }
  RdfCurve curve;
  std::string message;
  EXPECT_FALSE(read_rdf_file("missing.dat", curve, &message));
  EXPECT_EQ(message, "cannot read \"missing.dat\"");
}

}  // namespace
}  // namespace pelzak::analysis

#include "pelzak/analysis/rdf_curve.hpp"

#include "pelzak/formats/number_text.hpp"
#include "pelzak/formats/rdf_table.hpp"
#include "pelzak/kernels/rdf_shells.hpp"

namespace pelzak::analysis {

RdfCurve rdf_curve(const double* histogram, long long atoms, double box, double samples) {
  RdfCurve curve;
  kernels::rdf_normalise(histogram, atoms, box, samples, curve.label, curve.g);
  return curve;
}

RdfPeak rdf_peak(const RdfCurve& curve) {
  RdfPeak peak;
  for (int b = 1; b <= model::bins; ++b) {
    if (peak.bin == 0 || curve.g[b - 1] > peak.g) {
      peak.bin = b;
      peak.label = curve.label[b - 1];
      peak.g = curve.g[b - 1];
    }
  }
  return peak;
}

std::string rdf_table(const RdfCurve& curve) {
  std::string text(formats::rdf_table_size, ' ');
  formats::rdf_table(curve.label, curve.g, text.data());
  return text;
}

std::string rdf_csv(const RdfCurve& curve) {
  std::string text = "r_sigma,g\n";
  for (int b = 0; b < model::bins; ++b)
    text += formats::shortest(curve.label[b]) + "," + formats::shortest(curve.g[b]) + "\n";
  return text;
}

}  // namespace pelzak::analysis

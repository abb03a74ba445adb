#include "rdf_analysis.hpp"

namespace pelzak::md {

void rdf_from_histogram(const double* histogram, RdfCurve& curve) {
  const double c = (1.3333333333333333 * model::pi) * model::density;
  for (int b = 1; b <= model::bins; ++b) {
    const double r_in = (b - 1) * model::bin_width;
    const double r_out = b * model::bin_width;
    const double inner = r_in * (r_in * r_in) * c;
    const double outer = r_out * (r_out * r_out) * c;
    const double shell = outer - inner;
    curve.label[b - 1] = (model::bin_width / 2 + (b - 1) * model::bin_width) / model::sigma;
    curve.g[b - 1] = histogram[b - 1] / ((864.0 * shell) * model::samples);
  }
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

}  // namespace pelzak::md

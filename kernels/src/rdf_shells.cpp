// g(r) for any N and box: the pair loop with the division-free minimum image of image_bounds.hpp,
// its thresholds found for the box given, and the shells' normalisation.
#include "pelzak/kernels/rdf_shells.hpp"

#include <cmath>

#include "image_bounds.hpp"
#include "pelzak_model.h"

namespace pelzak::kernels {

namespace {

// Shells of g(r): model::bins of them over half the box side.
double bin_width(double box) { return box / (2.0 * model::bins); }

}  // namespace

void rdf_sample_any(const double* positions, long long atoms, double box, double* histogram) {
  const double dr = bin_width(box);
  const image::Bounds bounds = image::bounds_for(box);
  // A pair at or beyond model::bins * dr has r / dr >= 200 (less a few ulps), which rounds past the
  // last bin: such pairs, and NaN, need no square root.
  const double reach = model::bins * dr;
  const double reach_sq = reach * reach;
  const double* x = positions;
  const double* y = positions + atoms;
  const double* z = positions + 2 * atoms;
  for (long long i = 0; i < atoms - 1; ++i) {
    for (long long j = i + 1; j < atoms; ++j) {
      const double delx = image::nearest_image(x[i] - x[j], bounds);
      const double dely = image::nearest_image(y[i] - y[j], bounds);
      const double delz = image::nearest_image(z[i] - z[j], bounds);
      const double rsq = delx * delx + dely * dely + delz * delz;
      if (!(rsq < reach_sq)) continue;
      // round(q), halves away from zero, for 0 <= q < 201: the whole part and the exact fraction.
      const double q = std::sqrt(rsq) / dr;
      const int whole = static_cast<int>(q);
      const int bin = whole + (q - whole >= 0.5 ? 1 : 0);
      if (bin > model::bins - 1) continue;
      histogram[bin] = 2.0 + histogram[bin];
    }
  }
}

void rdf_normalise(const double* histogram, long long atoms, double box, double samples, double* label,
                   double* g) {
  const double n = static_cast<double>(atoms);
  const double dr = bin_width(box);
  const double density = n / (box * box * box);
  const double c = (model::four_thirds * model::pi) * density;
  for (int b = 1; b <= model::bins; ++b) {
    const double r_in = (b - 1) * dr;
    const double r_out = b * dr;
    const double inner = r_in * (r_in * r_in) * c;
    const double outer = r_out * (r_out * r_out) * c;
    const double shell = outer - inner;  // ideal-gas pairs per atom in the shell
    label[b - 1] = (dr / 2.0 + (b - 1) * dr) / model::sigma;
    g[b - 1] = histogram[b - 1] / ((n * shell) * samples);
  }
}

}  // namespace pelzak::kernels

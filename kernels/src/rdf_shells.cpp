// g(r) for any N and box: the shells' normalisation.
#include "pelzak/kernels/rdf_shells.hpp"

#include <cmath>

#include "pelzak_model.h"

namespace pelzak::kernels {

void rdf_normalise(const double* histogram, long long atoms, double box, double samples, double* label,
                   double* g) {
  const double n = static_cast<double>(atoms);
  const double dr = rdf_bin_width(box);
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

#include "rdf_curve.hpp"

#include "pelzak/formats/rdf_table.hpp"
#include "pelzak/kernels/rdf_shells.hpp"

namespace pelzak::analysis {

void rdf_sample(const double* positions, long long atoms, double box, double* histogram) {
  kernels::rdf_sample_any(positions, atoms, box, histogram);
}

void rdf_normalise(const double* histogram, long long atoms, double box, double samples, double* label,
                   double* g) {
  kernels::rdf_normalise(histogram, atoms, box, samples, label, g);
}

std::string rdf_table(const double* label, const double* g) {
  std::string text(formats::rdf_table_size, ' ');
  formats::rdf_table(label, g, text.data());
  return text;
}

}  // namespace pelzak::analysis

#include "link_names.hpp"

#include "prob.hpp"
#include "random_range.hpp"

double pelzak_random_range(const double* lower, const double* upper) {
  return pelzak::initial::random_range(*lower, *upper);
}

double pelzak_prob(const double* v, const double* mass, const double* temperature) {
  return pelzak::initial::prob(*v, *mass, *temperature);
}

void pelzak_append(pelzak::initial::DoubleList* list, const double* element) {
  pelzak::initial::append(*list, *element);
}

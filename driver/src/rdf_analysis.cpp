#include "rdf_analysis.hpp"

#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>

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

double rdf_max_difference(const RdfCurve& a, const RdfCurve& b) {
  double largest = 0.0;
  for (int n = 0; n < model::bins; ++n) {
    const double diff = std::fabs(a.g[n] - b.g[n]);
    if (std::isnan(diff)) return diff;
    if (diff > largest) largest = diff;
  }
  return largest;
}

namespace {

bool next_number(std::string_view& rest, double* value) {
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);  // from_chars takes no '+'
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), *value);
  if (ec != std::errc()) return false;
  rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
  return true;
}

}  // namespace

bool read_rdf_file(const std::string& path, RdfCurve& curve, std::string* message) {
  std::ifstream in(path);
  if (!in) {
    *message = "cannot read \"" + path + "\"";
    return false;
  }
  std::string line;
  int bins = 0;
  for (int line_no = 1; std::getline(in, line); ++line_no) {
    std::string_view rest = line;
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    if (rest.empty() || rest.front() == '#') continue;
    const std::string where = "\"" + path + "\" line " + std::to_string(line_no) + ": ";
    if (bins == model::bins) {
      *message = where + "more than " + std::to_string(model::bins) + " bins";
      return false;
    }
    double label = 0.0, g = 0.0;
    if (!next_number(rest, &label) || !next_number(rest, &g)) {
      *message = where + "expected two numbers";
      return false;
    }
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (!rest.empty()) {
      *message = where + "unexpected text after the two numbers";
      return false;
    }
    curve.label[bins] = label;
    curve.g[bins] = g;
    ++bins;
  }
  if (bins != model::bins) {
    *message =
        "\"" + path + "\": " + std::to_string(bins) + " bins instead of " + std::to_string(model::bins);
    return false;
  }
  return true;
}

}  // namespace pelzak::md

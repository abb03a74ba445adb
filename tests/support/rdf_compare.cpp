#include "rdf_compare.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string_view>

namespace pelzak::test {

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

std::string figure(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

}  // namespace

bool read_rdf_file(const std::string& path, RdfCurve& curve, std::string* message) {
  constexpr int all_bins = model::bins;
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
    if (bins == all_bins) {
      *message = where + "more than " + std::to_string(all_bins) + " bins";
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
  if (bins != all_bins) {
    *message = "\"" + path + "\": " + std::to_string(bins) + " bins instead of " + std::to_string(all_bins);
    return false;
  }
  return true;
}

bool rdf_matches_reference(const RdfCurve& run, const RdfCurve& reference, std::string* report) {
  for (int b = 0; b < model::bins; ++b) {
    if (!std::isfinite(run.g[b])) {
      *report = "g(r) is not finite in bin " + std::to_string(b + 1);
      return false;
    }
  }
  const analysis::RdfPeak peak = analysis::rdf_peak(run);
  const double difference = rdf_max_difference(run, reference);
  *report = "first peak " + figure(peak.g) + " at r/sigma = " + figure(peak.label) +
            ", largest difference from the reference " + figure(difference);
  bool ok = true;
  if (!(std::fabs(peak.label - peak_label) <= peak_label_tolerance)) {
    *report += "; the peak should be at r/sigma = " + figure(peak_label);
    ok = false;
  }
  if (!(peak.g >= peak_lowest && peak.g <= peak_highest)) {
    *report += "; the peak should be between " + figure(peak_lowest) + " and " + figure(peak_highest);
    ok = false;
  }
  if (!(difference <= largest_difference)) {
    *report += "; the difference should be at most " + figure(largest_difference);
    ok = false;
  }
  return ok;
}

}  // namespace pelzak::test

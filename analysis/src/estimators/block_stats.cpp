#include "pelzak/analysis/block_stats.hpp"

#include <cmath>
#include <limits>

namespace pelzak::analysis {

void block_add(BlockStats& stats, double estimate) {
  ++stats.count;
  const double delta = estimate - stats.mean;
  stats.mean += delta / static_cast<double>(stats.count);
  stats.sum_sq_dev += delta * (estimate - stats.mean);
}

double block_standard_error(const BlockStats& stats) {
  if (stats.count < 2) return std::numeric_limits<double>::quiet_NaN();
  const double n = static_cast<double>(stats.count);
  return std::sqrt(stats.sum_sq_dev / (n - 1.0) / n);
}

}  // namespace pelzak::analysis

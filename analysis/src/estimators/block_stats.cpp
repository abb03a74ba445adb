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

namespace pelzak::analysis {

void block_average_add(BlockAverage& average, double value) {
  average.sum += value;
  ++average.count;
  average.block_sum += value;
  if (++average.in_block < average.per_block) return;
  block_add(average.blocks, average.block_sum / static_cast<double>(average.in_block));
  average.block_sum = 0.0;
  average.in_block = 0;
}

double block_average_mean(const BlockAverage& average) {
  if (average.count == 0) return std::numeric_limits<double>::quiet_NaN();
  return average.sum / static_cast<double>(average.count);
}

}  // namespace pelzak::analysis

// Block averages: the run is cut into blocks long enough to be nearly independent, each block gives
// its own estimate of a quantity, and the scatter of those estimates measures the statistical
// uncertainty of the estimate from the whole run.
#pragma once

#include <limits>

namespace pelzak::analysis {

// What a result holds where there is none: an uncertainty from fewer than two blocks, a D from a run
// too short for its fit window, anything from an accumulator never started.
inline constexpr double no_value = std::numeric_limits<double>::quiet_NaN();

// Running mean and sum of squared deviations of the block estimates (Welford's update, which
// stays accurate when the estimates are large compared with their scatter).
struct BlockStats {
  long long count = 0;
  double mean = 0.0;
  double sum_sq_dev = 0.0;
};

void block_add(BlockStats& stats, double estimate);

// Standard error of the mean of the blocks, sqrt(var / n) with the unbiased var; NaN with fewer
// than two blocks.
double block_standard_error(const BlockStats& stats);

// A running mean of values taken one at a time, with the means of consecutive blocks of `per_block`
// values as its block estimates (a last, incomplete block counts in the mean, not in the scatter).
struct BlockAverage {
  long long per_block = 1;
  double sum = 0.0;  // of every value, in the order added
  long long count = 0;
  double block_sum = 0.0;
  long long in_block = 0;
  BlockStats blocks;
};

void block_average_add(BlockAverage& average, double value);
double block_average_mean(const BlockAverage& average);  // NaN before the first value

}  // namespace pelzak::analysis

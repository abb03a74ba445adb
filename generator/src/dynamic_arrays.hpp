// A growable array of doubles that grows by exactly one element per append.
#pragma once

#include <cstdint>

namespace pelzak::initial {

// Plain C layout, so that C and Fortran callers can hold one. Element i (1-based) is data[i - 1].
// The list is not allocated while data is null. The storage comes from malloc: the caller
// releases the last block with free(data).
struct DoubleList {
  double* data;
  std::int32_t size;  // element count n, bounds 1..n; a negative count means empty bounds
};

// Stores a copy of `element` after the last element: allocates a block of n + 1 elements, copies
// the n old ones in ascending order, stores `element` (which may be one of the list's own
// elements), then releases the old block. If the block cannot be allocated, or n + 1 would pass
// the largest 4-byte count 2^31 - 1, prints "pelzak_initial: append: Allocation would exceed
// memory limit" on stderr and ends the process with status 1.
void append(DoubleList& list, const double& element);

}  // namespace pelzak::initial

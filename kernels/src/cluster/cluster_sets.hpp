// The engine's cluster-pair kernel on each kernel set, which cluster_dispatch.cpp chooses among:
// every one gives cluster_task_reference's bits.
#pragma once

#include "pelzak/kernels/cluster_pairs.hpp"

namespace pelzak::kernels {

ClusterSums cluster_task_scalar(const ClusterTask& task, bool with_virial);
void cluster_masks_scalar(const double* xyz, const double* xi, const double* shifts, const std::int32_t* js,
                          const std::uint16_t* shift_of, int count, double radius_sq, std::uint16_t* masks);
#if defined(PELZAK_X86_KERNELS)
ClusterSums cluster_task_avx2(const ClusterTask& task, bool with_virial);
ClusterSums cluster_task_avx512(const ClusterTask& task, bool with_virial);
void cluster_masks_avx512(const double* xyz, const double* xi, const double* shifts, const std::int32_t* js,
                          const std::uint16_t* shift_of, int count, double radius_sq, std::uint16_t* masks);
#endif

}  // namespace pelzak::kernels

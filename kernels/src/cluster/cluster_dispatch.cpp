// The engine's cluster-pair kernel on the kernel set asked for.
#include "cluster/cluster_sets.hpp"

namespace pelzak::kernels {

ClusterSums cluster_task_on(Isa isa, const ClusterTask& task, bool with_virial) {
  if (isa == Isa::reference) return cluster_task_reference(task, with_virial);
#if defined(PELZAK_X86_KERNELS)
  if (isa == Isa::avx512 && isa_available(Isa::avx512)) return cluster_task_avx512(task, with_virial);
  if (isa == Isa::avx2 && isa_available(Isa::avx2)) return cluster_task_avx2(task, with_virial);
#endif
  return cluster_task_scalar(task, with_virial);
}

}  // namespace pelzak::kernels

namespace pelzak::kernels {

void cluster_masks_on(Isa isa, const double* xyz, const double* xi, const double* shifts,
                      const std::int32_t* js, const std::uint16_t* shift_of, int count, double radius_sq,
                      std::uint16_t* masks) {
#if defined(PELZAK_X86_KERNELS)
  if (isa == Isa::avx512 && isa_available(Isa::avx512))
    return cluster_masks_avx512(xyz, xi, shifts, js, shift_of, count, radius_sq, masks);
#endif
  (void)isa;
  cluster_masks_scalar(xyz, xi, shifts, js, shift_of, count, radius_sq, masks);
}

}  // namespace pelzak::kernels

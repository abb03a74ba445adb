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

#include "bitmap/engine/resample_rows.h"

namespace bitmap {

const TResampleRowKernels* ResampleRowKernels(TKernelSet set) {
  if (!KernelSetAvailable(set)) return nullptr;
  return set == TKernelSet::Avx2 ? &detail::kAvx2ResampleRows : &detail::kBaselineResampleRows;
}

const TResampleRowKernels& ResampleRowKernels() {
  static const TResampleRowKernels& chosen = KernelSetAvailable(TKernelSet::Avx2)
                                                 ? detail::kAvx2ResampleRows
                                                 : detail::kBaselineResampleRows;
  return chosen;
}

}  // namespace bitmap

#include "bitmap/engine/resample_rows.h"

namespace bitmap {

const TResampleRowKernels* ResampleRowKernels(TKernelSet set) {
  // The resampling loops have no AVX-512 build.
  if (!KernelSetAvailable(set) || set == TKernelSet::Avx512) return nullptr;
  return set == TKernelSet::Avx2 ? &detail::kAvx2ResampleRows : &detail::kBaselineResampleRows;
}

const TResampleRowKernels& ResampleRowKernels() {
  static const TResampleRowKernels& chosen = KernelSetAvailable(TKernelSet::Avx2)
                                                 ? detail::kAvx2ResampleRows
                                                 : detail::kBaselineResampleRows;
  return chosen;
}

}  // namespace bitmap

#include "bitmap/engine/blend_rows.h"

#include "bitmap/engine/blend.h"
#include "bitmap/engine/blend_modes.h"

namespace bitmap {

bool KernelSetAvailable(TKernelSet set) {
  switch (set) {
    case TKernelSet::Baseline: return true;
    case TKernelSet::Avx2: return ProcessorHasAvx2();
    case TKernelSet::Avx512: return ProcessorHasAvx512();
  }
  return false;
}

TBlendRowKernel BlendModeRowKernel(int32_t index, TKernelSet set) {
  if (index < 0 || index >= BlendModeCount || !KernelSetAvailable(set)) return nullptr;
  switch (set) {
    case TKernelSet::Avx512: return detail::kAvx512RowKernels[index];
    case TKernelSet::Avx2: return detail::kAvx2RowKernels[index];
    case TKernelSet::Baseline: break;
  }
  return detail::kBaselineRowKernels[index];
}

namespace {
// Chosen once, at start-up.
const TKernelSet g_kernelSet = KernelSetAvailable(TKernelSet::Avx512) ? TKernelSet::Avx512
                                : KernelSetAvailable(TKernelSet::Avx2) ? TKernelSet::Avx2
                                                                       : TKernelSet::Baseline;
}  // namespace

TBlendRowKernel BlendModeRowKernel(int32_t index) {
  return BlendModeRowKernel(index, g_kernelSet);
}

TBlendRowKernel CombineRowKernel(const TPixelCombineEvent& combiner) {
  return BlendModeRowKernel(BlendModeIndexOf(combiner));
}

void CombineRow(const TPixelCombineEvent& combiner, const TColor32* src, TColor32* dst,
                int32_t count, TColor32 master) {
  if (const TBlendRowKernel kernel = CombineRowKernel(combiner)) {
    kernel(src, dst, count, master);
    return;
  }
  for (int32_t i = 0; i < count; ++i) combiner(src[i], dst[i], master);
}

}  // namespace bitmap

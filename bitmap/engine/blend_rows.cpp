#include "bitmap/engine/blend_rows.h"

#include "bitmap/engine/blend.h"
#include "bitmap/engine/blend_modes.h"

namespace bitmap {

bool KernelSetAvailable(TKernelSet set) {
  return set == TKernelSet::Baseline || ProcessorHasAvx2();
}

TBlendRowKernel BlendModeRowKernel(int32_t index, TKernelSet set) {
  if (index < 0 || index >= BlendModeCount || !KernelSetAvailable(set)) return nullptr;
  return set == TKernelSet::Avx2 ? detail::kAvx2RowKernels[index]
                                 : detail::kBaselineRowKernels[index];
}

namespace {
// Chosen once, at start-up.
const TKernelSet g_kernelSet =
    KernelSetAvailable(TKernelSet::Avx2) ? TKernelSet::Avx2 : TKernelSet::Baseline;
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

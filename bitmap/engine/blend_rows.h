// Row kernels of the 27 blend modes: each does to a row exactly what its per-pixel combiner
// does to each pixel, left to right, bit for bit, several pixels per instruction. The transfer
// code recognises a blend mode's combiner (CombineRow) and runs its kernel instead of calling
// the combiner for every pixel.
#pragma once

#include <cstdint>

#include "bitmap/engine/colour32.h"
#include "bitmap/engine/pixel_combine.h"

namespace bitmap {

// Combines src[i] into dst[i] for i = 0 .. count - 1 with the master alpha.
using TBlendRowKernel = void (*)(const TColor32* src, TColor32* dst, int32_t count,
                                 TColor32 master);

// The kernel of mode `index` (0..26) for this processor, or nil for any other index.
TBlendRowKernel BlendModeRowKernel(int32_t index);
// The kernel for a combiner that is one of the blend modes, or nil.
TBlendRowKernel CombineRowKernel(const TPixelCombineEvent& combiner);

// Runs an assigned combiner over a row: through its kernel when it has one, else pixel by pixel.
void CombineRow(const TPixelCombineEvent& combiner, const TColor32* src, TColor32* dst,
                int32_t count, TColor32 master);

// The builds of the kernels, for tests and benchmarks that compare them.
enum class TKernelSet { Baseline, Avx2, Avx512 };
bool KernelSetAvailable(TKernelSet set);
// Mode `index`'s kernel of one build; nil for a bad index or a build this processor lacks.
TBlendRowKernel BlendModeRowKernel(int32_t index, TKernelSet set);

namespace detail {
// Defined by the builds of blend_rows_impl.h.
extern const TBlendRowKernel kBaselineRowKernels[27];
extern const TBlendRowKernel kAvx2RowKernels[27];
extern const TBlendRowKernel kAvx512RowKernels[27];
}  // namespace detail

}  // namespace bitmap

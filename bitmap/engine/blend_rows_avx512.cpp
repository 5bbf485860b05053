// The blend-mode row kernels for processors with AVX-512 (sixteen pixels per vector).
#include "bitmap/engine/blend_rows_impl.h"

namespace bitmap::detail {
const TBlendRowKernel kAvx512RowKernels[27] = {
    kKernels[0],  kKernels[1],  kKernels[2],  kKernels[3],  kKernels[4],  kKernels[5],
    kKernels[6],  kKernels[7],  kKernels[8],  kKernels[9],  kKernels[10], kKernels[11],
    kKernels[12], kKernels[13], kKernels[14], kKernels[15], kKernels[16], kKernels[17],
    kKernels[18], kKernels[19], kKernels[20], kKernels[21], kKernels[22], kKernels[23],
    kKernels[24], kKernels[25], kKernels[26]};
}  // namespace bitmap::detail

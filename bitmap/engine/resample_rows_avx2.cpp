// The stretch transfer's loops for processors with AVX2.
#include "bitmap/engine/resample_rows_impl.h"

namespace bitmap::detail {
const TResampleRowKernels kAvx2ResampleRows = kLoops;
}  // namespace bitmap::detail

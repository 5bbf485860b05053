// The stretch transfer's loops for the baseline instruction set.
#include "bitmap/engine/resample_rows_impl.h"

namespace bitmap::detail {
const TResampleRowKernels kBaselineResampleRows = kLoops;
}  // namespace bitmap::detail

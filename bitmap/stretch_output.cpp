#include "bitmap/stretch_output.h"

#include "bitmap/blend.h"

namespace bitmap {

bool ResolveDrawMode(TDrawMode& mode, const TPixelCombineEvent& combiner, uint32_t master) {
  if (mode == dmCustom && !combiner.Assigned()) mode = dmOpaque;
  return !(mode == dmBlend && master == 0);
}

TStretchRowWriter::TStretchRowWriter(TDrawMode mode, const TPixelCombineEvent& combiner,
                                     uint32_t master)
    : mode_(mode), combiner_(combiner), master_(master) {
  // A blend mode's combiner is recognised once and run a row at a time by its kernel.
  if (mode_ == dmCustom) kernel_ = CombineRowKernel(combiner_);
}

void TStretchRowWriter::Write(const TColor32* row, TColor32* dst, int32_t count) const {
  switch (mode_) {
    case dmOpaque:
      MoveRun(row, dst, count);
      break;
    case dmBlend:
      // The pixel blend even at master alpha 255: resampled pixels are blended one by one.
      for (int32_t i = 0; i < count; ++i) BlendPixelMaster(row[i], dst[i], master_);
      break;
    case dmCustom:
      if (kernel_)
        kernel_(row, dst, count, master_);
      else
        for (int32_t i = 0; i < count; ++i) combiner_(row[i], dst[i], master_);
      break;
  }
}

}  // namespace bitmap

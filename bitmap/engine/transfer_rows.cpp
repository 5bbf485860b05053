#include "bitmap/engine/transfer_rows.h"

#include "bitmap/engine/blend.h"

namespace bitmap {

bool ResolveDrawMode(TDrawMode& mode, const TPixelCombineEvent& combiner, uint32_t master) {
  if (mode == dmCustom && !combiner.Assigned()) mode = dmOpaque;
  return !(mode == dmBlend && master == 0);
}

TTransferRowWriter::TTransferRowWriter(TDrawMode mode, const TPixelCombineEvent& combiner,
                                       uint32_t master, TBlendBy blendBy)
    : mode_(mode), combiner_(combiner), master_(master), blendBy_(blendBy) {
  // A blend mode's combiner is recognised once and run a row at a time by its kernel.
  if (mode_ == dmCustom) kernel_ = CombineRowKernel(combiner_);
}

void TTransferRowWriter::Write(const TColor32* row, TColor32* dst, int32_t count) const {
  switch (mode_) {
    case dmOpaque:
      MoveRun(row, dst, count);
      break;
    case dmBlend:
      if (blendBy_ == TBlendBy::Pixels)
        for (int32_t i = 0; i < count; ++i) BlendPixelMaster(row[i], dst[i], master_);
      else if (master_ >= 255)
        BlendRow(row, dst, count);
      else
        BlendRowMaster(row, dst, count, master_);
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

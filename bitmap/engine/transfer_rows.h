// How the transfer paths hand a finished row of pixels to the destination in each draw mode,
// and the draw-mode fallbacks they share with TransferRect.
#pragma once

#include <cstdint>

#include "bitmap/engine/bitmap32.h"
#include "bitmap/engine/blend_rows.h"

namespace bitmap {

// dmCustom without a combiner draws opaque; returns false when nothing is to be drawn
// (dmBlend at master alpha 0).
bool ResolveDrawMode(TDrawMode& mode, const TPixelCombineEvent& combiner, uint32_t master);

// How dmBlend blends: whole rows (the row blend, or the row blend with the master alpha below
// 255) where source pixels are copied, pixel by pixel with the master alpha where they are
// resampled.
enum class TBlendBy { Rows, Pixels };

class TTransferRowWriter {
 public:
  TTransferRowWriter(TDrawMode mode, const TPixelCombineEvent& combiner, uint32_t master,
                     TBlendBy blendBy);

  // dmOpaque: the row is the result, so it can be computed straight into the destination.
  bool WritesDirectly() const { return mode_ == dmOpaque; }
  // No caller code runs per pixel, so rows may be written from several threads at once.
  bool ThreadSafe() const { return mode_ != dmCustom || kernel_ != nullptr; }

  // Puts `count` pixels over dst: stored (dmOpaque), blended (dmBlend), or combined by the
  // combiner left to right (dmCustom; a blend mode's combiner through its row kernel).
  void Write(const TColor32* row, TColor32* dst, int32_t count) const;

 private:
  TDrawMode mode_;
  TPixelCombineEvent combiner_;
  TBlendRowKernel kernel_ = nullptr;
  uint32_t master_;
  TBlendBy blendBy_;
};

}  // namespace bitmap

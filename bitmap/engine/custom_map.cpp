#include "bitmap/engine/custom_map.h"

#include "vcl/runtime/exceptions.h"

namespace bitmap {

void TThreadPersistent::EndUpdate() {
  vcl::Assert(updateCount_ > 0, "Unpaired TThreadPersistent.EndUpdate");
  --updateCount_;
}

void TThreadPersistent::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

bool TCustomMap::SetSize(int32_t newWidth, int32_t newHeight) {
  if (newWidth < 0) newWidth = 0;
  if (newHeight < 0) newHeight = 0;
  if (newWidth == width_ && newHeight == height_) return false;
  ResizeStorage(width_, height_, newWidth, newHeight);
  Changed();
  NotifyResized();
  return true;
}

void TCustomMap::ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth,
                               int32_t newHeight) {
  width = newWidth;
  height = newHeight;
}

void TCustomMap::NotifyResized() {
  if (OnResize) OnResize(this);
}

}  // namespace bitmap

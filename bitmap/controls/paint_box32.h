// TCustomPaintBox32: a windowed control that paints through an off-screen TBitmap32. The
// buffer is redrawn (DoPaintBuffer) only while it is marked invalid, and reaches the screen in
// one blit per paint; the platform never erases the window, so nothing flickers. The buffer
// follows a growing viewport at once and keeps its size while the viewport shrinks by up to
// BufferMargin pixels.
#pragma once

#include <cstdint>
#include <memory>

#include "bitmap/engine/bitmap32.h"
#include "vcl/controls/controls.h"

namespace bitmap {

// Holds a bitmap's lock for a scope, so that another thread drawing into it blocks a paint
// instead of racing it.
class TBitmapLock {
 public:
  explicit TBitmapLock(TBitmap32* bitmap) : bitmap_(bitmap) { bitmap_->Lock(); }
  ~TBitmapLock() { bitmap_->Unlock(); }
  TBitmapLock(const TBitmapLock&) = delete;
  TBitmapLock& operator=(const TBitmapLock&) = delete;

 private:
  TBitmap32* bitmap_;
};

class TCustomPaintBox32 : public vcl::TCustomControl {
  VCL_CLASS(TCustomPaintBox32, vcl::TCustomControl)
  // 192 x 192, with an empty buffer whose change notices are off for good.
  explicit TCustomPaintBox32(vcl::TComponent* owner);
  ~TCustomPaintBox32() override;

  TBitmap32* Buffer() const { return buffer_.get(); }
  int32_t BufferMargin() const { return bufferMargin_; }
  bool BufferValid() const { return bufferValid_; }

  // Where the buffer shows in the control: (0, 0, Width, Height) here.
  virtual TRect GetViewportRect();

  // Each marks the buffer invalid first.
  void Invalidate() override;
  void SetBounds(int left, int top, int width, int height) override;

  void Dispatch(vcl::TMessage& message) override;

  // Fired after every blit.
  TNotifyEvent OnGDIOverlay;

 protected:
  // Fills the buffer; here it only marks the buffer valid.
  virtual void DoPaintBuffer();
  // Draws over the blitted buffer on the control's canvas: fires OnGDIOverlay.
  virtual void DoPaintGDIOverlay();
  // Resizes the buffer to the viewport when it grew, or shrank by more than the margin.
  void FitBufferToViewport();
  void SetBufferValid(bool value) { bufferValid_ = value; }

  void Loaded() override;
  void Resize() override;
  void Paint() override;

 private:
  std::unique_ptr<TBitmap32> buffer_;
  int32_t bufferMargin_ = 40;
  bool bufferValid_ = false;
};

}  // namespace bitmap

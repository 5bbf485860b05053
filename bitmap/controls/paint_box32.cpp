#include "bitmap/controls/paint_box32.h"

#include <algorithm>

namespace bitmap {

TCustomPaintBox32::TCustomPaintBox32(vcl::TComponent* owner)
    : TCustomControl(owner), buffer_(std::make_unique<TBitmap32>()) {
  // The buffer is drawn into constantly; nobody listens to it.
  buffer_->BeginUpdate();
  SetBounds(0, 0, 192, 192);
}

TCustomPaintBox32::~TCustomPaintBox32() = default;

TRect TCustomPaintBox32::GetViewportRect() { return TRect{0, 0, Width(), Height()}; }

void TCustomPaintBox32::Invalidate() {
  bufferValid_ = false;
  TCustomControl::Invalidate();
}

void TCustomPaintBox32::SetBounds(int left, int top, int width, int height) {
  bufferValid_ = false;
  TCustomControl::SetBounds(left, top, width, height);
}

void TCustomPaintBox32::Loaded() {
  bufferValid_ = false;
  TCustomControl::Loaded();
}

void TCustomPaintBox32::Resize() {
  FitBufferToViewport();
  bufferValid_ = false;
  TCustomControl::Resize();
}

void TCustomPaintBox32::FitBufferToViewport() {
  const TRect viewport = GetViewportRect();
  const int32_t newWidth = std::max(viewport.Right - viewport.Left, 0);
  const int32_t newHeight = std::max(viewport.Bottom - viewport.Top, 0);
  auto fitted = [this](int32_t current, int32_t wanted) {
    int32_t size = current;
    if (size < wanted) size = wanted + bufferMargin_;
    else if (wanted < size - bufferMargin_) size = wanted;
    return std::max(size, 1);
  };
  const int32_t w = fitted(buffer_->Width(), newWidth);
  const int32_t h = fitted(buffer_->Height(), newHeight);
  if (w == buffer_->Width() && h == buffer_->Height()) return;
  // The margin only decides when to resize; the buffer then matches the viewport exactly.
  TBitmapLock lock(buffer_.get());
  buffer_->SetSize(newWidth, newHeight);
  bufferValid_ = false;
}

void TCustomPaintBox32::DoPaintBuffer() { bufferValid_ = true; }

void TCustomPaintBox32::DoPaintGDIOverlay() {
  if (OnGDIOverlay) OnGDIOverlay(this);
}

void TCustomPaintBox32::Paint() {
  FitBufferToViewport();
  if (!bufferValid_) DoPaintBuffer();
  {
    TBitmapLock lock(buffer_.get());
    const TRect r = GetViewportRect();
    if (buffer_->DC())
      BitBlt(Canvas()->Handle(), r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, buffer_->DC(), 0, 0, SRCCOPY);
  }
  DoPaintGDIOverlay();
}

void TCustomPaintBox32::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case WM_ERASEBKGND:
      // The blit covers the viewport; erasing first would only flicker.
      message.Result = 1;
      break;
    case WM_GETDLGCODE:
      TCustomControl::Dispatch(message);
      message.Result &= ~static_cast<LRESULT>(DLGC_WANTARROWS);
      break;
    default: TCustomControl::Dispatch(message); break;
  }
}

}  // namespace bitmap

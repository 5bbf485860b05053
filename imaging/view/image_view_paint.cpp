// Painting the view: the back buffer (composed only when dirty) copied to the window in one
// transfer, so nothing flickers, then what is drawn over it on the window: event hooks, the
// version text and the interaction hint.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/base/system_info.h"
#include "imaging/model/drawdib.h"
#include "imaging/model/frames_and_shadows.h"
#include "imaging/model/hint_boxes.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/colours.h"
#include "vcl/runtime/win.h"

namespace imaging {

void TImageView::PaintNow() {
  if (HandleAllocated()) Paint();
}

void TImageView::Paint() {
  if (!HandleAllocated()) return;
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  if (!((HasParentWindow() && vw != 0 && vh != 0) || fixedSize_)) return;
  vcl::TCanvas* canvas = Canvas();
  // What fails in the body is dropped: the version text and the hint still come, and the
  // next paint tries again (a back buffer that failed to build stays dirty).
  try {
    if (ComponentState().Contains(vcl::csDesigning)) {
      PaintBackgroundTo(canvas);
    } else {
      if (paintLock_ == 0) {
        vcl::TRect rect{0, 0, vw, vh};
        if (!fullRepaint_) {
          rect = canvas->ClipRect();
          if (rect.right == 0 || rect.bottom == 0) {
            rect.right = vw;
            rect.bottom = vh;
          }
        }
        CopyBackBufferToCanvas(rect);
        if (OnDrawCanvas) OnDrawCanvas(this, canvas, vcl::TRect{0, 0, vw, vh});
      }
      fullRepaint_ = false;
      // The selection goes straight onto the window, over the picture; a moving rectangle
      // draws itself as it moves.
      if (!movingRect_) DrawSelection(this, false);
      if (OnPaint) OnPaint(this);
    }
  } catch (...) {
  }
  try {
    if (drawVersion_) DrawVersionText();
    if (!hintText_.empty() && enableInteractionHints_) {
      int32_t x = hintX_, y = hintY_;
      DrawInteractionHint(canvas, x, y, hintText_, hintTemplate_);
    }
    if (hasOwner_ && initialCursor_) {
      SetCursor(cursorSetting_);
      initialCursor_ = false;
    }
  } catch (...) {
  }
}

void TImageView::CopyBackBufferToCanvas(const vcl::TRect& rect) {
  if (!HasParentWindow() && !fixedSize_) return;
  if (!backBuffer_) return;
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  if (backBuffer_->Width() != vw || backBuffer_->Height() != vh) {
    backBuffer_->Allocate(vw, vh, ie24RGB);
    backBufferDirty_ = true;
  }
  if (backBufferDirty_) {
    // Only the area asked for is composed (inclusive clip).
    const RECT clip{rect.left, rect.top, rect.right - 1, rect.bottom - 1};
    PaintToBackBuffer(backBuffer_.get(), &backRows_, true, true, &clip);
    if (OnDrawBackBuffer) OnDrawBackBuffer(this);
    backBufferDirty_ = false;
  }
  vcl::TCanvas* canvas = Canvas();
  const int32_t w = std::min(rect.right - rect.left, vw), h = std::min(rect.bottom - rect.top, vh);
  if (w <= 0 || h <= 0) return;
  const TIEDisplayMetrics& metrics = DisplayMetrics();
  vcl::TBitmap* platform = backBuffer_->GetVclBitmap();
  GdiFlush();
  if ((drawDibPreferred_ || metrics.BitsPerPixel <= 8) && !metrics.RemoteSession &&
      backBuffer_->PixelFormat() == ie24RGB) {
    if (!drawDib_) drawDib_ = IEDrawDibOpen();
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = vw;
    header.biHeight = vh;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    // Bottom-up rows: the lowest address is the last row.
    void* bits = platform->ScanLine(vh - 1);
    IEDrawDibDraw(static_cast<HDRAWDIB>(drawDib_), canvas->Handle(), rect.left, rect.top, w, h, &header, bits,
                  rect.left, rect.top, w, h, 0);
  } else if (metrics.BitsPerPixel < 24 && !metrics.RemoteSession) {
    SetStretchBltMode(canvas->Handle(), HALFTONE);
    StretchBlt(canvas->Handle(), rect.left, rect.top, w, h, platform->Canvas()->Handle(), rect.left, rect.top, w, h,
               SRCCOPY);
  } else if (isNavigator_ && (navigatorOptions_ & ienoShadeOutside)) {
    CopyShadedBackBuffer(rect);
  } else {
    BitBlt(canvas->Handle(), rect.left, rect.top, w, h, platform->Canvas()->Handle(), rect.left, rect.top, SRCCOPY);
  }
  lastWindow_ = Handle();
}

// Only what is anchored to the picture may move with it: a solid background (a chessboard,
// gradient or wallpaper stays where the window has it), no greyed or dimmed checker, no
// selection marks, pixel grid or layer boxes, and nothing the application draws into the buffer.
// Otherwise false, and the caller composes the whole buffer.
bool TImageView::ScrollBackBuffer(int32_t dx, int32_t dy) {
  if (!backBuffer_ || ComponentState().Contains(vcl::csDesigning)) return false;
  const int32_t w = backBuffer_->Width(), h = backBuffer_->Height();
  if (w != GetViewWidth() || h != GetViewHeight() || backBuffer_->PixelFormat() != ie24RGB) return false;
  if (std::abs(dx) >= w || std::abs(dy) >= h) return false;
  if (backgroundStyle_ != iebsSolid || (wallPaper_ && wallPaper_->Graphic()) || OnDrawBackground ||
      OnDrawBackBuffer || layersDisplayMode_ >= 2 || displayGrid_ || !polygon_.empty())
    return false;
  // Only the fast path draws through the view's own tables, which are fixed to the zoomed
  // picture: a strip composed there meets the moved pixels exactly. Layers drawn by their own
  // rectangles are clipped to the buffer before scaling, and a filter resamples the area
  // drawn, so their pixels depend on where the buffer's edge falls.
  if (!UsesFastPath(layers_[0].get())) return false;
  // Boxes and grips there outline the visible area, which does not move with the picture.
  if ((mouseInteract_ & (miMoveLayers | miResizeLayers | miRotateLayers)) || drawAllBoxes_) return false;
  for (auto& layer : layers_) {
    if (layer->DimOutside) return false;
    if (layer->Visible && LayerFilter(layer.get()) != rfNone) return false;
  }
  if (dx == 0 && dy == 0) return true;

  GdiFlush();
  const int32_t keep = w - std::abs(dx);
  const int32_t from = std::max(dx, 0), to = std::max(-dx, 0);
  auto moveRow = [&](int32_t target, int32_t source) {
    auto* t = static_cast<uint8_t*>(backBuffer_->Scanline(target));
    const auto* s = static_cast<const uint8_t*>(backBuffer_->Scanline(source));
    std::memmove(t + to * 3, s + from * 3, static_cast<size_t>(keep) * 3);
  };
  if (dy >= 0)
    for (int32_t y = 0; y + dy < h; ++y) moveRow(y, y + dy);
  else
    for (int32_t y = h - 1; y + dy >= 0; --y) moveRow(y, y + dy);

  if (dx != 0) {
    const RECT strip = dx > 0 ? RECT{w - dx, 0, w - 1, h - 1} : RECT{0, 0, -dx - 1, h - 1};
    PaintToBackBuffer(backBuffer_.get(), &backRows_, true, true, &strip);
  }
  if (dy != 0) {
    const RECT strip = dy > 0 ? RECT{0, h - dy, w - 1, h - 1} : RECT{0, 0, w - 1, -dy - 1};
    PaintToBackBuffer(backBuffer_.get(), &backRows_, true, true, &strip);
  }
  return true;
}

void TImageView::CopyShadedBackBuffer(const vcl::TRect& rect) {
  const int32_t vw = GetViewWidth(), vh = GetViewHeight();
  if (!shadeBuffer_) {
    shadeBuffer_ = std::make_unique<TIEBitmap>(vw, vh, ie24RGB);
    shadeBuffer_->SetLocation(ieTBitmap);
  }
  if (shadeBuffer_->Width() != vw || shadeBuffer_->Height() != vh) shadeBuffer_->Allocate(vw, vh, ie24RGB);
  const int32_t w = std::min(rect.right - rect.left, vw), h = std::min(rect.bottom - rect.top, vh);
  vcl::TCanvas* work = shadeBuffer_->GetVclBitmap()->Canvas();
  BitBlt(work->Handle(), rect.left, rect.top, w, h, backBuffer_->GetVclBitmap()->Canvas()->Handle(), rect.left,
         rect.top, SRCCOPY);
  if (layersCurrent_ >= 0) {
    const auto& d = layers_[layersCurrent_]->DrawnDest;
    const vcl::TRect& shown = shownRect_;
    ShadeOutsideRect(work, d[0], d[1], d[2], d[3], shown.left, shown.top, shown.right, shown.bottom);
  }
  BitBlt(Canvas()->Handle(), rect.left, rect.top, w, h, work->Handle(), rect.left, rect.top, SRCCOPY);
}

void TImageView::DrawVersionText() {
  vcl::TCanvas* canvas = Canvas();
  canvas->Font()->SetName("Arial");
  canvas->Font()->SetHeight(13);
  canvas->Font()->SetColor(vcl::clBlack);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(static_cast<vcl::TColor>(0xFFFFFF));
  const std::string text = "Imaging Version " + ImageVersion() + " - 21/3/2010";
  canvas->TextOut(GetViewWidth() - canvas->TextWidth(text), GetViewHeight() - canvas->TextHeight(text), text);
}

void TImageView::InvalidateImageRect(const vcl::TRect& rect) {
  backBufferDirty_ = true;
  if (!HandleAllocated()) return;
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  InvalidateRect(Handle(), &r, FALSE);
}

void TImageView::PaintBackgroundTo(vcl::TCanvas* canvas) {
  TIEBackgroundParams params;
  params.designing = ComponentState().Contains(vcl::csDesigning);
  params.style = backgroundStyle_;
  params.background = Background();
  params.cellSize = chessboardSize_;
  params.chessboardBrush = chessboardBrushStyle_;
  params.gradientEnd = gradientEndColour_;
  params.wallPaper = wallPaper_.get();
  params.wallPaperStyle = wallPaperStyle_;
  PaintViewBackground(canvas, nullptr, params, 0, 0, Width(), Height(), vcl::TRect{0, 0, 0, 0});
}

void TImageView::SetBackgroundStyle(TIEBackgroundStyle value) {
  backgroundStyle_ = value;
  Invalidate();
  updateKind_ = 4;
  Update();
}

void TImageView::SetChessboardParams(int32_t cellSize, vcl::TBrushStyle brushStyle) {
  chessboardSize_ = cellSize;
  chessboardBrushStyle_ = brushStyle;
}

void TImageView::SetGradientEndColor(vcl::TColor value) {
  gradientEndColour_ = value;
  updateKind_ = 4;
  Update();
}

void TImageView::SetWallPaper(vcl::TPicture* value) {
  wallPaper_->Assign(value);
  updateKind_ = 4;
  Update();
}

void TImageView::SetWallPaperStyle(TIEWallPaperStyle value) {
  wallPaperStyle_ = value;
  updateKind_ = 4;
  Update();
}

}  // namespace imaging

#include "bitmap/controls/image32.h"

#include <cmath>

#include "vcl/runtime/exceptions.h"
#include "vcl/controls/screen.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace bitmap {

namespace {

constexpr float MinScale = 0.001f;

void DrawFocusFrame(TBitmap32* dest, const TRect& r) {
  if (!dest->DC()) return;
  RECT frame{r.Left, r.Top, r.Right, r.Bottom};
  DrawFocusRect(dest->DC(), &frame);
  GdiFlush();
}

}  // namespace

// ---- TPaintStages ------------------------------------------------------------------------------

TPaintStages::~TPaintStages() { Clear(); }

TPaintStageRec& TPaintStages::Add() { return stages_.emplace_back(); }

TPaintStageRec& TPaintStages::Items(int index) {
  if (index < 0 || index >= Count())
    throw vcl::EListError(vcl::Format("List index out of bounds (%d)", index));
  return stages_[static_cast<size_t>(index)];
}

// ---- TCustomImage32: life and settings ---------------------------------------------------------

TCustomImage32::TCustomImage32(vcl::TComponent* owner) : TCustomPaintBox32(owner) {
  SetControlStyle(vcl::TControlStyle{vcl::csAcceptsControls, vcl::csCaptureMouse, vcl::csClickEvents,
                                     vcl::csDoubleClicks, vcl::csOpaque, vcl::csReplicatable});
  bitmap_ = std::make_unique<TBitmap32>();
  bitmap_->OnChange = [this](vcl::TObject* sender) { ChangedHandler(sender); };
  bitmap_->OnResize = [this](vcl::TObject* sender) { BitmapResizedHandler(sender); };
  layers_ = std::make_unique<TLayerCollection>(this);
  layers_->SetViewTransform(&viewTransform_);
  layers_->OnChange = [this](vcl::TObject* sender) { ChangedHandler(sender); };
  layers_->OnOverlayUpdate = [this](vcl::TObject* sender) { OverlayUpdateHandler(sender); };
  paintStages_ = std::make_unique<TPaintStages>();
  scale_ = 1.0f;
  InitDefaultStages();
}

TCustomImage32::~TCustomImage32() {
  BeginUpdate();
  paintStages_.reset();
  layers_.reset();
  bitmap_->OnChange = nullptr;
  bitmap_->OnResize = nullptr;
  bitmap_.reset();
}

void TCustomImage32::InitDefaultStages() {
  struct TDefault {
    bool design, run;
    TPaintStageKind kind;
    uint32_t parameter;
  };
  static constexpr TDefault defaults[] = {
      {true, true, psClearBackground, 0}, {true, false, psControlFrame, 0}, {true, true, psDrawBitmap, 0},
      {true, false, psBitmapFrame, 0},    {true, true, psDrawLayers, loVisible},
  };
  for (const TDefault& d : defaults) {
    TPaintStageRec& stage = paintStages_->Add();
    stage.AtDesignTime = d.design;
    stage.AtRunTime = d.run;
    stage.Kind = d.kind;
    stage.Parameter = d.parameter;
  }
}

void TCustomImage32::SetBitmap(TBitmap32* value) {
  InvalidatePlacement();
  bitmap_->Assign(value);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign value) {
  InvalidatePlacement();
  bitmapAlign_ = value;
  Changed();
}

void TCustomImage32::SetBitmapOffsetX(float value) {
  if (value == bitmapOffsetX_) return;
  InvalidatePlacement();
  bitmapOffsetX_ = value;
  Changed();
}

void TCustomImage32::SetBitmapOffsetY(float value) {
  if (value == bitmapOffsetY_) return;
  InvalidatePlacement();
  bitmapOffsetY_ = value;
  Changed();
}

void TCustomImage32::SetScale(float value) {
  if (!(value >= MinScale)) value = MinScale;  // a value that is not a number too
  if (value == scale_) return;
  InvalidatePlacement();
  scale_ = value;
  ScaleChanged();
  Changed();
}

void TCustomImage32::SetScaleMode(TScaleMode value) {
  if (value == scaleMode_) return;
  InvalidatePlacement();
  scaleMode_ = value;
  Changed();
}

void TCustomImage32::BeginUpdate() { ++updateCount_; }

void TCustomImage32::EndUpdate() {
  vcl::Assert(updateCount_ > 0, "Unpaired EndUpdate call");
  --updateCount_;
}

void TCustomImage32::Changed() {
  if (updateCount_ != 0) return;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TCustomImage32::Invalidate() {
  InvalidatePlacement();
  TCustomPaintBox32::Invalidate();
}

void TCustomImage32::OverlayUpdateHandler(vcl::TObject*) {
  // The buffer is still good: show it again and repaint only the canvas overlays.
  if (HandleAllocated()) Paint();
}

SIZE TCustomImage32::AutoSizeExtent() const {
  SIZE size{bitmap_->Width(), bitmap_->Height()};
  if (scaleMode_ == smScale) {
    size.cx = int32_t(vcl::Round(double(size.cx) * scale_));
    size.cy = int32_t(vcl::Round(double(size.cy) * scale_));
  }
  return size;
}

void TCustomImage32::BitmapSizeChanged() {
  if (AutoSize()) {
    const SIZE size = AutoSizeExtent();
    if (size.cx > 0 && size.cy > 0) SetBounds(Left(), Top(), size.cx, size.cy);
  }
  if (updateCount_ == 0 && OnBitmapResize) OnBitmapResize(this);
  InvalidatePlacement();
  Invalidate();
}

bool TCustomImage32::CanAutoSize(int& newWidth, int& newHeight) {
  InvalidatePlacement();
  const SIZE size = AutoSizeExtent();
  if (ComponentState().Contains(vcl::csDesigning) && (size.cx <= 0 || size.cy <= 0)) return true;
  const vcl::TAlign align = Align();
  if (align == vcl::alNone || align == vcl::alLeft || align == vcl::alRight) newWidth = size.cx;
  if (align == vcl::alNone || align == vcl::alTop || align == vcl::alBottom) newHeight = size.cy;
  return true;
}

void TCustomImage32::Loaded() {
  TCustomPaintBox32::Loaded();
  DoInitStages();
}

void TCustomImage32::DoInitStages() {
  if (OnInitStages) OnInitStages(this);
}

void TCustomImage32::Resize() {
  InvalidatePlacement();
  TCustomPaintBox32::Resize();
}

// ---- TCustomImage32: placement -----------------------------------------------------------------

SIZE TCustomImage32::GetBitmapSize() {
  const int32_t w = Width(), h = Height();
  const int32_t bw = bitmap_->Width(), bh = bitmap_->Height();
  if (bitmap_->IsEmpty() || w == 0 || h == 0) return SIZE{0, 0};
  SIZE size{0, 0};
  switch (scaleMode_) {
    case smNormal: size = SIZE{bw, bh}; break;
    case smStretch: size = SIZE{w, h}; break;
    case smScale: size = SIZE{int32_t(vcl::Round(double(bw) * scale_)), int32_t(vcl::Round(double(bh) * scale_))}; break;
    case smResize: {
      const float mx = float(w) / float(bw), my = float(h) / float(bh);
      if (mx >= my) size = SIZE{int32_t(vcl::Round(double(bw) * my)), h};
      else size = SIZE{w, int32_t(vcl::Round(double(bh) * mx))};
      break;
    }
  }
  if (size.cx <= 0) size.cx = 0;
  if (size.cy <= 0) size.cy = 0;
  return size;
}

TRect TCustomImage32::GetBitmapRect() {
  if (bitmap_->IsEmpty()) return TRect{};
  const SIZE size = GetBitmapSize();
  TRect r{0, 0, size.cx, size.cy};
  switch (bitmapAlign_) {
    case baCenter: OffsetRectBy(r, (Width() - size.cx) / 2, (Height() - size.cy) / 2); break;
    case baCustom: OffsetRectBy(r, int32_t(vcl::Round(bitmapOffsetX_)), int32_t(vcl::Round(bitmapOffsetY_))); break;
    case baTopLeft:
    case baTile: break;
  }
  return r;
}

void TCustomImage32::SetTransformFor(const TRect& r) {
  if (bitmap_->IsEmpty() || RectIsEmpty(r)) {
    viewTransform_ = TViewTransform{};
    return;
  }
  viewTransform_.OffsetX = r.Left;
  viewTransform_.OffsetY = r.Top;
  viewTransform_.ScaleX = MulDiv(r.Right - r.Left, 65536, bitmap_->Width());
  viewTransform_.ScaleY = MulDiv(r.Bottom - r.Top, 65536, bitmap_->Height());
}

void TCustomImage32::RefreshPlacement() {
  if (placementValid_) return;
  placedBitmapRect_ = GetBitmapRect();
  SetTransformFor(placedBitmapRect_);
  placementValid_ = true;
}

// ---- TCustomImage32: painting ------------------------------------------------------------------

void TCustomImage32::RunStage(TBitmap32* dest, uint32_t index) {
  switch (paintStages_->Items(static_cast<int>(index)).Kind) {
    case psCustom: DoPaintStage(dest, index); break;
    case psClearBuffer: ClearBuffer(dest, index); break;
    case psClearBackground: ClearBackground(dest, index); break;
    case psDrawBitmap: PaintBitmap(dest, index); break;
    case psDrawLayers: PaintLayers(dest, index); break;
    case psControlFrame: PaintControlFrame(dest, index); break;
    case psBitmapFrame: PaintBitmapFrame(dest, index); break;
    default: break;
  }
}

void TCustomImage32::DoPaintBuffer() {
  RefreshPlacement();
  const bool designing = ComponentState().Contains(vcl::csDesigning);
  for (int i = 0; i < paintStages_->Count(); ++i) {
    const TPaintStageRec& stage = paintStages_->Items(i);
    if ((stage.AtDesignTime && designing) || (stage.AtRunTime && !designing)) RunStage(Buffer(), uint32_t(i));
  }
  TCustomPaintBox32::DoPaintBuffer();
}

void TCustomImage32::DoPaintGDIOverlay() {
  for (int i = 0; i < layers_->Count(); ++i) {
    TCustomLayer* layer = layers_->Items(i);
    if (layer->Options() & loCanvasOverlay) layer->PaintOverlay(Canvas());
  }
  TCustomPaintBox32::DoPaintGDIOverlay();
}

void TCustomImage32::PaintTo(TBitmap32* dest, const TRect& destRect) {
  placedBitmapRect_ = destRect;
  SetTransformFor(destRect);
  placementValid_ = true;
  paintToActive_ = true;
  try {
    for (int i = 0; i < paintStages_->Count(); ++i)
      if (paintStages_->Items(i).AtRunTime) RunStage(dest, uint32_t(i));
  } catch (...) {
    paintToActive_ = false;
    placementValid_ = false;
    throw;
  }
  paintToActive_ = false;
  placementValid_ = false;
}

TColor32 TCustomImage32::BackgroundColor() { return ColorToColor32(Color()); }

void TCustomImage32::ClearBuffer(TBitmap32* dest, uint32_t) { dest->FillColor(BackgroundColor()); }

void TCustomImage32::ClearBackground(TBitmap32* dest, uint32_t) {
  const TColor32 c = BackgroundColor();
  if (bitmap_->IsEmpty() || bitmap_->DrawMode() != dmOpaque) {
    dest->FillColor(c);
    return;
  }
  const TRect r = placedBitmapRect_;
  const int32_t w = Width(), h = Height();
  if (r.Left > 0 || r.Right < w || r.Top > 0 || (r.Bottom < h && bitmapAlign_ != baTile)) {
    dest->FillRectClipped(0, 0, w, r.Top, c);
    dest->FillRectClipped(0, r.Bottom, w, h, c);
    dest->FillRectClipped(0, r.Top, r.Left, r.Bottom, c);
    dest->FillRectClipped(r.Right, r.Top, w, r.Bottom, c);
  }
}

void TCustomImage32::PaintBitmap(TBitmap32* dest, uint32_t) {
  const TRect r = placedBitmapRect_;
  if (bitmap_->IsEmpty() || RectIsEmpty(r)) return;
  TBitmapLock lock(bitmap_.get());
  // The tiles step by the rectangle's right and bottom edges. PaintTo may place the bitmap in a
  // rectangle that ends at or before the origin: with no step to tile by, it is drawn once
  // (and clipped away) instead of dividing by 0.
  if (bitmapAlign_ == baTile && r.Right > 0 && r.Bottom > 0) {
    // A tiled bitmap is never moved, so its rectangle starts at (0, 0).
    for (int32_t j = 0; j <= dest->Height() / r.Bottom; ++j)
      for (int32_t i = 0; i <= dest->Width() / r.Right; ++i) {
        TRect tile = r;
        OffsetRectBy(tile, i * r.Right, j * r.Bottom);
        bitmap_->DrawToRect(dest, tile);
      }
  } else {
    bitmap_->DrawToRect(dest, r);
  }
}

void TCustomImage32::PaintLayers(TBitmap32* dest, uint32_t stageNum) {
  const uint32_t mask = paintStages_->Items(static_cast<int>(stageNum)).Parameter;
  for (int i = 0; i < layers_->Count(); ++i) {
    TCustomLayer* layer = layers_->Items(i);
    if (layer->Options() & mask) layer->PaintWithEvent(dest);
  }
}

void TCustomImage32::PaintControlFrame(TBitmap32* dest, uint32_t) {
  DrawFocusFrame(dest, TRect{0, 0, Width(), Height()});
}

void TCustomImage32::PaintBitmapFrame(TBitmap32* dest, uint32_t) { DrawFocusFrame(dest, placedBitmapRect_); }

void TCustomImage32::DoPaintStage(TBitmap32* dest, uint32_t stageNum) {
  if (OnPaintStage) OnPaintStage(this, dest, stageNum);
}

// ---- TCustomImage32: mouse ---------------------------------------------------------------------

void TCustomImage32::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TCustomPaintBox32::MouseDown(button, shift, x, y);
  if (TabStop() && CanFocus()) SetFocus();
  TCustomLayer* layer = layers_->MouseEvents() ? layers_->MouseDown(button, shift, x, y) : nullptr;
  if (button == vcl::mbLeft || layers_->CapturingLayer()) SetMouseCapture(true);
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y, layer);
}

void TCustomImage32::MouseMove(vcl::TShiftState shift, int x, int y) {
  TCustomPaintBox32::MouseMove(shift, x, y);
  TCustomLayer* layer = layers_->MouseEvents() ? layers_->MouseMove(shift, x, y) : nullptr;
  if (OnMouseMove) OnMouseMove(this, shift, x, y, layer);
}

void TCustomImage32::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TCustomLayer* layer = layers_->MouseEvents() ? layers_->MouseUp(button, shift, x, y) : nullptr;
  if (button == vcl::mbLeft && !layers_->CapturingLayer()) SetMouseCapture(false);
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y, layer);
}

void TCustomImage32::CMMouseLeave(vcl::TMessage& message) {
  if (message.LParam == 0 && layers_->MouseEvents() && !layers_->CapturingLayer() && vcl::Screen)
    vcl::Screen->SetCursor(vcl::crDefault);
  TCustomPaintBox32::CMMouseLeave(message);
}

// ---- TImage32 ----------------------------------------------------------------------------------

TImage32::TImage32(vcl::TComponent* owner) : TCustomImage32(owner) {}
TImage32::~TImage32() = default;

// ---- form data ---------------------------------------------------------------------------------

VCL_PUBLISHED(TCustomImage32, p) {
  p.Object("Bitmap", &TCustomImage32::Bitmap, &TCustomImage32::SetBitmap)
      .Float("Scale", &TCustomImage32::Scale, &TCustomImage32::SetScale)
      .Event("OnBitmapResize", &TCustomImage32::OnBitmapResize)
      .Event("OnChange", &TCustomImage32::OnChange)
      .Event("OnGDIOverlay", &TCustomImage32::OnGDIOverlay)
      .Event("OnInitStages", &TCustomImage32::OnInitStages)
      .Event("OnMouseDown", &TCustomImage32::OnMouseDown)
      .Event("OnMouseMove", &TCustomImage32::OnMouseMove)
      .Event("OnMouseUp", &TCustomImage32::OnMouseUp)
      .Event("OnPaintStage", &TCustomImage32::OnPaintStage);
}

VCL_PUBLISHED(TImage32, p) {
  p.Enum("BitmapAlign", &TImage32::BitmapAlign, &TImage32::SetBitmapAlign,
         {"baTopLeft", "baCenter", "baTile", "baCustom"}, baTopLeft)
      .Enum("ScaleMode", &TImage32::ScaleMode, &TImage32::SetScaleMode, {"smNormal", "smStretch", "smScale", "smResize"},
            smNormal);
}

}  // namespace bitmap

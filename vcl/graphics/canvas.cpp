#include "vcl/graphics/canvas.h"

#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/graphics/graphic.h"

namespace vcl {

namespace {

// Keeps the canvas locked for the length of one drawing call.
class CanvasLock {
 public:
  explicit CanvasLock(TCanvas* canvas) : canvas_(canvas) { canvas_->Lock(); }
  ~CanvasLock() { canvas_->Unlock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

 private:
  TCanvas* canvas_;
};

// Lines and shapes: the pen, and the brush for fills and the gaps of dashed lines.
constexpr unsigned kLineState = csHandleValid | csPenValid | csBrushValid;

}  // namespace

TCanvas::TCanvas() {
  InitializeCriticalSection(&lock_);
  font_.OnChange = [this](TObject*) { FontChanged(); };
  pen_.OnChange = [this](TObject*) { PenChanged(); };
  brush_.OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() {
  // The DC belongs to whoever gave it; only our tools are taken out of it.
  SetHandle(nullptr);
  DeleteCriticalSection(&lock_);
}

// ---- the DC ----------------------------------------------------------------------------------

HDC TCanvas::Handle() {
  RequiredState(csHandleValid);
  return handle_;
}

void TCanvas::SetHandle(HDC dc) {
  if (handle_ == dc) return;
  if (handle_) {
    DeselectHandles();
    POINT pos;
    if (GetCurrentPositionEx(handle_, &pos)) penPos_ = pos;
    handle_ = nullptr;
    state_ &= ~csHandleValid;
  }
  if (dc) {
    state_ |= csHandleValid;
    handle_ = dc;
    MoveToEx(handle_, penPos_.x, penPos_.y, nullptr);
  }
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::DeselectHandles() {
  if (handle_ && (state_ & (csPenValid | csBrushValid | csFontValid))) {
    SelectObject(handle_, GetStockObject(BLACK_PEN));
    SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
    SelectObject(handle_, GetStockObject(SYSTEM_FONT));
  }
  state_ &= ~(csPenValid | csBrushValid | csFontValid);
}

void TCanvas::RequiredState(unsigned required) {
  unsigned needed = required & ~state_;
  if (!needed) return;
  if (needed & csHandleValid) {
    CreateHandle();
    if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
  }
  if (needed & csFontValid) SelectFont();
  if (needed & csPenValid) SelectPen();
  if (needed & csBrushValid) SelectBrush();
}

void TCanvas::SelectFont() {
  SelectObject(handle_, font_.Handle());
  SetTextColor(handle_, static_cast<COLORREF>(ColorToRGB(font_.Color())));
  state_ |= csFontValid;
}

void TCanvas::SelectPen() {
  SelectObject(handle_, pen_.Handle());
  SetROP2(handle_, PenModeToRop2(pen_.Mode()));
  state_ |= csPenValid;
}

void TCanvas::SelectBrush() {
  UnrealizeObject(brush_.Handle());
  SelectObject(handle_, brush_.Handle());
  COLORREF color = static_cast<COLORREF>(ColorToRGB(brush_.Color()));
  if (brush_.Style() == bsSolid) {
    SetBkColor(handle_, color);
    SetBkMode(handle_, OPAQUE);
  } else {
    // Hatches are drawn only where they differ from the background colour; the gaps stay
    // transparent.
    SetBkColor(handle_, ~color & 0xFFFFFF);
    SetBkMode(handle_, TRANSPARENT);
  }
  state_ |= csBrushValid;
}

void TCanvas::FontChanged() {
  if (state_ & csFontValid) {
    state_ &= ~csFontValid;
    SelectObject(handle_, GetStockObject(SYSTEM_FONT));
  }
}

void TCanvas::PenChanged() {
  if (state_ & csPenValid) {
    state_ &= ~csPenValid;
    SelectObject(handle_, GetStockObject(BLACK_PEN));
  }
}

void TCanvas::BrushChanged() {
  if (state_ & csBrushValid) {
    state_ &= ~csBrushValid;
    SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
  }
}

// ---- locking ---------------------------------------------------------------------------------

void TCanvas::Lock() {
  EnterCriticalSection(&lock_);
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  LeaveCriticalSection(&lock_);
}

bool TCanvas::TryLock() {
  if (lockCount_.load() != 0) return false;
  if (!TryEnterCriticalSection(&lock_)) return false;
  ++lockCount_;
  return true;
}

// ---- state -----------------------------------------------------------------------------------

TCanvasOrientation TCanvas::CanvasOrientation() {
  if ((textFlags_ & ETO_RTLREADING) && (GetTextAlign(Handle()) & TA_RTLREADING))
    return coRightToLeft;
  return coLeftToRight;
}

TPoint TCanvas::PenPos() {
  RequiredState(csHandleValid);
  POINT pos;
  GetCurrentPositionEx(handle_, &pos);
  return pos;
}

TRect TCanvas::ClipRect() {
  RequiredState(csHandleValid);
  RECT r;
  GetClipBox(handle_, &r);
  return r;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

// ---- drawing ---------------------------------------------------------------------------------

void TCanvas::MoveTo(int x, int y) {
  RequiredState(csHandleValid);
  MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Drawing(kLineState, [&] { ::LineTo(handle_, x, y); });
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  Drawing(kLineState, [&] { ::Polyline(handle_, points.data(), static_cast<int>(points.size())); });
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  Drawing(kLineState, [&] { ::Polygon(handle_, points.data(), static_cast<int>(points.size())); });
}

void TCanvas::PolyBezier(std::span<const TPoint> points) {
  Drawing(kLineState, [&] { ::PolyBezier(handle_, points.data(), static_cast<DWORD>(points.size())); });
}

void TCanvas::PolyBezierTo(std::span<const TPoint> points) {
  Drawing(kLineState, [&] { ::PolyBezierTo(handle_, points.data(), static_cast<DWORD>(points.size())); });
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Drawing(kLineState, [&] { ::Rectangle(handle_, x1, y1, x2, y2); });
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
  Drawing(kLineState, [&] { ::RoundRect(handle_, x1, y1, x2, y2, cornerWidth, cornerHeight); });
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Drawing(kLineState, [&] { ::Ellipse(handle_, x1, y1, x2, y2); });
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Drawing(kLineState, [&] { ::Arc(handle_, x1, y1, x2, y2, x3, y3, x4, y4); });
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Drawing(kLineState, [&] { ::Chord(handle_, x1, y1, x2, y2, x3, y3, x4, y4); });
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Drawing(kLineState, [&] { ::Pie(handle_, x1, y1, x2, y2, x3, y3, x4, y4); });
}

void TCanvas::FillRect(const TRect& r) {
  Drawing(csHandleValid | csBrushValid, [&] { ::FillRect(handle_, &r, brush_.Handle()); });
}

void TCanvas::FrameRect(const TRect& r) {
  Drawing(csHandleValid | csBrushValid, [&] { ::FrameRect(handle_, &r, brush_.Handle()); });
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Drawing(csHandleValid | csBrushValid, [&] { ::DrawFocusRect(handle_, &r); });
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
  Drawing(csHandleValid | csBrushValid, [&] {
    // A system colour is resolved first: GDI would take its bit pattern for an RGB value.
    ExtFloodFill(handle_, x, y, static_cast<COLORREF>(ColorToRGB(color)),
                 style == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
  });
}

TColor TCanvas::Pixels(int x, int y) {
  RequiredState(csHandleValid);
  return static_cast<TColor>(GetPixel(handle_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Drawing(csHandleValid | csPenValid, [&] { SetPixel(handle_, x, y, static_cast<COLORREF>(ColorToRGB(color))); });
}

// ---- text ------------------------------------------------------------------------------------

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Drawing(csHandleValid | csFontValid | csBrushValid, [&] {
    if (CanvasOrientation() == coRightToLeft) x += TextWidth(text) + 1;
    ExtTextOutA(handle_, x, y, textFlags_, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    MoveTo(x + TextWidth(text), y);
  });
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  Drawing(csHandleValid | csFontValid | csBrushValid, [&] {
    UINT options = ETO_CLIPPED | textFlags_;
    if (brush_.Style() != bsClear) options |= ETO_OPAQUE;
    if ((textFlags_ & ETO_RTLREADING) && CanvasOrientation() == coRightToLeft) x += TextWidth(text) + 1;
    ExtTextOutA(handle_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
  });
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequiredState(csHandleValid | csFontValid);
  SIZE size{0, 0};
  GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

// ---- pictures --------------------------------------------------------------------------------

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Drawing(csHandleValid, [&] {
    // Monochrome pictures take their colours from the DC: the font's for 0, the brush's for 1.
    SetBkColor(handle_, static_cast<COLORREF>(ColorToRGB(brush_.Color())));
    SetTextColor(handle_, static_cast<COLORREF>(ColorToRGB(font_.Color())));
    graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
  });
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic) return;
  Drawing(csAllValid, [&] { graphic->Draw(this, r); });
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  Drawing(csHandleValid | csFontValid | csBrushValid, [&] {
    source->RequiredState(csHandleValid | csBrushValid);
    StretchBlt(handle_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source->handle_,
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, static_cast<DWORD>(copyMode_));
  });
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) {
  if (!bitmap) return;
  CanvasLock lock(this);
  TCanvas* sourceCanvas = bitmap->Canvas();
  CanvasLock sourceLock(sourceCanvas);
  Drawing(csHandleValid | csBrushValid, [&] {
    if (brush_.Style() != bsClear) ::FillRect(handle_, &dest, brush_.Handle());
    GdiTransparentBlt(handle_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
                      sourceCanvas->Handle(), source.left, source.top, source.right - source.left,
                      source.bottom - source.top, static_cast<UINT>(ColorToRGB(color)));
  });
}

}  // namespace vcl

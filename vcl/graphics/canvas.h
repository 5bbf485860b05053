// TCanvas: drawing on a device context with a font, a pen and a brush.
//
// The canvas makes its DC only when a drawing call needs it (CreateHandle, overridden by the
// canvases of bitmaps and controls) and selects each tool into the DC just before a call that
// uses it. When a tool changes, or the DC is given back, the tool is deselected again (stock
// objects go in its place), so the tools can delete their GDI objects safely.
#pragma once

#include <atomic>
#include <initializer_list>
#include <span>
#include <string>

#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/persistent.h"
#include "vcl/runtime/win.h"

namespace vcl {

// Rectangles, points and sizes are the platform's own records.
using TRect = RECT;
using TPoint = POINT;
using TSize = SIZE;

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}
inline TPoint Point(int x, int y) { return TPoint{x, y}; }

class TGraphic;
class TBitmap;

// Raster operations of CopyRect (the ROP codes of BitBlt).
using TCopyMode = int32_t;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

// FloodFill: fill the area of the given colour, or up to a border of the given colour.
enum TFillStyle { fsSurface, fsBorder };
enum TCanvasOrientation { coLeftToRight, coRightToLeft };

// What a canvas has made ready in its DC.
enum TCanvasState : unsigned {
  csHandleValid = 1,
  csFontValid = 2,
  csPenValid = 4,
  csBrushValid = 8,
  csAllValid = 15,
};

class TCanvas : public TPersistent {
  VCL_CLASS(TCanvas, TPersistent)
  TCanvas();
  ~TCanvas() override;

  // ---- the DC
  // The DC, made by CreateHandle when there is none; raises EInvalidOperation
  // "Canvas does not allow drawing" when the canvas has no way to make one.
  HDC Handle();
  // Draw on a DC made elsewhere (0 detaches the current one; it is not deleted).
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Deselects the tools so that the next drawing call selects them afresh.
  void Refresh();

  // ---- serialising drawers on several threads (re-entrant on one thread)
  void Lock();
  void Unlock();
  // Locks only when nobody holds the canvas; a canvas held by another drawer (on this thread
  // too) answers false.
  bool TryLock();
  int LockCount() const { return lockCount_.load(); }

  // ---- tools
  TFont* Font() { return &font_; }
  TPen* Pen() { return &pen_; }
  TBrush* Brush() { return &brush_; }
  void SetFont(TFont* font) { font_.Assign(font); }
  void SetPen(TPen* pen) { pen_.Assign(pen); }
  void SetBrush(TBrush* brush) { brush_.Assign(brush); }

  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
  // ETO_xxx flags given to every text output (ETO_RTLREADING, ETO_CLIPPED, ...).
  int TextFlags() const { return textFlags_; }
  void SetTextFlags(int flags) { textFlags_ = flags; }
  // Right to left when the text flags and the DC's text alignment both read right to left.
  TCanvasOrientation CanvasOrientation();

  TPoint PenPos();
  void SetPenPos(const TPoint& pos) { MoveTo(pos.x, pos.y); }

  // The bounding box of the DC's clip region; empty when nothing can be drawn.
  TRect ClipRect();

  // ---- drawing; right and bottom edges are exclusive, lines leave out their end point
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  void Polyline(std::initializer_list<TPoint> points) { Polyline(std::span(points.begin(), points.size())); }
  void Polygon(std::span<const TPoint> points);
  void Polygon(std::initializer_list<TPoint> points) { Polygon(std::span(points.begin(), points.size())); }
  // Cubic Bézier curves: 1 + 3n points.
  void PolyBezier(std::span<const TPoint> points);
  void PolyBezier(std::initializer_list<TPoint> points) { PolyBezier(std::span(points.begin(), points.size())); }
  void PolyBezierTo(std::span<const TPoint> points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.left, r.top, r.right, r.bottom); }
  // Arcs of the ellipse in (x1, y1, x2, y2), counter-clockwise from the radial through
  // (x3, y3) to the radial through (x4, y4).
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  // Fills with the brush; no outline.
  void FillRect(const TRect& r);
  // A one-pixel frame in the brush.
  void FrameRect(const TRect& r);
  // The dotted focus frame, drawn by XOR: a second call erases it.
  void DrawFocusRect(const TRect& r);
  void FloodFill(int x, int y, TColor color, TFillStyle style);

  TColor Pixels(int x, int y);  // -1 (CLR_INVALID) outside the DC's surface or clip
  void SetPixels(int x, int y, TColor color);

  // ---- text in the font; the background is the brush's unless the brush is clear
  void TextOut(int x, int y, const std::string& text);
  // Text clipped to the rectangle, which is filled with the brush first unless it is clear.
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

  // ---- pictures
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  // Copies (stretching when the sizes differ) from another canvas with CopyMode.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
  // Copies part of a bitmap, its pixels of `color` replaced by the brush (left as they were
  // when the brush is clear).
  void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Makes a DC and gives it to SetHandle; the plain canvas has no way to make one.
  virtual void CreateHandle() {}
  // Makes the DC and the named tools ready.
  void RequiredState(unsigned state);
  virtual void Changing();
  virtual void Changed();

 private:
  // One drawing call: Changing, the DC and tools it needs, the GDI call, Changed.
  template <class Draw>
  void Drawing(unsigned state, Draw&& draw) {
    Changing();
    RequiredState(state);
    draw();
    Changed();
  }
  void DeselectHandles();
  void SelectFont();
  void SelectPen();
  void SelectBrush();
  void FontChanged();
  void PenChanged();
  void BrushChanged();

  HDC handle_ = nullptr;
  unsigned state_ = 0;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  TPoint penPos_{0, 0};
  TCopyMode copyMode_ = cmSrcCopy;
  int textFlags_ = 0;
  CRITICAL_SECTION lock_;
  std::atomic<int> lockCount_{0};
};

}  // namespace vcl

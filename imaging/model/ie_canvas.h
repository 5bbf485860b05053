// TIECanvas: the drawing wrapper of the views and the vector layer. Over a platform canvas it
// draws lines and shapes through GDI+ when GDI+ is loaded and wanted (antialiased when asked,
// with transparent pens and brushes), and through the plain canvas otherwise. Text always goes
// through the plain canvas. TIEPen and TIEBrush keep the canvas's pen and brush and the
// matching GDI+ objects in step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vcl/graphics/canvas.h"

namespace Gdiplus {
class GpGraphics;
class GpPen;
class GpBrush;
}  // namespace Gdiplus

namespace imaging {

class TIEPen : public vcl::TObject {
  VCL_CLASS(TIEPen, vcl::TObject)
  // Mirrors the pen (not owned): colour, width, style and mode; opaque, round joins.
  explicit TIEPen(vcl::TPen* pen);
  ~TIEPen() override;

  // ColorToARGB of the colour, with alpha 0 for a clear pen.
  uint32_t GetARGB() const;
  // Makes the GDI+ pen again; raises Exception "Cannot create TIEPen. GdipCreatePen1 failed."
  void RecreateHandle();

  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor colour);
  // 0 transparent .. 255 opaque; GDI+ only.
  uint8_t Alpha() const { return alpha_; }
  void SetAlpha(uint8_t alpha);
  // The platform pen gets the width truncated toward zero.
  float Width() const { return width_; }
  void SetWidth(float width);
  vcl::TPenStyle Style() const { return style_; }
  void SetStyle(vcl::TPenStyle style);
  // The platform pen's mode only.
  vcl::TPenMode Mode() const { return mode_; }
  void SetMode(vcl::TPenMode mode);
  // GDI+ line join (0 miter, 1 bevel, 2 round, 3 clipped miter).
  uint8_t LineJoin() const { return lineJoin_; }
  void SetLineJoin(uint8_t join);
  // The platform pen's handle only.
  void SetHandle(HPEN handle);

  Gdiplus::GpPen* Handle() const { return handle_; }
  vcl::TPen* VCLPen() const { return vclPen_; }

 private:
  void UpdateColor();

  Gdiplus::GpPen* handle_ = nullptr;
  vcl::TPen* vclPen_;
  vcl::TColor color_;
  uint8_t alpha_ = 255;
  float width_;
  vcl::TPenStyle style_;
  vcl::TPenMode mode_;
  uint8_t lineJoin_ = 2;
};

class TIEBrush : public vcl::TObject {
  VCL_CLASS(TIEBrush, vcl::TObject)
  // Mirrors the brush (not owned): colour and style; opaque, hatch background black and
  // transparent.
  explicit TIEBrush(vcl::TBrush* brush);
  ~TIEBrush() override;

  // ColorToARGB of the colour, with alpha 0 for a clear brush.
  uint32_t GetARGB() const;
  // Makes the GDI+ brush again (solid, or hatched for the hatch styles); raises Exception
  // "Cannot create TIEBrush. GdipCreateSolidFill failed." or
  // "Cannot create TIEBrush. GdipCreateHatchBrush failed.".
  void RecreateHandle();

  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor colour);
  // 0 transparent .. 255 opaque: GDI+ fills, and FillRect on the plain canvas.
  uint8_t Alpha() const { return alpha_; }
  void SetAlpha(uint8_t alpha);
  vcl::TBrushStyle Style() const { return style_; }
  void SetStyle(vcl::TBrushStyle style);
  vcl::TColor BackColor() const { return backColor_; }
  uint8_t BackAlpha() const { return backAlpha_; }

  Gdiplus::GpBrush* Handle() const { return handle_; }
  vcl::TBrush* VCLBrush() const { return vclBrush_; }

 private:
  Gdiplus::GpBrush* handle_ = nullptr;
  vcl::TBrush* vclBrush_;
  vcl::TColor color_;
  uint8_t alpha_ = 255;
  vcl::TColor backColor_ = 0;
  uint8_t backAlpha_ = 0;
  vcl::TBrushStyle style_;
};

// The ellipse box the GDI+ path draws for (x1, y1)-(x2, y2) with a pen of the given width: a
// pen wider or narrower than 1 moves the corners by half its width so that a thin box keeps
// its size, and a box of no width or height becomes a line.
RECT PenAdjustedEllipseBox(const RECT& rect, float penWidth);

class TIECanvas : public vcl::TObject {
  VCL_CLASS(TIECanvas, vcl::TObject)
  // Wraps the canvas (not owned) for one painting operation. GDI+ is used when asked and
  // loaded (LoadGDIPlus); raises Exception "Cannot create TIECanvas. GdipCreateFromHDC failed."
  // when GDI+ cannot draw on the canvas's device context.
  TIECanvas(vcl::TCanvas* canvas, bool antialias = true, bool useGDIPlus = true);
  ~TIECanvas() override;

  HDC GetHandle() { return canvas_->Handle(); }
  vcl::TFont* GetFont() { return canvas_->Font(); }
  vcl::TCanvas* Canvas() const { return canvas_; }
  TIEPen* Pen() const { return pen_.get(); }
  TIEBrush* Brush() const { return brush_.get(); }
  bool UseGDIPlus() const { return useGDIPlus_; }

  // GDI+ smoothing: 2 fastest, 5 antialiased.
  void SetSmoothingMode(int32_t mode);

  void SetPenPos(const POINT& point) { MoveTo(point.x, point.y); }
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  // A line that leaves the pen position alone.
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  // Fills x1 <= x < x2, y1 <= y < y2 (corners in any order) with the brush; the brush's alpha
  // applies on the plain canvas too.
  void FillRect(const RECT& rect);
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void RectangleRect(const RECT& rect);
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void EllipseRect(const RECT& rect);
  // Corner sizes larger than the box take the box's size.
  void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cornerWidth, int32_t cornerHeight);
  // points[0 .. lastIndex].
  void Polygon(const POINT* points, int32_t lastIndex);
  void Polyline(const POINT* points, int32_t lastIndex);
  // The arc of the ellipse in (x1, y1, x2, y2) counter-clockwise from the radial through
  // (x3, y3) to the radial through (x4, y4).
  void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4);

  int32_t TextWidth(const std::string& text) { return canvas_->TextWidth(text); }
  int32_t TextHeight(const std::string& text) { return canvas_->TextHeight(text); }
  void TextOut(int32_t x, int32_t y, const std::string& text) { canvas_->TextOut(x, y, text); }
  void TextRect(const RECT& rect, int32_t x, int32_t y, const std::string& text) {
    canvas_->TextRect(rect, x, y, text);
  }
  // Text clipped to the rectangle, its background left as it was.
  void TextRectTransparent(const RECT& rect, int32_t x, const std::string& text, int32_t y);

 private:
  void EllipseBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void FillRectPlain(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

  Gdiplus::GpGraphics* graphics_ = nullptr;
  vcl::TCanvas* canvas_;
  std::unique_ptr<TIEPen> pen_;
  int32_t penPosX_ = 0;
  int32_t penPosY_ = 0;
  std::unique_ptr<TIEBrush> brush_;
  bool useGDIPlus_;
};

}  // namespace imaging

#include "imaging/model/ie_canvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/model/colour_argb.h"
#include "imaging/base/gdiplus_api.h"
#include "imaging/base/gdiplus_binding.h"
#include "imaging/base/geometry.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

const gdiplus::TGDIPlusApi& Gdip() { return gdiplus::Api(); }

bool IsHatch(vcl::TBrushStyle style) { return style >= vcl::bsHorizontal && style <= vcl::bsDiagCross; }

std::vector<Gdiplus::GpPoint> ToGdiPlusPoints(const POINT* points, int32_t lastIndex) {
  std::vector<Gdiplus::GpPoint> gp(static_cast<size_t>(lastIndex) + 1);
  for (int32_t i = 0; i <= lastIndex; ++i) gp[i] = Gdiplus::GpPoint{points[i].x, points[i].y};
  return gp;
}

}  // namespace

// ---- TIEPen ------------------------------------------------------------------------------

TIEPen::TIEPen(vcl::TPen* pen)
    : vclPen_(pen), color_(pen->Color()), width_(static_cast<float>(pen->Width())), style_(pen->Style()),
      mode_(pen->Mode()) {
  if (IsGDIPlusAvailable()) RecreateHandle();
}

TIEPen::~TIEPen() {
  if (handle_ && IsGDIPlusAvailable()) Gdip().GdipDeletePen(handle_);
}

uint32_t TIEPen::GetARGB() const { return ColorToARGB(color_, style_ == vcl::psClear ? 0 : alpha_); }

void TIEPen::RecreateHandle() {
  if (handle_) {
    Gdip().GdipDeletePen(handle_);
    handle_ = nullptr;
  }
  if (Gdip().GdipCreatePen1(GetARGB(), width_, Gdiplus::UnitPixel, &handle_) != Gdiplus::Ok || !handle_) {
    handle_ = nullptr;
    throw vcl::Exception("Cannot create TIEPen. GdipCreatePen1 failed.");
  }
  SetStyle(style_);
  SetLineJoin(lineJoin_);
}

void TIEPen::UpdateColor() {
  if (handle_ && IsGDIPlusAvailable()) Gdip().GdipSetPenColor(handle_, GetARGB());
}

void TIEPen::SetColor(vcl::TColor colour) {
  color_ = colour;
  UpdateColor();
  vclPen_->SetColor(colour);
}

void TIEPen::SetAlpha(uint8_t alpha) {
  alpha_ = alpha;
  UpdateColor();
}

void TIEPen::SetWidth(float width) {
  width_ = width;
  if (handle_ && IsGDIPlusAvailable()) Gdip().GdipSetPenWidth(handle_, width);
  vclPen_->SetWidth(static_cast<int>(std::trunc(width)));
}

void TIEPen::SetStyle(vcl::TPenStyle style) {
  style_ = style;
  if (handle_ && IsGDIPlusAvailable()) {
    // A clear pen is a transparent one; its colour comes back with the next visible style.
    UpdateColor();
    int dash = style <= vcl::psDashDotDot ? static_cast<int>(style) : 0;
    Gdip().GdipSetPenDashStyle(handle_, static_cast<Gdiplus::GpDashStyle>(dash));
  }
  vclPen_->SetStyle(style);
}

void TIEPen::SetMode(vcl::TPenMode mode) {
  mode_ = mode;
  vclPen_->SetMode(mode);
}

void TIEPen::SetLineJoin(uint8_t join) {
  lineJoin_ = join;
  if (handle_ && IsGDIPlusAvailable()) Gdip().GdipSetPenLineJoin(handle_, static_cast<Gdiplus::GpLineJoin>(join));
}

void TIEPen::SetHandle(HPEN handle) { vclPen_->SetHandle(handle); }

// ---- TIEBrush ----------------------------------------------------------------------------

TIEBrush::TIEBrush(vcl::TBrush* brush) : vclBrush_(brush), color_(brush->Color()), style_(brush->Style()) {
  if (IsGDIPlusAvailable()) RecreateHandle();
}

TIEBrush::~TIEBrush() {
  if (handle_ && IsGDIPlusAvailable()) Gdip().GdipDeleteBrush(handle_);
}

uint32_t TIEBrush::GetARGB() const { return ColorToARGB(color_, style_ == vcl::bsClear ? 0 : alpha_); }

void TIEBrush::RecreateHandle() {
  if (handle_) {
    Gdip().GdipDeleteBrush(handle_);
    handle_ = nullptr;
  }
  if (IsHatch(style_)) {
    Gdiplus::GpHatch* hatch = nullptr;
    if (Gdip().GdipCreateHatchBrush(static_cast<Gdiplus::GpHatchStyle>(style_ - 2), GetARGB(),
                                    ColorToARGB(backColor_, backAlpha_), &hatch) != Gdiplus::Ok ||
        !hatch)
      throw vcl::Exception("Cannot create TIEBrush. GdipCreateHatchBrush failed.");
    handle_ = hatch;
  } else {
    Gdiplus::GpSolidFill* fill = nullptr;
    if (Gdip().GdipCreateSolidFill(GetARGB(), &fill) != Gdiplus::Ok || !fill)
      throw vcl::Exception("Cannot create TIEBrush. GdipCreateSolidFill failed.");
    handle_ = fill;
  }
}

void TIEBrush::SetColor(vcl::TColor colour) {
  color_ = colour;
  if (IsGDIPlusAvailable()) RecreateHandle();
  vclBrush_->SetColor(colour);
  // The platform brush turns solid when given a colour; keep it clear like this one.
  if (style_ == vcl::bsClear) vclBrush_->SetStyle(vcl::bsClear);
}

void TIEBrush::SetAlpha(uint8_t alpha) {
  alpha_ = alpha;
  if (IsGDIPlusAvailable()) RecreateHandle();
}

void TIEBrush::SetStyle(vcl::TBrushStyle style) {
  style_ = style;
  if (IsGDIPlusAvailable()) RecreateHandle();
  vclBrush_->SetStyle(style);
}

// ---- TIECanvas ---------------------------------------------------------------------------

RECT PenAdjustedEllipseBox(const RECT& rect, float penWidth) {
  int32_t x1 = rect.left, y1 = rect.top, x2 = rect.right, y2 = rect.bottom;
  if (penWidth != 1) {
    int32_t e = static_cast<int32_t>(std::nearbyint(penWidth / 2));
    if (x1 > x2) x1 += e;
    if (x1 <= x2 && e >= x2 - x1 - 1) x2 = x1 + e;
    if (x1 > x2 && e >= x1 - x2 - 1) x2 = x1 - e;
    if (y1 > y2) y1 += e;
    if (y1 <= y2 && e >= y2 - y1 - 1) y2 = y1 + e;
    if (y1 > y2 && e >= y1 - y2 - 1) y2 = y1 - e;
    if (x1 == x2 - e) x1 -= e;
    if (y1 == y2 - e) y1 -= e;
    // A box of no width (or height) becomes a line along its other side.
    if (x1 == x2) x1 -= e + 1;
    if (y1 == y2) y1 -= e + 1;
    if (x1 > x2) {
      x1 -= e;
      x2 -= e - 1;
    }
  }
  return RECT{x1, y1, x2, y2};
}

TIECanvas::TIECanvas(vcl::TCanvas* canvas, bool antialias, bool useGDIPlus)
    : canvas_(canvas),
      pen_(std::make_unique<TIEPen>(canvas->Pen())),
      brush_(std::make_unique<TIEBrush>(canvas->Brush())),
      useGDIPlus_(useGDIPlus && IsGDIPlusAvailable()) {
  if (!useGDIPlus_) return;
  if (Gdip().GdipCreateFromHDC(canvas_->Handle(), &graphics_) != Gdiplus::Ok || !graphics_)
    throw vcl::Exception("Cannot create TIECanvas. GdipCreateFromHDC failed.");
  SetSmoothingMode(antialias ? 5 : 2);
}

TIECanvas::~TIECanvas() {
  brush_.reset();
  pen_.reset();
  if (graphics_ && IsGDIPlusAvailable()) Gdip().GdipDeleteGraphics(graphics_);
}

void TIECanvas::SetSmoothingMode(int32_t mode) {
  if (useGDIPlus_) Gdip().GdipSetSmoothingMode(graphics_, static_cast<Gdiplus::SmoothingMode>((mode & 0x7F) - 1));
}

void TIECanvas::MoveTo(int32_t x, int32_t y) {
  penPosX_ = x;
  penPosY_ = y;
  if (!useGDIPlus_) canvas_->MoveTo(x, y);
}

void TIECanvas::LineTo(int32_t x, int32_t y) {
  if (useGDIPlus_)
    Gdip().GdipDrawLine(graphics_, pen_->Handle(), penPosX_, penPosY_, x, y);
  else
    canvas_->LineTo(x, y);
  penPosX_ = x;
  penPosY_ = y;
}

void TIECanvas::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (useGDIPlus_)
    Gdip().GdipDrawLine(graphics_, pen_->Handle(), x1, y1, x2, y2);
  else
    canvas_->Polygon({POINT{x1, y1}, POINT{x2, y2}});
}

void TIECanvas::FillRect(const RECT& rect) {
  int32_t x1 = rect.left, y1 = rect.top, x2 = rect.right, y2 = rect.bottom;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // Both paths fill the same pixels as the platform canvas: right and bottom excluded.
  if (useGDIPlus_)
    Gdip().GdipFillRectangle(graphics_, brush_->Handle(), x1, y1, x2 - x1, y2 - y1);
  else
    FillRectPlain(x1, y1, x2, y2);
}

void TIECanvas::FillRectPlain(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  uint8_t alpha = brush_->Alpha();
  if (brush_->Style() != vcl::bsSolid || alpha == 255) {
    canvas_->FillRect(RECT{x1, y1, x2, y2});
    return;
  }
  if (alpha == 0 || x1 == x2 || y1 == y2) return;
  // A transparent fill: one pixel of the colour blended over the area with constant alpha.
  HDC dc = canvas_->Handle();
  HDC source = CreateCompatibleDC(dc);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP pixel = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (pixel && bits) {
    *static_cast<uint32_t*>(bits) = ColorToARGB(brush_->Color(), 0);
    HGDIOBJ old = SelectObject(source, pixel);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    GdiAlphaBlend(dc, x1, y1, x2 - x1, y2 - y1, source, 0, 0, 1, 1, blend);
    SelectObject(source, old);
  }
  if (pixel) DeleteObject(pixel);
  DeleteDC(source);
}

void TIECanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { RectangleRect(RECT{x1, y1, x2, y2}); }

void TIECanvas::RectangleRect(const RECT& rect) {
  if (!useGDIPlus_) {
    canvas_->Rectangle(rect);
    return;
  }
  int32_t x1 = rect.left, y1 = rect.top, x2 = rect.right, y2 = rect.bottom;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // A one-pixel pen centred on x1 .. x2 - 1 covers the pixels the platform canvas frames.
  Gdip().GdipFillRectangle(graphics_, brush_->Handle(), x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  Gdip().GdipDrawRectangle(graphics_, pen_->Handle(), x1, y1, x2 - x1 - 1, y2 - y1 - 1);
}

void TIECanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { EllipseRect(RECT{x1, y1, x2, y2}); }

void TIECanvas::EllipseRect(const RECT& rect) {
  if (!useGDIPlus_) {
    canvas_->Ellipse(rect);
    return;
  }
  RECT box = PenAdjustedEllipseBox(rect, pen_->Width());
  float w = static_cast<float>(box.right - box.left - 1), h = static_cast<float>(box.bottom - box.top - 1);
  Gdip().GdipFillEllipse(graphics_, brush_->Handle(), box.left, box.top, w, h);
  Gdip().GdipDrawEllipse(graphics_, pen_->Handle(), box.left, box.top, w, h);
}

void TIECanvas::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cornerWidth,
                          int32_t cornerHeight) {
  if (!useGDIPlus_) {
    canvas_->RoundRect(x1, y1, x2, y2, cornerWidth, cornerHeight);
    return;
  }
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  float w = static_cast<float>(std::min(cornerWidth, x2 - x1));
  float h = static_cast<float>(std::min(cornerHeight, y2 - y1));
  float l = static_cast<float>(x1), t = static_cast<float>(y1), r = static_cast<float>(x2), b = static_cast<float>(y2);
  Gdiplus::GpPath* path = nullptr;
  if (Gdip().GdipCreatePath(Gdiplus::FillModeAlternate, &path) != Gdiplus::Ok || !path) return;
  Gdip().GdipAddPathArc(path, l, t, w, h, 180, 90);
  Gdip().GdipAddPathArc(path, r - w, t, w, h, 270, 90);
  Gdip().GdipAddPathArc(path, r - w, b - h, w, h, 0, 90);
  Gdip().GdipAddPathArc(path, l, b - h, w, h, 90, 90);
  // The left side, from where the last corner ends back to where the first one starts.
  Gdip().GdipAddPathLine(path, l, b - h / 2, l, t + h / 2);
  Gdip().GdipFillPath(graphics_, brush_->Handle(), path);
  Gdip().GdipDrawPath(graphics_, pen_->Handle(), path);
  Gdip().GdipDeletePath(path);
}

void TIECanvas::Polygon(const POINT* points, int32_t lastIndex) {
  if (lastIndex < 0) return;
  if (!useGDIPlus_) {
    canvas_->Polygon(std::span<const POINT>(points, static_cast<size_t>(lastIndex) + 1));
    return;
  }
  std::vector<Gdiplus::GpPoint> gp = ToGdiPlusPoints(points, lastIndex);
  Gdip().GdipDrawPolygonI(graphics_, pen_->Handle(), gp.data(), lastIndex + 1);
  Gdip().GdipFillPolygonI(graphics_, brush_->Handle(), gp.data(), lastIndex + 1, Gdiplus::FillModeAlternate);
}

void TIECanvas::Polyline(const POINT* points, int32_t lastIndex) {
  if (lastIndex < 0) return;
  if (!useGDIPlus_) {
    canvas_->Polyline(std::span<const POINT>(points, static_cast<size_t>(lastIndex) + 1));
    return;
  }
  std::vector<Gdiplus::GpPoint> gp = ToGdiPlusPoints(points, lastIndex);
  Gdip().GdipDrawLinesI(graphics_, pen_->Handle(), gp.data(), lastIndex + 1);
}

void TIECanvas::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                    int32_t y4) {
  if (!useGDIPlus_) {
    canvas_->Arc(x1, y1, x2, y2, x3, y3, x4, y4);
    return;
  }
  int32_t cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
  double start = GetLineAngle(cx, cy, x4, y4);
  double sweep = GetVertexAngle(x3, y3, cx, cy, x4, y4);
  const double degrees = 180 / M_PI;
  Gdip().GdipDrawArc(graphics_, pen_->Handle(), x1, y1, x2 - x1 + 1, y2 - y1 + 1, static_cast<float>(-start * degrees),
                     static_cast<float>(sweep * degrees));
}

void TIECanvas::TextRectTransparent(const RECT& rect, int32_t x, const std::string& text, int32_t y) {
  vcl::TBrush* brush = canvas_->Brush();
  vcl::TBrushStyle style = brush->Style();
  vcl::TColor colour = brush->Color();
  // A clear brush makes the canvas write the text without painting its background.
  if (style != vcl::bsClear) brush->SetStyle(vcl::bsClear);
  canvas_->TextRect(rect, x, y, text);
  if (style != vcl::bsClear) {
    brush->SetColor(colour);
    brush->SetStyle(style);
  }
}

}  // namespace imaging

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "imaging/base/gdiplus_binding.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/model/routines/soft_shadow.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/selected_font.h"
#include "imaging/vect/text_control.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/picture.h"

namespace imaging {

namespace {

RECT Ordered(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

void AddToDrawn(TIEVectorObject& r, int32_t x, int32_t y) {
  r.DrawnRect.left = std::min<LONG>(r.DrawnRect.left, x);
  r.DrawnRect.top = std::min<LONG>(r.DrawnRect.top, y);
  r.DrawnRect.right = std::max<LONG>(r.DrawnRect.right, x);
  r.DrawnRect.bottom = std::max<LONG>(r.DrawnRect.bottom, y);
}

void AddToDrawn(TIEVectorObject& r, const RECT& rect) {
  AddToDrawn(r, rect.left, rect.top);
  AddToDrawn(r, rect.right, rect.bottom);
}

uint8_t QualityOf(uint8_t textQuality) { return textQuality == 1 ? 5 : textQuality == 2 ? 6 : 4; }

// Draws text clipped to a box, transparent, in a colour.
void ClippedText(HDC dc, const RECT& box, int32_t x, int32_t y, const std::string& text, vcl::TColor colour) {
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, vcl::ColorToRGB(colour));
  const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ExtTextOutA(dc, x, y, ETO_CLIPPED, &box, text.data(), static_cast<UINT>(text.size()), nullptr);
  SetTextAlign(dc, oldAlign);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace

struct TImageVect::TDrawState {
  vcl::TBitmap* destination = nullptr;
  TIEVectCoords coords = iecClient;
  bool antialias = true;
  const RECT* clip = nullptr;
  double sx = 1, sy = 1;
  RECT imageArea{0, 0, 0, 0};  // the image in destination pixels
  // The second drawing of a composited object, into its coverage: colours are grey levels and
  // the background bitmap of a memo is left out.
  bool alphaPass = false;
  // Drawing into the compositing buffer: the opacity comes from the coverage, not the pens.
  bool opaque = false;

  // Supersampling factor: destination pixels per converted pixel.
  int32_t factor = 1;

  int32_t X(TImageVect& view, int32_t x) const { return (coords == iecClient ? view.BitmapToClientX(x) : x) * factor; }
  int32_t Y(TImageVect& view, int32_t y) const { return (coords == iecClient ? view.BitmapToClientY(y) : y) * factor; }
};

// A pen is drawn at most this wide: wider ones paint nothing more on any picture this program
// shows, while a damaged file's width of millions of pixels would keep the drawing busy for
// minutes. The object keeps the width it was given.
constexpr int32_t kWidestDrawnPen = 1 << 14;

int32_t TImageVect::ZoomedPenWidth(const TIEVectorObject& record, double sx, double sy) const {
  const int32_t width = record.Highlight ? 1 : std::clamp(record.PenWidth, 0, kWidestDrawnPen);
  if (!zoomObjectsWidth_) return width;
  return static_cast<int32_t>(std::min(std::ceil(std::max(std::min(sx, sy) * width, 1.0)), double(kWidestDrawnPen)));
}

void TImageVect::PaintToBackBuffer(TIEBitmap* dest, TIERowAddressTable* destRows, bool drawOverlays,
                                   bool drawBackground, const RECT* clip) {
  TImageView::PaintToBackBuffer(dest, destRows, drawOverlays, drawBackground, clip);
  if (objectsHidden_ || !dest || dest->Location() != ieTBitmap || dest->PixelFormat() != ie24RGB) return;
  if (!drawOverlays && storage_.empty()) return;
  if (IsEmpty()) return;
  drawnCount_ = 0;
  vcl::TBitmap* bitmap = dest->VclBitmap();
  HDC dc = bitmap->Canvas()->Handle();
  HRGN region = nullptr;
  if (clip) {
    region = CreateRectRgn(clip->left, clip->top, clip->right + 1, clip->bottom + 1);
    SelectClipRgn(dc, region);
  }
  try {
    DrawObjects(bitmap, hobjAll, iecClient, objAntialias_, clip);
    // Grips and rubber bands belong to the screen, not to a composition rendered elsewhere.
    if (drawOverlays) {
      DrawSelectionGrips(bitmap);
      if (action_ == vkAngle) DrawRubberAngle(bitmap);
      if (action_ == vkPolyline && !pressed_) DrawRubberPolyline(bitmap);
    }
  } catch (...) {
    if (region) SelectClipRgn(dc, nullptr), DeleteObject(region);
    throw;
  }
  if (region) SelectClipRgn(dc, nullptr), DeleteObject(region);
  GdiFlush();
}

void TImageVect::DrawObjects(vcl::TBitmap* destination, int32_t hobj, TIEVectCoords coords, bool antialias,
                             const RECT* clip) {
  if (!destination) return;
  TDrawState state;
  state.destination = destination;
  state.coords = coords;
  state.antialias = antialias;
  state.clip = clip;
  if (coords == iecClient) {
    state.sx = ZoomX() / 100, state.sy = ZoomY() / 100;
    state.imageArea = RECT{BitmapToClientX(0), BitmapToClientY(0), BitmapToClientX(ImageWidth()),
                           BitmapToClientY(ImageHeight())};
  } else {
    state.imageArea = RECT{0, 0, destination->Width(), destination->Height()};
  }
  // Without GDI+ antialiasing comes from drawing at twice the size and scaling down.
  const bool supersample = supersampling_ && !storage_.empty() && !IsGDIPlusAvailable();
  const int32_t factor = supersample && antialias ? 2 : 1;
  auto draw = [&](TIEVectorObject& r, int32_t h) {
    if (supersample && !r.Highlight)
      CompositeObject(r, h, state, factor);
    else if (NeedsCompositing(r))
      CompositeObject(r, h, state, 1);
    else
      DrawObject(r, h, state);
  };
  if (hobj == hobjAll) {
    for (int32_t h : drawOrder_) draw(*storage_[h], h);
  } else if (TIEVectorObject* r = GetObjectRecord(hobj)) {
    draw(*r, hobj);
  }
  GdiFlush();
}

bool TImageVect::NeedsCompositing(const TIEVectorObject& r) const {
  if (fastDrawingActive_ && fastDrawingEnabled_) return false;
  if (r.SoftShadow.Enabled) return true;
  if (r.Highlight) return false;  // masks the destination's pixels in place
  if (r.Transparency == 255) return r.BlendOp != 0;
  // Pens and brushes carry their own opacity; text does not.
  return r.Kind == vkText || r.Kind == vkMemo || r.Kind == vkLineLabel || r.BlendOp != 0;
}

void TImageVect::CompositeObject(TIEVectorObject& r, int32_t hobj, TDrawState& state, int32_t factor) {
  vcl::TBitmap* destination = state.destination;
  const int32_t w = destination->Width() * factor, h = destination->Height() * factor;
  if (w <= 0 || h <= 0) return;
  auto ensure = [w, h](std::unique_ptr<TIEBitmap>& buffer) {
    if (!buffer) {
      buffer = std::make_unique<TIEBitmap>();
      buffer->SetLocation(ieTBitmap);
    }
    if (buffer->Width() != w || buffer->Height() != h || buffer->PixelFormat() != ie24RGB)
      buffer->Allocate(w, h, ie24RGB);
  };
  ensure(compBuffer_);
  ensure(compCoverage_);

  // The object in its own colours, over its pen colour so that antialiased edges blend well.
  compBuffer_->Fill(vcl::ColorToRGB(r.PenColor));
  TDrawState colours = state;
  colours.destination = compBuffer_->VclBitmap();
  colours.opaque = true;
  colours.clip = nullptr;
  colours.factor = factor;
  colours.sx *= factor, colours.sy *= factor;
  colours.imageArea = RECT{state.imageArea.left * factor, state.imageArea.top * factor,
                           state.imageArea.right * factor, state.imageArea.bottom * factor};
  if (!DrawObject(r, hobj, colours)) return;

  // Its coverage times its opacity, drawn in grey levels over black.
  compCoverage_->Fill(0);
  const vcl::TColor grey = r.Transparency * 0x010101;
  const vcl::TColor pen = r.PenColor, brush = r.BrushColor, label = r.LabelBrushColor, border = r.BorderColor;
  r.PenColor = r.BrushColor = r.LabelBrushColor = r.BorderColor = grey;
  TDrawState coverage = colours;
  coverage.destination = compCoverage_->VclBitmap();
  coverage.alphaPass = true;
  try {
    DrawObject(r, hobj, coverage);
  } catch (...) {
    r.PenColor = pen, r.BrushColor = brush, r.LabelBrushColor = label, r.BorderColor = border;
    throw;
  }
  r.PenColor = pen, r.BrushColor = brush, r.LabelBrushColor = label, r.BorderColor = border;
  GdiFlush();

  RECT b{r.DrawnRect.left - r.DrawnMargin, r.DrawnRect.top - r.DrawnMargin, r.DrawnRect.right + r.DrawnMargin,
         r.DrawnRect.bottom + r.DrawnMargin};
  if (factor > 1) b.left += 2, b.top += 2, b.right -= 2, b.bottom -= 2;
  b.left = std::clamp<LONG>(b.left, 0, w - 1), b.right = std::clamp<LONG>(b.right, 0, w - 1);
  b.top = std::clamp<LONG>(b.top, 0, h - 1), b.bottom = std::clamp<LONG>(b.bottom, 0, h - 1);
  if (b.right < b.left || b.bottom < b.top) return;

  TIEBitmap* alpha = compBuffer_->GetAlphaChannel();
  alpha->Fill(0);
  for (int32_t y = b.top; y <= b.bottom; ++y) {
    const auto* from = static_cast<const uint8_t*>(compCoverage_->Scanline(y));
    auto* to = static_cast<uint8_t*>(alpha->Scanline(y));
    for (int32_t x = b.left; x <= b.right; ++x) to[x] = from[3 * x + 2];
  }
  if (r.SoftShadow.Enabled) {
    const TIEVSoftShadow& shadow = r.SoftShadow;
    const int32_t grow = ApplySoftShadowRect(compBuffer_.get(), shadow.OffsetX, shadow.OffsetY, shadow.Radius,
                                             shadow.Intensity, TRGB{shadow.ShadowB, shadow.ShadowG, shadow.ShadowR},
                                             b.left, b.top, b.right, b.bottom);
    b.left = std::max<LONG>(b.left - grow, 0), b.top = std::max<LONG>(b.top - grow, 0);
    b.right = std::min<LONG>(b.right + grow, w - 1), b.bottom = std::min<LONG>(b.bottom + grow, h - 1);
  }
  alpha->SetFull(false);
  const int32_t bw = b.right - b.left + 1, bh = b.bottom - b.top + 1;
  if (factor > 1) {
    const int32_t dw = bw / factor, dh = bh / factor;
    if (dw > 0 && dh > 0)
      compBuffer_->RenderToVclBitmapFull(destination, nullptr, nullptr, nullptr, state.clip, b.left / factor,
                                         b.top / factor, dw, dh, b.left, b.top, dw * factor, dh * factor, true, false,
                                         255, rfTriangle, true, r.BlendOp);
    return;
  }
  compBuffer_->RenderToVclBitmapFull(destination, nullptr, nullptr, nullptr, state.clip, b.left, b.top, bw, bh, b.left,
                                     b.top, bw, bh, true, false, 255, rfNone, true, r.BlendOp);
}

bool TImageVect::DrawObject(TIEVectorObject& r, int32_t hobj, TDrawState& state) {
  if (!r.IsVisible()) return false;
  const double sx = state.sx, sy = state.sy;
  const int32_t w = ZoomedPenWidth(r, sx, sy);
  int32_t x1 = state.X(*this, r.X1), y1 = state.Y(*this, r.Y1);
  int32_t x2 = state.X(*this, r.X2), y2 = state.Y(*this, r.Y2);
  RECT bounds = Ordered(x1, y1, x2, y2);
  if (r.Kind == vkAngle) {
    const RECT a = r.AngleBounds();
    bounds = Ordered(state.X(*this, a.left), state.Y(*this, a.top), state.X(*this, a.right), state.Y(*this, a.bottom));
  }
  // Lines and labels reach past their corners by the pen and the end shapes.
  const int32_t margin = w + RoundCoordinate(std::max(r.ShapeWidth * sx, r.ShapeLength * sy)) + 1;
  if (state.coords == iecClient) {
    const RECT& img = state.imageArea;
    if (bounds.right + margin < img.left || bounds.left - margin > img.right || bounds.bottom + margin < img.top ||
        bounds.top - margin > img.bottom)
      return false;
  }

  TIECanvas canvas(state.destination->Canvas(), state.antialias && objAntialias_ && !fastDrawingActive_);
  canvas.Pen()->SetStyle(static_cast<vcl::TPenStyle>(r.PenStyle));
  canvas.Pen()->SetWidth(static_cast<float>(w));
  canvas.Pen()->SetMode(vcl::pmCopy);
  canvas.Pen()->SetColor(r.PenColor);
  canvas.Pen()->SetAlpha(state.opaque ? 255 : r.Transparency);
  canvas.Brush()->SetAlpha(state.opaque ? 255 : r.Transparency);
  r.DrawnRect = RECT{2000000000, 2000000000, -2000000000, -2000000000};
  r.DrawnMargin = w;

  const vcl::TRect destRect(bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1);
  bool handled = false;
  if (OnBeforeDrawObject) OnBeforeDrawObject(this, hobj, state.destination, destRect, state.alphaPass, handled);
  AddToDrawn(r, destRect);
  auto setBrush = [&](vcl::TColor colour, uint8_t style) {
    canvas.Brush()->SetColor(colour);
    canvas.Brush()->SetStyle(static_cast<vcl::TBrushStyle>(style));
  };
  if (!handled) {
    if (!state.alphaPass) ++drawnCount_;  // the coverage pass draws the same object again
    switch (r.Kind) {
      case vkLine:
      case vkLineLabel: {
        setBrush(r.BrushColor, r.BrushStyle);
        canvas.Pen()->SetLineJoin(2);
        canvas.DrawLine(x1, y1, x2, y2);
        AddToDrawn(r, x1, y1), AddToDrawn(r, x2, y2);
        const double sw = RoundCoordinate(r.ShapeWidth * sx), sl = RoundCoordinate(r.ShapeLength * sy);
        DrawLineEndShape(canvas, r, POINT{x1, y1}, POINT{x2, y2}, r.StartShape, sw, sl);
        DrawLineEndShape(canvas, r, POINT{x2, y2}, POINT{x1, y1}, r.EndShape, sw, sl);
        if (r.Kind == vkLineLabel) DrawLineLabel(canvas, r, state, POINT{x1, y1}, POINT{x2, y2});
        break;
      }
      case vkBox:
        setBrush(r.BrushColor, r.BrushStyle);
        canvas.Pen()->SetLineJoin(0);
        if (r.Highlight)
          HighlightRect(state.destination, RECT{bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1},
                        r.BrushColor, r.Transparency, state.clip);
        else
          canvas.Rectangle(bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1);
        break;
      case vkEllipse:
        setBrush(r.BrushColor, r.BrushStyle);
        canvas.Ellipse(bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1);
        break;
      case vkArc: {
        setBrush(r.BrushColor, r.BrushStyle);
        const double rx = (bounds.right - bounds.left) / 2.0, ry = (bounds.bottom - bounds.top) / 2.0;
        canvas.Arc(bounds.left, bounds.top, bounds.right + 1, bounds.bottom + 1,
                   bounds.left + RoundCoordinate(rx + rx * std::cos(r.ArcStart)),
                   bounds.top + RoundCoordinate(ry + ry * std::sin(r.ArcStart)),
                   bounds.left + RoundCoordinate(rx + rx * std::cos(r.ArcEnd)),
                   bounds.top + RoundCoordinate(ry + ry * std::sin(r.ArcEnd)));
        break;
      }
      case vkBitmap:
        setBrush(r.BrushColor, r.BrushStyle);
        DrawBitmapObject(canvas, r, state, bounds, w);
        break;
      case vkText:
        canvas.Pen()->SetLineJoin(0);
        setBrush(r.BrushColor, r.BrushStyle);
        DrawTextObject(canvas, r, state, bounds);
        break;
      case vkMemo:
        canvas.Pen()->SetLineJoin(0);
        DrawMemoObject(canvas, r, state, bounds);
        break;
      case vkRuler:
        canvas.Pen()->SetLineJoin(0);
        setBrush(r.BrushColor, r.BrushStyle);
        DrawRuler(canvas, r, POINT{x1, y1}, POINT{x2, y2}, sx, sy);
        break;
      case vkPolyline: {
        setBrush(r.BrushColor, r.BrushStyle);
        canvas.Pen()->SetLineJoin(2);
        const bool hasBase = r.BaseRect.right != r.BaseRect.left || r.BaseRect.bottom != r.BaseRect.top;
        std::vector<POINT> points;
        if (!r.Points.empty() && (hasBase || r.Points.size() == 1)) {
          points.reserve(r.Points.size());
          for (const POINT& p : r.Points) {
            const POINT m = r.MapPolylinePoint(p);
            points.push_back(POINT{state.X(*this, m.x), state.Y(*this, m.y)});
            AddToDrawn(r, points.back().x, points.back().y);
          }
          const int32_t last = static_cast<int32_t>(points.size()) - 1;
          if (r.Closed)
            canvas.Polygon(points.data(), last);
          else
            canvas.Polyline(points.data(), last);
        }
        // Point editing reads the points where the view shows them.
        if (state.coords == iecClient) {
          for (POINT& p : points) p.x /= state.factor, p.y /= state.factor;
          r.ViewPoints = std::move(points);
        }
        break;
      }
      case vkAngle: {
        canvas.Pen()->SetLineJoin(0);
        setBrush(r.BrushColor, r.BrushStyle);
        POINT points[3];
        int32_t count = 0;
        for (const POINT& p : r.AnglePoints) {
          if (p.x == kUndefinedAnglePoint && p.y == kUndefinedAnglePoint) continue;
          points[count++] = POINT{state.X(*this, p.x), state.Y(*this, p.y)};
          AddToDrawn(r, points[count - 1].x, points[count - 1].y);
        }
        DrawAngle(canvas, r, points, count, sx, sy);
        break;
      }
      case vkExtended:
        setBrush(r.BrushColor, r.BrushStyle);
        if (r.Extended) r.Extended->Draw(state.destination, destRect, sx, sy, state.alphaPass);
        break;
      default:
        if (!state.alphaPass) --drawnCount_;
        break;
    }
  }
  handled = false;
  if (OnAfterDrawObject) OnAfterDrawObject(this, hobj, state.destination, destRect, state.alphaPass, handled);
  AddToDrawn(r, destRect);
  return true;
}

void TImageVect::DrawLineEndShape(TIECanvas& canvas, TIEVectorObject& r, POINT end, POINT other, uint8_t shape,
                                  double width, double length) {
  if (shape != 1 && shape != 2) return;
  double dx = other.x - end.x, dy = other.y - end.y;
  const double len = std::hypot(dx, dy);
  if (len == 0) {
    dx = 0, dy = 1;  // a line of no length points down
  } else if (dx == 0) {
    dy = dy > 0 ? 1 : -1;
  } else {
    dx /= len, dy /= len;
  }
  const double nx = -dy, ny = dx, h = width / 2;
  POINT triangle[3];
  if (shape == 1) {
    triangle[0] = POINT{RoundCoordinate(end.x - h * nx), RoundCoordinate(end.y - h * ny)};
    triangle[1] = POINT{RoundCoordinate(end.x + h * nx), RoundCoordinate(end.y + h * ny)};
    triangle[2] = POINT{RoundCoordinate(end.x + length * dx), RoundCoordinate(end.y + length * dy)};
  } else {
    const double bx = end.x + length * dx, by = end.y + length * dy;
    triangle[0] = POINT{end.x, end.y};
    triangle[1] = POINT{RoundCoordinate(bx - h * nx), RoundCoordinate(by - h * ny)};
    triangle[2] = POINT{RoundCoordinate(bx + h * nx), RoundCoordinate(by + h * ny)};
  }
  canvas.Polygon(triangle, 2);
  for (const POINT& p : triangle) AddToDrawn(r, p.x, p.y);
}

void TImageVect::DrawLineLabel(TIECanvas& canvas, TIEVectorObject& r, TDrawState& state, POINT p1, POINT p2) {
  if (r.Text.empty() || !r.Font) return;
  POINT anchor = p2, farEnd = p1;
  if (r.LabelPosition == 1) std::swap(anchor, farEnd);
  LOGFONTA log = *r.Font;
  log.lfQuality = QualityOf(r.TextQuality);
  log.lfHeight = RoundCoordinate(log.lfHeight * state.sy);
  HDC dc = canvas.GetHandle();
  TSelectedFont font(dc, log);
  const double theta = r.Font->lfEscapement / 10.0 * std::numbers::pi / 180;
  const SIZE size = TextSize(dc, r.Text);
  const int32_t tw = size.cx, th = size.cy;
  RECT box;
  box.left = anchor.x < farEnd.x ? anchor.x - tw : anchor.x;
  box.top = anchor.y < farEnd.y ? anchor.y - th : anchor.y;
  box.right = box.left + tw;
  box.bottom = box.top + th;
  const int32_t offY = RoundCoordinate(th - std::cos(theta) * th + std::sin(theta) * tw) / 2;
  int32_t offX;
  switch (r.TextAlign) {
    case 0: offX = std::abs(RoundCoordinate(std::sin(theta) * th)); break;
    case 1: offX = RoundCoordinate(tw - std::cos(theta) * tw); break;
    default: offX = RoundCoordinate(tw - std::cos(theta) * tw - std::sin(theta) * th) / 2; break;
  }
  canvas.Brush()->SetColor(r.LabelBrushColor);
  canvas.Brush()->SetStyle(static_cast<vcl::TBrushStyle>(r.LabelBrushStyle));
  canvas.Pen()->SetStyle(r.LabelBorder > 0 ? vcl::psSolid : vcl::psClear);
  if (r.LabelBorder == 2)
    canvas.RoundRect(box.left, box.top, box.right + 1, box.bottom + 1, 10, 10);
  else if (r.LabelBorder == 3)
    canvas.Ellipse(box.left, box.top - th, box.right + 1, box.bottom + 1 + th);
  else
    canvas.Rectangle(box.left, box.top, box.right + 1, box.bottom + 1);
  ClippedText(dc, box, box.left + offX, box.top + offY, r.Text, r.PenColor);
  const int32_t f = state.factor;
  if (state.coords == iecClient)
    r.LabelRect = RECT{ClientToBitmapX(box.left / f), ClientToBitmapY(box.top / f), ClientToBitmapX(box.right / f),
                       ClientToBitmapY(box.bottom / f)};
  else
    r.LabelRect = RECT{box.left / f, box.top / f, box.right / f, box.bottom / f};
  AddToDrawn(r, box);
}

void TImageVect::DrawBitmapObject(TIECanvas& canvas, TIEVectorObject& r, TDrawState& state, RECT b, int32_t w) {
  TIEBitmap* bitmap = BitmapTableBitmap(r.BitmapIndex);
  // Right and bottom are the edges of the last pixel: x2 + 1 converted, minus one.
  RECT box = b;
  {
    const RECT o = Ordered(r.X1, r.Y1, r.X2, r.Y2);
    box = RECT{state.X(*this, o.left), state.Y(*this, o.top), state.X(*this, o.right + 1) - 1,
               state.Y(*this, o.bottom + 1) - 1};
  }
  if (!bitmap) {
    canvas.DrawLine(box.left, box.top, box.right, box.bottom);
    canvas.DrawLine(box.right, box.top, box.left, box.bottom);
    canvas.Rectangle(box.left, box.top, box.right + 1, box.bottom + 1);
    return;
  }
  const int32_t dw = box.right - box.left + 1, dh = box.bottom - box.top + 1;
  if (state.alphaPass) {
    // The coverage of the bitmap: its rectangle at the object's opacity (the pen colour is
    // that grey level here).
    canvas.Brush()->SetColor(r.PenColor);
    canvas.Brush()->SetStyle(vcl::bsSolid);
    canvas.FillRect(RECT{box.left, box.top, box.right + 1, box.bottom + 1});
    return;
  }
  const TResampleFilter filter = interactionChanged_ ? rfNone : bitmapFilter_;
  if (dw > 0 && dh > 0)
    bitmap->RenderToVclBitmap(state.destination, box.left, box.top, dw, dh, 0, 0, bitmap->Width(), bitmap->Height(),
                              r.Transparency, filter, 0);
  if (r.BitmapBorder) {
    vcl::TCanvas* plain = state.destination->Canvas();
    plain->Brush()->SetColor(r.PenColor);
    plain->Brush()->SetStyle(vcl::bsSolid);
    for (int32_t i = 0; i < w; ++i) {
      const vcl::TRect frame(box.left + i, box.top + i, box.right + 1 - i, box.bottom + 1 - i);
      if (frame.right <= frame.left || frame.bottom <= frame.top) break;
      plain->FrameRect(frame);
    }
  }
}

void TImageVect::DrawTextObject(TIECanvas& canvas, TIEVectorObject& r, TDrawState& state, RECT b) {
  if (r.Text.empty() || !r.Font) {
    canvas.Rectangle(b.left, b.top, b.right + 1, b.bottom + 1);
    return;
  }
  const int32_t bw = b.right - b.left, bh = b.bottom - b.top;
  LOGFONTA log = *r.Font;
  log.lfQuality = QualityOf(r.TextQuality);
  log.lfHeight = log.lfHeight == 0 ? bh : RoundCoordinate(log.lfHeight * state.sy);
  canvas.Rectangle(b.left, b.top, b.right + 1, b.bottom + 1);
  HDC dc = canvas.GetHandle();
  TSelectedFont font(dc, log);
  const double theta = r.Font->lfEscapement / 10.0 * std::numbers::pi / 180;
  const RECT box{b.left, b.top, b.right + 1, b.bottom + 1};
  if (r.CurveCount() > 0) {
    // Characters placed along the curve, one every (curve length / characters).
    std::vector<std::pair<double, double>> curve;
    for (const TIEDPoint& p : r.CurvePoints) curve.emplace_back(p.x * std::abs(bw), p.y * std::abs(bh));
    double total = 0;
    for (size_t i = 1; i < curve.size(); ++i)
      total += std::hypot(curve[i].first - curve[i - 1].first, curve[i].second - curve[i - 1].second);
    // A curve with points that are not numbers has no length to walk.
    if (!std::isfinite(total)) return;
    const double step = RoundCoordinate(total / r.Text.size());
    if (step <= 0) return;
    size_t next = 0;
    double px = curve[0].first, py = curve[0].second, carried = 0;
    const UINT oldAlign = SetTextAlign(dc, TA_BASELINE | TA_CENTER);
    for (size_t i = 1; i < curve.size() && next < r.Text.size(); ++i) {
      const double ex = curve[i].first, ey = curve[i].second;
      const double dx = ex - curve[i - 1].first, dy = ey - curve[i - 1].second;
      carried += std::hypot(ex - px, ey - py);
      while (carried >= step && next < r.Text.size()) {
        const double rest = std::hypot(ex - px, ey - py);
        const double t = rest > 0 ? std::min(1.0, step / rest) : 1.0;
        px += (ex - px) * t, py += (ey - py) * t;
        carried -= step;
        int32_t escapement = r.CurveCharAngle;
        if (escapement == -10) {
          if (std::abs(dx) < 0.01)
            escapement = dy > 0 ? 2700 : 900;
          else
            escapement = RoundCoordinate(std::atan(-dy / dx) * 1800 / std::numbers::pi + 0.5) + (dx < 0 ? 1800 : 0);
        }
        LOGFONTA rotated = log;
        rotated.lfEscapement = rotated.lfOrientation = escapement;
        TSelectedFont charFont(dc, rotated);
        const int32_t cx = b.left + RoundCoordinate(px), cy = b.top + RoundCoordinate(py);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(dc, vcl::ColorToRGB(r.PenColor));
        TextOutA(dc, cx, cy, &r.Text[next], 1);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
        AddToDrawn(r, cx - log.lfHeight, cy - log.lfHeight);
        AddToDrawn(r, cx + log.lfHeight, cy + log.lfHeight);
        ++next;
      }
    }
    SetTextAlign(dc, oldAlign);
    return;
  }
  const SIZE size = TextSize(dc, r.Text);
  const int32_t tw = size.cx, th = size.cy;
  const int32_t offY = RoundCoordinate(bh - std::cos(theta) * th + std::sin(theta) * tw) / 2;
  const int32_t pad = r.PenStyle != vcl::psClear ? RoundCoordinate(state.sx * (std::clamp(r.PenWidth, 0, kWidestDrawnPen) + 1)) : 0;
  int32_t offX;
  switch (r.TextAlign) {
    case 0: offX = std::abs(RoundCoordinate(std::sin(theta) * th)) + pad; break;
    case 1: offX = RoundCoordinate(bw - std::cos(theta) * tw) - pad; break;
    default: offX = RoundCoordinate(bw - std::cos(theta) * tw - std::sin(theta) * th) / 2; break;
  }
  ClippedText(dc, box, b.left + offX, b.top + offY, r.Text, r.PenColor);
}

void TImageVect::DrawMemoObject(TIECanvas& canvas, TIEVectorObject& r, TDrawState& state, RECT b) {
  if (r.HasBackground && !state.alphaPass) DrawBitmapObject(canvas, r, state, b, 0);
  // The editor's own layout draws memos that are not being edited, formats and all.
  if (!memoRenderer_) memoRenderer_ = std::make_unique<TIETextControl>(nullptr);
  TIETextControl& renderer = *memoRenderer_;
  ConfigureMemoControl(renderer, r);
  const double zoom = state.sy > 0 ? state.sy : 1.0;
  renderer.SetZoom(zoom);
  renderer.SetAlphaPass(state.alphaPass);
  renderer.SetContent(r.Text, r.CharFormatIndex, r.CharFormats);
  const int32_t bw = b.right - b.left + 1, bh = b.bottom - b.top + 1;
  renderer.LayoutAndDraw(canvas.Canvas(), b.left, b.top, RoundCoordinate(bw / zoom), RoundCoordinate(bh / zoom));
  std::string text;
  std::vector<int32_t> index;
  std::vector<std::vector<uint8_t>> formats;
  renderer.TakeContent(text, index, formats);
}

void TImageVect::HighlightRect(vcl::TBitmap* destination, RECT r, vcl::TColor colour, uint8_t transparency,
                               const RECT* clip) {
  GdiFlush();
  r.left = std::max<LONG>(r.left, 0), r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, destination->Width()), r.bottom = std::min<LONG>(r.bottom, destination->Height());
  if (clip) {
    r.left = std::max(r.left, clip->left), r.top = std::max(r.top, clip->top);
    r.right = std::min(r.right, clip->right + 1), r.bottom = std::min(r.bottom, clip->bottom + 1);
  }
  if (r.right <= r.left || r.bottom <= r.top) return;
  const COLORREF rgb = vcl::ColorToRGB(colour);
  const uint8_t red = GetRValue(rgb), green = GetGValue(rgb), blue = GetBValue(rgb);
  const int32_t t = transparency;
  auto mix = [t](uint8_t pixel, uint8_t mask) {
    return static_cast<uint8_t>(((pixel & mask) * t + pixel * (255 - t)) / 255);
  };
  const vcl::TPixelFormat format = destination->PixelFormat();
  for (int32_t y = r.top; y < r.bottom; ++y) {
    auto* row = static_cast<uint8_t*>(destination->ScanLine(y));
    if (!row) continue;
    for (int32_t x = r.left; x < r.right; ++x) {
      if (format == vcl::pf24bit) {
        uint8_t* p = row + 3 * x;
        p[0] = mix(p[0], blue), p[1] = mix(p[1], green), p[2] = mix(p[2], red);
      } else if (format == vcl::pf32bit) {
        uint8_t* p = row + 4 * x;
        p[0] = mix(p[0], blue), p[1] = mix(p[1], green), p[2] = mix(p[2], red);
      } else if (format == vcl::pf8bit) {
        // A grey destination is masked like each channel of a colour one.
        row[x] = mix(row[x], red);
      }
    }
  }
}

void TImageVect::DrawGrip(vcl::TCanvas* plain, int32_t x, int32_t y, bool diamond) {
  const int32_t s = gripSize_;
  if (diamond) {
    TIECanvas canvas(plain, true);
    canvas.Pen()->SetColor(gripPenColour_);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetStyle(vcl::psSolid);
    canvas.Pen()->SetMode(vcl::pmCopy);
    canvas.Brush()->SetColor(gripBrushColour_);
    canvas.Brush()->SetStyle(vcl::bsSolid);
    const POINT points[4] = {{x, y - s}, {x + s, y}, {x, y + s}, {x - s, y}};
    canvas.Polygon(points, 3);
    return;
  }
  if (vcl::TGraphic* graphic = gripImage_->Graphic(); graphic && !graphic->Empty()) {
    plain->Draw(x - graphic->Width() / 2, y - graphic->Height() / 2, graphic);
    return;
  }
  TIECanvas canvas(plain, true);
  canvas.Pen()->SetColor(gripPenColour_);
  canvas.Pen()->SetWidth(1);
  canvas.Pen()->SetStyle(vcl::psSolid);
  canvas.Pen()->SetMode(vcl::pmCopy);
  canvas.Pen()->SetAlpha(180);
  canvas.Brush()->SetColor(gripBrushColour_);
  canvas.Brush()->SetStyle(vcl::bsSolid);
  canvas.Brush()->SetAlpha(180);
  if (gripShape_ == 0)
    canvas.Rectangle(x - s, y - s, x + s, y + s);
  else
    canvas.Ellipse(x - s, y - s, x + s, y + s);
}

RECT TImageVect::ObjectClientRect(const TIEVectorObject& r) {
  RECT b = r.Kind == vkAngle ? r.AngleBounds() : Ordered(r.X1, r.Y1, r.X2, r.Y2);
  if (r.Kind == vkAngle && b.left > b.right) return RECT{0, 0, -1, -1};
  return RECT{BitmapToClientX(b.left), BitmapToClientY(b.top), BitmapToClientX(b.right), BitmapToClientY(b.bottom)};
}

void TImageVect::DrawSelectionGrips(vcl::TBitmap* destination) {
  vcl::TCanvas* plain = destination->Canvas();
  const RECT client{0, 0, ClientWidth(), ClientHeight()};
  for (int32_t hobj : selection_) {
    TIEVectorObject* r = GetObjectRecord(hobj);
    if (!r || !r->IsSelectable()) continue;
    const RECT c = ObjectClientRect(*r);
    if (c.right < client.left || c.left > client.right || c.bottom < client.top || c.top > client.bottom) continue;
    if (r->Kind == vkAngle) {
      for (const POINT& p : r->AnglePoints)
        if (p.x != kUndefinedAnglePoint || p.y != kUndefinedAnglePoint)
          DrawGrip(plain, BitmapToClientX(p.x), BitmapToClientY(p.y), false);
      continue;
    }
    const int32_t x1 = BitmapToClientX(r->X1), y1 = BitmapToClientY(r->Y1);
    const int32_t x2 = BitmapToClientX(r->X2), y2 = BitmapToClientY(r->Y2);
    DrawGrip(plain, x1, y1, false);
    DrawGrip(plain, x2, y2, false);
    if (r->Kind != vkLine && r->Kind != vkRuler && r->Kind != vkLineLabel) {
      DrawGrip(plain, x2, y1, false);
      DrawGrip(plain, x1, y2, false);
      DrawGrip(plain, x1, (y1 + y2) / 2, false);
      DrawGrip(plain, x2, (y1 + y2) / 2, false);
      DrawGrip(plain, (x1 + x2) / 2, y1, false);
      DrawGrip(plain, (x1 + x2) / 2, y2, false);
    }
    if (centreGrip_)
      DrawGrip(plain, c.left + (c.right - c.left + 1) / 2, c.top + (c.bottom - c.top + 1) / 2, true);
  }
  // Point editing shows every point of the single selected polyline.
  if ((vectModes_ & vmEditPolyline) && selection_.size() == 1) {
    TIEVectorObject* r = GetObjectRecord(selection_[0]);
    if (r && r->Kind == vkPolyline) {
      TIECanvas canvas(plain, true);
      canvas.Pen()->SetColor(0);
      canvas.Pen()->SetWidth(1);
      canvas.Pen()->SetStyle(vcl::psSolid);
      canvas.Pen()->SetMode(vcl::pmCopy);
      canvas.Brush()->SetColor(0x0000FF);
      canvas.Brush()->SetStyle(vcl::bsSolid);
      for (const POINT& p : r->ViewPoints) canvas.Ellipse(p.x - 3, p.y - 3, p.x + 3, p.y + 3);
    }
  }
}

void TImageVect::SetAntialiasedDrawing(bool value) {
  supersampling_ = value;
  Update();
}

void TImageVect::DrawRubberAngle(vcl::TBitmap* destination) {
  TIEVectorObject* r = GetObjectRecord(angleHandle_);
  if (!r) return;
  POINT points[3];
  int32_t count = 0;
  for (const POINT& p : r->AnglePoints) {
    if (p.x == kUndefinedAnglePoint && p.y == kUndefinedAnglePoint) {
      points[count++] = current_;  // the first point not yet set follows the mouse
      break;
    }
    points[count++] = POINT{BitmapToClientX(p.x), BitmapToClientY(p.y)};
  }
  TIECanvas canvas(destination->Canvas(), objAntialias_);
  canvas.Pen()->SetColor(r->PenColor);
  canvas.Pen()->SetWidth(static_cast<float>(ZoomedPenWidth(*r, ZoomX() / 100, ZoomY() / 100)));
  canvas.Pen()->SetStyle(static_cast<vcl::TPenStyle>(r->PenStyle));
  canvas.Pen()->SetMode(vcl::pmCopy);
  DrawAngle(canvas, *r, points, count, ZoomX() / 100, ZoomY() / 100);
}

void TImageVect::DrawRubberPolyline(vcl::TBitmap* destination) {
  TIEVectorObject* r = GetObjectRecord(polylineHandle_);
  if (!r) return;
  TIECanvas canvas(destination->Canvas(), objAntialias_);
  canvas.Pen()->SetColor(r->PenColor);
  canvas.Pen()->SetWidth(1);
  canvas.Pen()->SetStyle(vcl::psDot);
  canvas.Pen()->SetMode(vcl::pmCopy);
  canvas.DrawLine(polylineLast_.x, polylineLast_.y, current_.x, current_.y);
}

void TImageVect::DrawObjectsToBitmap(TIEBitmap* bitmap, bool antialias, int32_t hobj) {
  if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) return;
  const bool savedSuper = supersampling_, savedFast = fastDrawingActive_;
  supersampling_ = antialias;
  fastDrawingActive_ = false;
  try {
    if (bitmap->PixelFormat() == ie24RGB && bitmap->Location() == ieTBitmap) {
      DrawObjects(bitmap->VclBitmap(), hobj, iecBitmap, antialias);
    } else {
      // Drawn into a 24-bit copy held by a platform bitmap, then converted back in place.
      const TIEPixelFormat format = bitmap->PixelFormat();
      const TIELocation location = bitmap->Location();
      if (location == ieTBitmap) bitmap->SetLocation(ieMemory);
      TIEBitmap work;
      work.Assign(bitmap);
      if (work.HasAlphaChannel()) work.RemoveAlphaChannel(false, 0);
      if (format != ie24RGB) work.ConvertTo(ie24RGB);
      work.SetLocation(ieTBitmap);
      DrawObjects(work.VclBitmap(), hobj, iecBitmap, antialias);
      work.SetLocation(ieMemory);
      if (format == ie24RGB) {
        const int32_t bytes = bitmap->Width() * 3;
        for (int32_t y = 0; y < bitmap->Height(); ++y) std::memcpy(bitmap->Scanline(y), work.Scanline(y), bytes);
      } else {
        bitmap->CopyAndConvertFormat(&work);
      }
      if (location == ieTBitmap) bitmap->SetLocation(ieTBitmap);
    }
  } catch (...) {
    supersampling_ = savedSuper, fastDrawingActive_ = savedFast;
    throw;
  }
  supersampling_ = savedSuper, fastDrawingActive_ = savedFast;
}

void TImageVect::DrawObjectsOnBackground(bool antialias) {
  DrawObjectsToBitmap(GetIEBitmap(), antialias, hobjAll);
  Update();
  ImageChange();
}

}  // namespace imaging

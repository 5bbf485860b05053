// TImageVect: measuring in physical units (the length dragged, the selection's perimeter and
// area), the measure hint, and the drawing of rulers and angles with their labels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/hint_boxes.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/model/ie_mask.h"
#include "imaging/vect/image_vect.h"
#include "imaging/vect/selected_font.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kLastPosition = -1000000;
// x of a polygon vertex that separates two sub-polygons.
constexpr int32_t kPolygonBreak = 0xFFFFF;
// Ticks closer than this (destination pixels) are merged into ticks of the next decade, so a
// ruler in microns draws as many ticks as one in centimetres instead of millions.
constexpr double kMinTickStep = 3.0;

bool GreekSystem() { return PRIMARYLANGID(GetUserDefaultLangID()) == LANG_GREEK; }

// The font of a ruler's or an angle's label: the object's own, else the template's, scaled to
// the drawing.
LOGFONTA LabelFont(const TIEVectorObject& r, const TIEVectorObject& fallback, double sy) {
  LOGFONTA log{};
  if (r.Font) log = *r.Font;
  else if (fallback.Font) log = *fallback.Font;
  log.lfHeight = std::max(3, RoundCoordinate(std::abs(log.lfHeight) * sy));
  log.lfWidth = 0;
  if (GreekSystem()) log.lfCharSet = 161;
  return log;
}

void Include(RECT& r, int32_t x, int32_t y) {
  r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
  r.right = std::max<LONG>(r.right, x), r.bottom = std::max<LONG>(r.bottom, y);
}

void IncludeBox(RECT& r, int32_t x, int32_t y, int32_t margin) {
  Include(r, x - margin, y - margin);
  Include(r, x + margin, y + margin);
}

void WriteText(HDC dc, int32_t x, int32_t y, const std::string& text, COLORREF colour) {
  const int mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF old = SetTextColor(dc, colour);
  const UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ExtTextOutA(dc, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  SetTextAlign(dc, align);
  SetTextColor(dc, old);
  SetBkMode(dc, mode);
}

}  // namespace

double UnitsPerPixel(TIEUnits unit, int32_t dpi) {
  const double d = dpi > 0 ? dpi : 96;
  switch (unit) {
    case ieuPIXELS: return 1;
    case ieuINCHES: return 1 / d;
    case ieuKM: return 2.54 / d / 100000;
    case ieuMETERS: return 2.54 / d / 100;
    case ieuCENTIMETERS: return 2.54 / d;
    case ieuMILLIMETERS: return 2.54 / d * 10;
    case ieuMICRONS: return 2.54 / d * 10000;
    case ieuNANOMETERS: return 2.54 / d * 10000000;
    case ieuFEET: return 1 / d / 12;
    case ieuYARDS: return 1 / d / 36;
    case ieuMILES: return 1 / d / 63360;
  }
  return 1;
}

const char* UnitText(TIEUnits unit) {
  static const char* const kNames[] = {"pixels", "inches", "km",      "mt",   "cm",    "mm",
                                       "microns", "nanometers", "feet", "yards", "miles"};
  return unit <= ieuMILES ? kNames[unit] : "";
}

void TImageVect::SetMUnit(TIEUnits value) {
  mUnit_ = value;
  template_.RulerUnit = value;
  ShowMeasureHint(kLastPosition, kLastPosition);
}

void TImageVect::SetFloatDigits(int32_t value) {
  floatDigits_ = std::clamp(value, 0, 18);
  ShowMeasureHint(kLastPosition, kLastPosition);
}

void TImageVect::SetFloatPrecision(int32_t value) {
  floatPrecision_ = std::clamp(value, 1, 18);
  ShowMeasureHint(kLastPosition, kLastPosition);
}

void TImageVect::SetScale(double value) {
  if (!std::isfinite(value) || value <= 0) return;
  scale_ = value;
  ShowMeasureHint(kLastPosition, kLastPosition);
  Update();
}

// The units per pixel follow the resolution where they are used; what shows them (the
// measure hint, the rulers) is drawn again.
void TImageVect::SetDpiX(int32_t value) {
  TImageView::SetDpiX(value);
  ShowMeasureHint(kLastPosition, kLastPosition);
  Update();
}

void TImageVect::SetDpiY(int32_t value) {
  TImageView::SetDpiY(value);
  ShowMeasureHint(kLastPosition, kLastPosition);
  Update();
}

double TImageVect::UnitsPerPixelX() { return UnitsPerPixel(mUnit_, GetDpiX()) * scale_; }
double TImageVect::UnitsPerPixelY() { return UnitsPerPixel(mUnit_, GetDpiY()) * scale_; }

std::string TImageVect::MeasureText(double value, TIEUnits unit, bool area) const {
  char text[128];
  // Fixed notation keeps FloatPrecision significant digits at most: beyond them the value
  // goes to exponent notation, as a fixed figure would only show noise.
  const double magnitude = std::fabs(value);
  if (magnitude >= 1 && std::log10(magnitude) >= floatPrecision_)
    std::snprintf(text, sizeof(text), "%.*E", std::max(0, floatPrecision_ - 1), value);
  else
    std::snprintf(text, sizeof(text), "%.*f", floatDigits_, value);
  std::string result = std::string(text) + " " + UnitText(unit);
  if (area) result += "\xB2";  // "²" in the ANSI code page
  return result;
}

void TImageVect::ShowMeasureHint(int32_t x, int32_t y) {
  if (!hintActive_ || !HandleAllocated()) return;
  if (x == kLastPosition) x = hintPosition_.x;
  if (y == kLastPosition) y = hintPosition_.y;
  x = std::max(0, x), y = std::max(0, y);
  double value = 0;
  int32_t valType = 1;
  bool area = false;
  if (vectModes_ & vmMeasureArea) {
    value = GetSelectionArea(), valType = 0, area = true;
  } else if (vectModes_ & vmMeasurePerimeter) {
    value = GetSelectionPerimeter();
  } else if (vectModes_ & vmMeasureLength) {
    // Both ends count: a drag over one pixel measures one pixel, whichever way it goes.
    const double zx = ZoomX() > 0 ? ZoomX() : 100, zy = ZoomY() > 0 ? ZoomY() : 100;
    const double dx = (std::abs(x - press_.x) + 1) * UnitsPerPixelX() * 100 / zx;
    const double dy = (std::abs(y - press_.y) + 1) * UnitsPerPixelY() * 100 / zy;
    value = std::sqrt(dx * dx + dy * dy);
  }
  if (value == 0) value = lastMeasure_;
  lastMeasure_ = value;
  std::string text = MeasureText(value, mUnit_, area);
  if (OnMeasureHint) OnMeasureHint(this, text, value);
  if (OnPresentMeasure) OnPresentMeasure(this, text, value, valType);
  if (!hintFont_) {
    hintFont_ = std::make_unique<vcl::TFont>();
    hintFont_->SetColor(vcl::clBlack);
    vcl::TFontStyles bold;
    bold.Include(vcl::fsBold);
    hintFont_->SetStyle(bold);
    hintBrush_ = std::make_unique<vcl::TBrush>();
    hintBrush_->SetColor(static_cast<vcl::TColor>(RGB(255, 255, 96)));
    hintBrush_->SetStyle(vcl::bsSolid);
  }
  HideMeasureHint();
  vcl::TBitmap* backup = hintBackup_.release();
  try {
    DrawMeasureHint(Canvas(), x, y, text, hintFont_.get(), hintBrush_.get(), backup, ClientWidth(), ClientHeight(),
                    static_cast<vcl::TColor>(RGB(128, 128, 128)), vcl::clWhite);
  } catch (...) {
    hintBackup_.reset(backup);
    throw;
  }
  hintBackup_.reset(backup);
  hintPosition_ = POINT{x, y};
}

void TImageVect::HideMeasureHint() {
  if (!hintActive_ || !hintBackup_ || hintBackup_->Width() < 2 || !HandleAllocated()) return;
  Canvas()->Draw(hintPosition_.x, hintPosition_.y, hintBackup_.get());
  hintBackup_->SetWidth(1);
}

double TImageVect::GetSelectionPerimeter() {
  const POINT* points = GetSelectionPolygon();
  const int32_t n = GetSelectionPolygonCount();
  if (!points || n < 2) return 0;
  const double ux = UnitsPerPixelX(), uy = UnitsPerPixelY();
  auto segment = [&](const POINT& a, const POINT& b) {
    const double dx = ux * std::abs(b.x - a.x), dy = uy * (b.y - a.y);
    return std::sqrt(dx * dx + dy * dy);
  };
  double sum = 0;
  int32_t first = 0;
  for (int32_t i = 0; i + 1 < n; ++i) {
    if (points[i].x == kPolygonBreak) continue;
    if (points[i + 1].x == kPolygonBreak) {
      sum += segment(points[i], points[first]);
      first = i + 2;
      ++i;
      continue;
    }
    sum += segment(points[i], points[i + 1]);
  }
  if (!polygonDrawing_ && n > 2 && first < n && points[n - 1].x != kPolygonBreak)
    sum += segment(points[n - 1], points[first]);
  if (polygonDrawing_ && measureIncludesMouse_ && points[n - 1].x != kPolygonBreak)
    sum += segment(points[n - 1], POINT{ClientToBitmapX(lastMouse_.x), ClientToBitmapY(lastMouse_.y)});
  return sum;
}

double TImageVect::GetSelectionArea() {
  const POINT* points = GetSelectionPolygon();
  const int32_t n = GetSelectionPolygonCount();
  const double ux = UnitsPerPixelX(), uy = UnitsPerPixelY();
  if (points && n > 2) {
    double sum = 0;
    int32_t first = 0;
    for (int32_t i = 0; i < n; ++i) {
      if (points[i].x == kPolygonBreak) {
        first = i + 1;
        continue;
      }
      const bool closes = i + 1 >= n || points[i + 1].x == kPolygonBreak;
      const POINT& a = points[i];
      const POINT& b = closes ? points[first] : points[i + 1];
      sum += ux * uy * static_cast<double>(a.x - b.x) * (b.y + a.y);
    }
    return std::fabs(sum / 2);
  }
  TIEMask* mask = SelectionMask();
  if (!mask || mask->IsEmpty() || mask->Width() <= 0) return 0;
  // Every pixel the mask selects counts, whether the mask is 1 or 8 bits deep.
  int64_t count = 0;
  const int32_t x2 = std::min(mask->X2(), mask->Width() - 1), y2 = std::min(mask->Y2(), mask->Height() - 1);
  for (int32_t y = std::max(0, mask->Y1()); y <= y2; ++y)
    for (int32_t x = std::max(0, mask->X1()); x <= x2; ++x)
      if (mask->GetPixel(x, y) > 0) ++count;
  return static_cast<double>(count) * ux * uy;
}

void TImageVect::DrawRuler(TIECanvas& canvas, TIEVectorObject& r, POINT p, POINT q, double sx, double sy,
                           double length) {
  if (p.x == q.x && p.y == q.y) return;
  canvas.Pen()->SetMode(vcl::pmCopy);
  canvas.Pen()->SetStyle(vcl::psSolid);
  canvas.Brush()->SetStyle(vcl::bsClear);
  canvas.DrawLine(p.x, p.y, q.x, q.y);
  Include(r.DrawnRect, p.x, p.y), Include(r.DrawnRect, q.x, q.y);

  HDC dc = canvas.GetHandle();
  const LOGFONTA log = LabelFont(r, template_, sy);
  const COLORREF colour = vcl::ColorToRGB(r.PenColor);
  const TIEUnits unit = r.RulerUnit <= ieuMILES ? static_cast<TIEUnits>(r.RulerUnit) : ieuPIXELS;
  const double ux = UnitsPerPixel(unit, GetDpiX()) * scale_, uy = UnitsPerPixel(unit, GetDpiY()) * scale_;
  const double dx = q.x - p.x, dy = q.y - p.y;
  const double B = std::hypot(dx, dy);
  const double cx = dx / B, cy = dy / B;  // along the ruler
  const double nx = cy, ny = -cx;         // across it, to its left
  const double sxSafe = sx > 0 ? sx : 1, sySafe = sy > 0 ? sy : 1;

  if (r.RulerType == 0) {
    // Units per destination pixel along the ruler's direction.
    const double perPixel = std::hypot(cx * ux / sxSafe, cy * uy / sySafe);
    if (!(perPixel > 0) || !std::isfinite(perPixel)) return;
    double tickUnits = 0.1;
    while (tickUnits / perPixel < kMinTickStep && tickUnits < 1e30) tickUnits *= 10;
    const double step = tickUnits / perPixel;
    // The ticks' first ends, and the labels, lie above every ruler that is not vertical,
    // whichever way it was drawn; a vertical one has them on its right when drawn downwards and
    // on its left when drawn upwards.
    const double ux0 = q.x < p.x ? -nx : nx, uy0 = q.x < p.x ? -ny : ny;
    const bool flipped = (q.x < p.x && q.y < p.y) || (p.x < q.x && p.y < q.y);
    TSelectedFont font(dc, log);
    for (int64_t i = 0; i * step <= B; ++i) {
      const double d = i * step;
      const double tx = p.x + cx * d, ty = p.y + cy * d;
      const int32_t h = i % 10 == 0  ? RoundCoordinate(12 * sy)
                        : i % 5 == 0 ? RoundCoordinate(8 * sy)
                                     : RoundCoordinate(6 * sy);
      const int32_t ex = RoundCoordinate(tx + ux0 * h), ey = RoundCoordinate(ty + uy0 * h);
      canvas.DrawLine(ex, ey, RoundCoordinate(tx - ux0 * h), RoundCoordinate(ty - uy0 * h));
      Include(r.DrawnRect, ex, ey);
      if (i % 10 == 0) {
        char number[64];
        std::snprintf(number, sizeof(number), "%.15g", static_cast<double>(i / 10) * tickUnits * 10);
        const SIZE size = TextSize(dc, number);
        // Two label heights and a pixel out from the tick's first end, half the label's width
        // back along the ruler, then 20 pixels down.
        const double m = 2.0 * size.cy + 1, tl = size.cx / 2.0;
        const int32_t lx = flipped ? RoundCoordinate(m * ux0 + ex - 2 * tl * ux0 + tl * uy0)
                                   : RoundCoordinate(m * ux0 + ex + tl * uy0);
        const int32_t ly = (flipped ? RoundCoordinate(m * uy0 + ey - tl * ux0)
                                    : RoundCoordinate(m * uy0 + ey + tl * ux0)) + 20;
        WriteText(dc, lx, ly, number, colour);
        IncludeBox(r.DrawnRect, lx, ly, 15);
        IncludeBox(r.DrawnRect, lx + size.cx, ly + size.cy, 15);
      }
    }
    return;
  }
  if (r.RulerType > 3) return;
  // End bars.
  const int32_t bx = RoundCoordinate(9 * sx), by = RoundCoordinate(9 * sy);
  for (const POINT& e : {p, q}) {
    canvas.DrawLine(RoundCoordinate(e.x + nx * bx), RoundCoordinate(e.y + ny * by), RoundCoordinate(e.x - nx * bx),
                    RoundCoordinate(e.y - ny * by));
    IncludeBox(r.DrawnRect, e.x, e.y, std::max(bx, by));
  }
  const double value =
      length >= 0 ? length : std::hypot(std::abs(q.x - p.x) / sxSafe * ux, std::abs(q.y - p.y) / sySafe * uy);
  std::string text = MeasureText(value, unit, false);
  if (OnPresentMeasure) OnPresentMeasure(this, text, value, 1);
  // The direction with y upwards, 0 .. 2 pi; text reads from left to right whatever the
  // ruler's direction.
  const double direction = GetLineAngle(p.x, p.y, q.x, q.y);
  const bool upright = !(keepRulerTextUpright_ && direction >= kPi / 2 && direction <= 3 * kPi / 2);
  double angle = direction;
  if (!upright) angle -= kPi;
  LOGFONTA rotated = log;
  rotated.lfEscapement = rotated.lfOrientation = RoundCoordinate(angle * 1800 / kPi);
  TSelectedFont font(dc, rotated);
  if (r.RulerType == 1) text = " " + text;
  if (r.RulerType == 3) text += " ";
  const SIZE size = TextSize(dc, text);
  const double L = size.cx;
  // Text runs along (ax, ay) on screen.
  const double ax = std::cos(angle), ay = -std::sin(angle);
  const POINT start = upright ? p : q;
  double along = 0;
  if (r.RulerType == 2) along = (B - L) / 2;
  if (r.RulerType == 3) along = B - L;
  const int32_t wx = RoundCoordinate(start.x + ax * along), wy = RoundCoordinate(start.y + ay * along);
  WriteText(dc, wx, wy, text, colour);
  IncludeBox(r.DrawnRect, wx, wy, 15);
  IncludeBox(r.DrawnRect, RoundCoordinate(wx + ax * L + std::sin(angle) * size.cy),
             RoundCoordinate(wy + ay * L + std::cos(angle) * size.cy), 15);
}

void TImageVect::DrawAngle(TIECanvas& canvas, TIEVectorObject& r, const POINT* points, int32_t count, double sx,
                           double sy) {
  if (count < 1 || points[0].x == kUndefinedAnglePoint) return;
  canvas.Brush()->SetStyle(vcl::bsClear);
  if (count >= 2) canvas.Polyline(points, count - 1);
  if (count < 3) return;
  const POINT& p0 = points[0];
  const POINT& v = points[1];
  const POINT& p2 = points[2];
  double degrees = GetVertexAngle(p0.x, p0.y, v.x, v.y, p2.x, p2.y) * 180 / kPi;
  const bool complement = reflexAngleComplement_ && degrees >= 180;
  if (complement) degrees = 360 - degrees;
  char number[64];
  std::snprintf(number, sizeof(number), "%.*f", floatDigits_, degrees);
  const std::string text = std::string(number) + "\xB0";  // the degree sign in the ANSI code page
  HDC dc = canvas.GetHandle();
  const LOGFONTA log = LabelFont(r, template_, sy);
  {
    TSelectedFont font(dc, log);
    const SIZE size = TextSize(dc, text);
    WriteText(dc, v.x, v.y, text, vcl::ColorToRGB(r.PenColor));
    Include(r.DrawnRect, v.x + size.cx, v.y + size.cy);
  }
  const int32_t radius = std::min(RoundCoordinate(std::hypot(p2.x - v.x, p2.y - v.y)) / 4,
                                  RoundCoordinate(std::hypot(p0.x - v.x, p0.y - v.y)) / 4);
  if (radius <= 0) return;
  (void)sx;
  // The arc spans the angle the label shows.
  const POINT& from = complement ? p2 : p0;
  const POINT& to = complement ? p0 : p2;
  canvas.Arc(v.x - radius, v.y - radius, v.x + radius, v.y + radius, from.x, from.y, to.x, to.y);
  IncludeBox(r.DrawnRect, v.x, v.y, radius);
}

}  // namespace imaging

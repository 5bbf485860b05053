#include "imaging/vect/vect_object.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "imaging/base/number_helpers.h"

namespace imaging {

namespace {

std::map<std::string, TIEVectExtendedFactory>*& Registry() {
  static std::map<std::string, TIEVectExtendedFactory>* registry = nullptr;
  return registry;
}

}  // namespace

void CreateVectExtendedRegistry() {
  if (!Registry()) Registry() = new std::map<std::string, TIEVectExtendedFactory>();
}

void FreeVectExtendedRegistry() {
  delete Registry();
  Registry() = nullptr;
}

void RegisterVectExtendedClass(const std::string& className, TIEVectExtendedFactory factory) {
  CreateVectExtendedRegistry();
  (*Registry())[className] = std::move(factory);
}

std::unique_ptr<TIEVectExtendedObject> CreateVectExtendedObject(const std::string& className) {
  if (!Registry()) return nullptr;
  auto it = Registry()->find(className);
  if (it == Registry()->end() || !it->second) return nullptr;
  return it->second();
}

TIEVectorObject& TIEVectorObject::operator=(const TIEVectorObject& other) {
  if (this == &other) return *this;
  X1 = other.X1, Y1 = other.Y1, X2 = other.X2, Y2 = other.Y2;
  Kind = other.Kind;
  Transparency = other.Transparency;
  UserData = other.UserData;
  KeepAspect = other.KeepAspect;
  BlendOp = other.BlendOp;
  StartShape = other.StartShape, EndShape = other.EndShape;
  ShapeWidth = other.ShapeWidth, ShapeLength = other.ShapeLength;
  LabelBrushColor = other.LabelBrushColor;
  LabelBrushStyle = other.LabelBrushStyle;
  LabelPosition = other.LabelPosition;
  LabelBorder = other.LabelBorder;
  LabelRect = other.LabelRect;
  PenColor = other.PenColor;
  PenStyle = other.PenStyle;
  PenWidth = other.PenWidth;
  BrushColor = other.BrushColor;
  BrushStyle = other.BrushStyle;
  Highlight = other.Highlight;
  ArcStart = other.ArcStart, ArcEnd = other.ArcEnd;
  BitmapIndex = other.BitmapIndex;
  BitmapBorder = other.BitmapBorder;
  Text = other.Text;
  Font = other.Font;
  TextQuality = other.TextQuality;
  TextAlign = other.TextAlign;
  AutoSize = other.AutoSize;
  SingleFormat = other.SingleFormat;
  CurvePoints = other.CurvePoints;
  CurveCharAngle = other.CurveCharAngle;
  TextEditable = other.TextEditable;
  CharFormatIndex = other.CharFormatIndex;
  CharFormats = other.CharFormats;
  LineSpacing = other.LineSpacing;
  BorderColor = other.BorderColor;
  BorderStyle = other.BorderStyle;
  FixedLineHeight = other.FixedLineHeight;
  HasBackground = other.HasBackground;
  std::copy(std::begin(other.Margins), std::end(other.Margins), std::begin(Margins));
  TextBackStyle = other.TextBackStyle;
  Name = other.Name;
  Tag = other.Tag;
  Style = other.Style;
  RulerUnit = other.RulerUnit;
  RulerType = other.RulerType;
  Points = other.Points;
  BaseRect = other.BaseRect;
  Closed = other.Closed;
  ViewPoints = other.ViewPoints;
  std::copy(std::begin(other.AnglePoints), std::end(other.AnglePoints), std::begin(AnglePoints));
  DragRect = other.DragRect;
  DrawnRect = other.DrawnRect;
  DrawnMargin = other.DrawnMargin;
  SoftShadow = other.SoftShadow;
  Extended = other.Extended ? other.Extended->Clone() : nullptr;
  if (Extended) Extended->SetRecord(this);
  return *this;
}

bool TIEVectorObject::KeepsDirection() const {
  return Kind == vkLine || Kind == vkRuler || Kind == vkPolyline || Kind == vkLineLabel;
}

void TIEVectorObject::OrderCorners() {
  if (X1 > X2) std::swap(X1, X2);
  if (Y1 > Y2) std::swap(Y1, Y2);
}

void TIEVectorObject::FreeOwnedData() {
  UserData.clear();
  Text.clear();
  Font.reset();
  CurvePoints.clear();
  CharFormatIndex.clear();
  CharFormats.clear();
  Points.clear();
  ViewPoints.clear();
  Name.clear();
  Extended.reset();
}

double TIEVectorObject::PolylineScaleX() const {
  const int32_t base = BaseRect.right - BaseRect.left;
  return base == 0 ? 1.0 : static_cast<double>(X2 - X1) / base;
}

double TIEVectorObject::PolylineScaleY() const {
  const int32_t base = BaseRect.bottom - BaseRect.top;
  return base == 0 ? 1.0 : static_cast<double>(Y2 - Y1) / base;
}

POINT TIEVectorObject::MapPolylinePoint(const POINT& p) const {
  return POINT{X1 + RoundCoordinate((p.x - BaseRect.left) * PolylineScaleX()),
               Y1 + RoundCoordinate((p.y - BaseRect.top) * PolylineScaleY())};
}

void TIEVectorObject::RebasePolyline() {
  if (Points.empty()) return;
  RECT mapped{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  RECT raw{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const POINT& p : Points) {
    const POINT m = MapPolylinePoint(p);
    mapped.left = std::min(mapped.left, m.x), mapped.top = std::min(mapped.top, m.y);
    mapped.right = std::max(mapped.right, m.x), mapped.bottom = std::max(mapped.bottom, m.y);
    raw.left = std::min(raw.left, p.x), raw.top = std::min(raw.top, p.y);
    raw.right = std::max(raw.right, p.x), raw.bottom = std::max(raw.bottom, p.y);
  }
  X1 = mapped.left, Y1 = mapped.top, X2 = mapped.right, Y2 = mapped.bottom;
  BaseRect = raw;
}

RECT TIEVectorObject::AngleBounds() const {
  RECT r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  bool any = false;
  for (const POINT& p : AnglePoints) {
    if (p.x == kUndefinedAnglePoint && p.y == kUndefinedAnglePoint) continue;
    any = true;
    r.left = std::min(r.left, p.x), r.top = std::min(r.top, p.y);
    r.right = std::max(r.right, p.x), r.bottom = std::max(r.bottom, p.y);
  }
  if (!any) return RECT{1000000, 1000000, -1000000, -1000000};
  return r;
}

}  // namespace imaging

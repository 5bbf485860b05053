// The record of one vector object (and of the template new objects copy), its soft shadow and
// the base class of application-defined objects with their process-wide registry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vcl/controls/controls.h"
#include "vcl/runtime/win.h"

namespace vcl {
class TBitmap;
class TStream;
}  // namespace vcl

namespace imaging {

class TImageVect;

enum TIEVectorKind : uint8_t {
  vkNone = 0,
  vkLine = 1,
  vkBox = 2,
  vkEllipse = 3,
  vkArc = 4,
  vkBitmap = 5,
  vkText = 6,
  vkRuler = 7,
  vkPolyline = 8,
  vkAngle = 9,
  vkMemo = 10,
  vkLineLabel = 11,
  vkExtended = 12,
};
constexpr uint8_t kLastVectorKind = vkExtended;

// Handles with a fixed meaning.
constexpr int32_t hobjTemplate = -1;
constexpr int32_t hobjLast = -2;
constexpr int32_t hobjAll = -3;      // "all objects" as an argument
constexpr int32_t hobjNotFound = -3;  // "no object" as a search result
constexpr int32_t hobjNoGrip = -4;    // no object with a grip under the point

// Bits of TIEVectorObject::Style.
constexpr uint8_t iestSelectable = 1, iestMovable = 2, iestResizable = 4, iestVisible = 8;

// An angle point that is not set yet.
constexpr int32_t kUndefinedAnglePoint = -1000000;

struct TIEVSoftShadow {
  uint8_t Enabled = 0;
  double Radius = 3.0;
  int32_t OffsetX = 0, OffsetY = 0;
  int32_t Intensity = 100;
  uint8_t ShadowB = 0, ShadowG = 0, ShadowR = 0;
};

struct TIEDPoint {
  double x = 0, y = 0;
};

class TIEVectorObject;

// The base of application classes that become objects of kind vkExtended. The view calls the
// virtual operations; a class overrides what it needs.
class TIEVectExtendedObject : public vcl::TObject {
  VCL_CLASS(TIEVectExtendedObject, vcl::TObject)
  TIEVectExtendedObject() = default;

  TImageVect* Owner() const { return owner_; }
  TIEVectorObject* Record() const { return record_; }
  int32_t Handle() const { return handle_; }
  void SetOwner(TImageVect* owner) { owner_ = owner; }
  void SetRecord(TIEVectorObject* record) { record_ = record; }

  virtual void Initialize() {}
  virtual void SetHandle(int32_t hobj) { handle_ = hobj; }
  virtual void SaveToStream(vcl::TStream*) {}
  virtual void LoadFromStream(vcl::TStream*) {}
  // A new copy of this object; the base copies nothing of a derived class, so classes with
  // state override it.
  virtual std::unique_ptr<TIEVectExtendedObject> Clone() const { return std::make_unique<TIEVectExtendedObject>(); }
  virtual void MouseDown(vcl::TMouseButton, vcl::TShiftState, int32_t, int32_t) {}
  virtual void MouseUp(vcl::TMouseButton, vcl::TShiftState, int32_t, int32_t) {}
  virtual void MouseMove(vcl::TShiftState, int32_t, int32_t) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void KeyDown(WORD, vcl::TShiftState) {}
  virtual void Draw(vcl::TBitmap*, const RECT&, double, double, bool) {}

 private:
  TImageVect* owner_ = nullptr;
  TIEVectorObject* record_ = nullptr;
  int32_t handle_ = -1;
};

using TIEVectExtendedFactory = std::function<std::unique_ptr<TIEVectExtendedObject>()>;

// The registry of extended classes: made by the vector layer's start-up (vect_startup.h),
// emptied by its shut-down.
void CreateVectExtendedRegistry();
void FreeVectExtendedRegistry();
void RegisterVectExtendedClass(const std::string& className, TIEVectExtendedFactory factory);
// A new object of the named class, or nil for a name that is not registered.
std::unique_ptr<TIEVectExtendedObject> CreateVectExtendedObject(const std::string& className);

// One vector object. The owned parts (text, font, curve, memo formats, points, user data, the
// extended object) are values, so copying a record duplicates them.
class TIEVectorObject {
 public:
  TIEVectorObject() = default;
  TIEVectorObject(const TIEVectorObject& other) { *this = other; }
  TIEVectorObject& operator=(const TIEVectorObject& other);
  TIEVectorObject(TIEVectorObject&&) = default;
  TIEVectorObject& operator=(TIEVectorObject&&) = default;

  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  uint8_t Kind = vkNone;
  uint8_t Transparency = 255;
  std::vector<uint8_t> UserData;
  uint8_t KeepAspect = 0;
  uint8_t BlendOp = 0;
  uint8_t StartShape = 0, EndShape = 0;
  int32_t ShapeWidth = 0, ShapeLength = 0;
  vcl::TColor LabelBrushColor = 0;
  uint8_t LabelBrushStyle = vcl::bsSolid;
  uint8_t LabelPosition = 0;
  uint8_t LabelBorder = 0;
  RECT LabelRect{0, 0, 0, 0};
  vcl::TColor PenColor = 0;
  uint8_t PenStyle = vcl::psSolid;
  int32_t PenWidth = 0;
  vcl::TColor BrushColor = 0;
  uint8_t BrushStyle = vcl::bsSolid;
  uint8_t Highlight = 0;
  double ArcStart = 0, ArcEnd = 0;
  int32_t BitmapIndex = -1;
  uint8_t BitmapBorder = 0;
  std::string Text;
  std::optional<LOGFONTA> Font;
  uint8_t TextQuality = 0;
  uint8_t TextAlign = 0;
  uint8_t AutoSize = 0;
  uint8_t SingleFormat = 0;
  std::vector<TIEDPoint> CurvePoints;
  int32_t CurveCharAngle = 0;
  uint8_t TextEditable = 0;
  // A memo's per-character formats: one index per character into CharFormats (280-byte
  // records; their layout belongs to the text editor).
  std::vector<int32_t> CharFormatIndex;
  std::vector<std::vector<uint8_t>> CharFormats;
  int32_t LineSpacing = 0;
  vcl::TColor BorderColor = 0;
  uint8_t BorderStyle = vcl::psSolid;
  int32_t FixedLineHeight = 0;
  uint8_t HasBackground = 0;
  double Margins[4] = {0, 0, 0, 0};
  uint8_t TextBackStyle = vcl::bsSolid;
  std::string Name;
  int32_t Tag = 0;
  uint8_t Style = iestSelectable | iestMovable | iestResizable | iestVisible;
  uint8_t RulerUnit = 0;
  uint8_t RulerType = 0;
  // Polyline: the points in their own coordinate space BaseRect, mapped into the rectangle.
  std::vector<POINT> Points;
  RECT BaseRect{0, 0, 0, 0};
  uint8_t Closed = 0;
  // The points in client pixels at the last drawing (point editing reads them).
  std::vector<POINT> ViewPoints;
  POINT AnglePoints[3]{{0, 0}, {0, 0}, {0, 0}};
  RECT DragRect{0, 0, 0, 0};
  RECT DrawnRect{0, 0, 0, 0};
  int32_t DrawnMargin = 0;
  TIEVSoftShadow SoftShadow;
  std::unique_ptr<TIEVectExtendedObject> Extended;

  int32_t CurveCount() const { return static_cast<int32_t>(CurvePoints.size()); }
  int32_t PointCount() const { return static_cast<int32_t>(Points.size()); }
  bool IsVisible() const { return (Style & iestVisible) != 0; }
  bool IsSelectable() const { return (Style & iestSelectable) != 0; }
  bool IsMovable() const { return (Style & iestMovable) != 0; }
  bool IsResizable() const { return (Style & iestResizable) != 0; }
  // Lines, rulers, polylines and lines with label keep their direction (the corners are not
  // ordered).
  bool KeepsDirection() const;
  // Orders the corners so that X1 <= X2 and Y1 <= Y2.
  void OrderCorners();
  // Frees everything the record owns (the shared bitmap is released by the view).
  void FreeOwnedData();

  // The polyline's mapping into its rectangle: scale per axis, 1 where the base has no extent.
  double PolylineScaleX() const;
  double PolylineScaleY() const;
  POINT MapPolylinePoint(const POINT& p) const;
  // After a point is moved, inserted or deleted: the rectangle becomes the mapped points'
  // bounds and BaseRect the raw points' bounds.
  void RebasePolyline();
  // The angle's bounding rectangle: the bounds of its defined points.
  RECT AngleBounds() const;
};

}  // namespace imaging

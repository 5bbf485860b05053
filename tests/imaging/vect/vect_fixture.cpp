#include "tests/imaging/vect/vect_fixture.h"

#include <cstring>

#include "imaging/model/ie_bitmap.h"
#include "imaging/vect/text_control.h"
#include "vcl/runtime/streams.h"
#include "vcl/controls/application.h"

using namespace vcl;

namespace vect_test {

void Pump() { Application->ProcessMessages(); }

void VectWindow::SetUp() {
  errors.clear();
  Application->OnException = [this](TObject*, Exception* e) { errors.push_back(e->Message()); };
}

void VectWindow::TearDown() {
  form.reset();
  Pump();
  Application->OnException = nullptr;
  EXPECT_TRUE(errors.empty()) << errors.front();
}

imaging::TImageVect* VectWindow::MakeView(int32_t w, int32_t h) {
  form = std::make_unique<TForm>(nullptr);
  form->SetBounds(40, 40, 300, 250);
  view = new imaging::TImageVect(form.get());
  view->SetParent(form.get());
  view->SetBorderStyle(bsNone);
  view->SetScrollBars(ssNone);
  view->SetBounds(0, 0, 200, 150);
  form->Show();
  Pump();
  view->GetIEBitmap()->Allocate(w, h, imaging::ie24RGB);
  view->GetIEBitmap()->Fill(0xFFFFFF);
  view->Update();
  Pump();
  return view;
}

void VectWindow::Drag(int32_t x1, int32_t y1, int32_t x2, int32_t y2, WPARAM keys, int32_t steps) {
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x1, y1));
  for (int32_t step = 1; step <= steps; ++step) {
    const int32_t x = x1 + (x2 - x1) * step / steps, y = y1 + (y2 - y1) * step / steps;
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(x, y));
  }
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x2, y2));
  Pump();
}

void VectWindow::Click(int32_t x, int32_t y, WPARAM keys) {
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  Pump();
}

void VectWindow::DoubleClick(int32_t x, int32_t y, WPARAM keys) {
  HWND window = view->Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
  Pump();
}

void StarObject::SaveToStream(vcl::TStream* stream) { stream->WriteBuffer(&points_, 4); }

void StarObject::LoadFromStream(vcl::TStream* stream) { stream->ReadBuffer(&points_, 4); }

void RegisterStarObject() {
  imaging::RegisterVectExtendedClass(StarObject::StaticClass()->ClassName(),
                                     [] { return std::make_unique<StarObject>(); });
}

void AddObjectsOfEveryKind(imaging::TImageVect* view) {
  using namespace imaging;
  RegisterStarObject();
  TIEVectorObject base = view->Template();
  base.PenColor = 0x123456, base.PenWidth = 2, base.PenStyle = psDash;
  base.BrushColor = 0x00FF00, base.BrushStyle = bsSolid;
  base.Transparency = 200, base.BlendOp = 3, base.KeepAspect = 1, base.TextQuality = 2, base.Highlight = 0;
  base.Tag = 77, base.Style = iestSelectable | iestVisible;
  base.SoftShadow.Enabled = 1, base.SoftShadow.Radius = 4.5, base.SoftShadow.OffsetX = 3;
  base.SoftShadow.OffsetY = -2, base.SoftShadow.Intensity = 80, base.SoftShadow.ShadowR = 200;
  auto add = [&](uint8_t kind, RECT r, auto setup) {
    TIEVectorObject record = base;
    record.Kind = kind;
    record.X1 = r.left, record.Y1 = r.top, record.X2 = r.right, record.Y2 = r.bottom;
    record.Name = "object " + std::to_string(kind);
    setup(record);
    const int32_t hobj = view->AddNewObject(record);
    const char data[] = {'u', 0, 's', 1};
    if (kind == vkBox) view->SetObjUserData(hobj, data, 4);
    return hobj;
  };
  auto none = [](TIEVectorObject&) {};
  add(vkLine, RECT{5, 6, 60, 40}, [](TIEVectorObject& r) { r.StartShape = 1, r.EndShape = 2, r.ShapeWidth = 7; });
  add(vkBox, RECT{10, 10, 50, 40}, none);
  add(vkEllipse, RECT{20, 20, 70, 60}, none);
  add(vkArc, RECT{30, 30, 80, 70}, [](TIEVectorObject& r) { r.ArcStart = 0.25, r.ArcEnd = 4.75; });
  auto picture = std::make_unique<TIEBitmap>(8, 6, ie24RGB);
  picture->Fill(0x3366CC);
  const int32_t b1 = add(vkBitmap, RECT{0, 0, 16, 12}, [](TIEVectorObject& r) { r.BitmapBorder = 1; });
  view->SetObjBitmap(b1, picture.get());
  const int32_t b2 = add(vkBitmap, RECT{40, 0, 56, 12}, none);
  view->SetObjBitmap(b2, picture.get());
  add(vkText, RECT{5, 50, 90, 70}, [](TIEVectorObject& r) {
    r.Text = "curved", r.TextAlign = 2, r.AutoSize = 1;
    r.CurvePoints = {{0.0, 0.5}, {0.5, 0.25}, {1.0, 0.5}};
    r.CurveCharAngle = 15;
  });
  add(vkRuler, RECT{10, 80, 150, 80}, [](TIEVectorObject& r) { r.RulerUnit = ieuMILLIMETERS, r.RulerType = 3; });
  add(vkPolyline, RECT{0, 0, 0, 0}, [](TIEVectorObject& r) {
    r.Points = {{0, 0}, {10, 4}, {20, 0}, {5, 15}};
    r.BaseRect = RECT{0, 0, 20, 15};
    r.X1 = 100, r.Y1 = 10, r.X2 = 140, r.Y2 = 40;
    r.Closed = 1;
  });
  add(vkAngle, RECT{0, 0, 0, 0}, [](TIEVectorObject& r) {
    r.AnglePoints[0] = {100, 100}, r.AnglePoints[1] = {120, 90}, r.AnglePoints[2] = {140, 110};
  });
  add(vkMemo, RECT{60, 60, 160, 120}, [](TIEVectorObject& r) {
    r.Text = "Hello\nworld";
    r.CharFormats = {charformat::Make("Arial", -12, 1, 0x0000FF, 0xFFFFFF, bsSolid, 0),
                     charformat::Make("Courier New", -14, 2, 0x00AA00, 0xEEEEEE, bsClear, 2)};
    r.CharFormatIndex = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    charformat::SetUseCount(r.CharFormats[0], 5);
    charformat::SetUseCount(r.CharFormats[1], 6);
    r.SingleFormat = 0, r.LineSpacing = 2, r.BorderColor = 0x112233, r.BorderStyle = psDot, r.TextAlign = 1;
    r.FixedLineHeight = 0, r.Margins[0] = 5, r.Margins[1] = 2.5, r.Margins[2] = 1, r.Margins[3] = 0;
    r.TextBackStyle = bsClear, r.TextEditable = 0;
  });
  add(vkLineLabel, RECT{20, 130, 150, 100}, [](TIEVectorObject& r) {
    r.Text = "label", r.LabelBrushColor = 0xABCDEF, r.LabelBrushStyle = bsClear, r.LabelPosition = 2;
    r.LabelBorder = 0, r.StartShape = 2, r.ShapeLength = 9;
  });
  add(vkExtended, RECT{150, 5, 190, 45}, [](TIEVectorObject& r) { r.Extended = std::make_unique<StarObject>(9); });
}

std::vector<uint8_t> SavedObjects(imaging::TImageVect* view) {
  vcl::TMemoryStream stream;
  view->SaveObjectsToStream(&stream);
  const auto* data = static_cast<const uint8_t*>(stream.Memory());
  return std::vector<uint8_t>(data, data + stream.Size());
}

void ExpectSameObject(const imaging::TIEVectorObject& a, const imaging::TIEVectorObject& b, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(a.Kind, b.Kind);
  EXPECT_EQ(std::vector<int32_t>({a.X1, a.Y1, a.X2, a.Y2}), std::vector<int32_t>({b.X1, b.Y1, b.X2, b.Y2}));
  EXPECT_EQ(a.KeepAspect, b.KeepAspect);
  EXPECT_EQ(a.BlendOp, b.BlendOp);
  EXPECT_EQ(a.SoftShadow.Enabled, b.SoftShadow.Enabled);
  EXPECT_EQ(a.SoftShadow.Radius, b.SoftShadow.Radius);
  EXPECT_EQ(a.SoftShadow.OffsetX, b.SoftShadow.OffsetX);
  EXPECT_EQ(a.SoftShadow.OffsetY, b.SoftShadow.OffsetY);
  EXPECT_EQ(a.SoftShadow.Intensity, b.SoftShadow.Intensity);
  EXPECT_EQ(a.SoftShadow.ShadowR, b.SoftShadow.ShadowR);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Tag, b.Tag);
  EXPECT_EQ(a.PenColor, b.PenColor);
  EXPECT_EQ(a.PenStyle, b.PenStyle);
  EXPECT_EQ(a.PenWidth, b.PenWidth);
  EXPECT_EQ(a.BrushColor, b.BrushColor);
  EXPECT_EQ(a.BrushStyle, b.BrushStyle);
  EXPECT_EQ(a.Style, b.Style);
  EXPECT_EQ(a.Transparency, b.Transparency);
  EXPECT_EQ(a.Highlight, b.Highlight);
  EXPECT_EQ(a.TextQuality, b.TextQuality);
  EXPECT_EQ(a.UserData, b.UserData);
  EXPECT_EQ(a.TextEditable, b.TextEditable);
  EXPECT_EQ(a.Text, b.Text);
  EXPECT_EQ(a.Font.has_value(), b.Font.has_value());
  if (a.Font && b.Font) { EXPECT_EQ(std::memcmp(&*a.Font, &*b.Font, sizeof(LOGFONTA)), 0); }
  using imaging::vkLineLabel;
  if (a.Kind == vkLineLabel) {
    EXPECT_EQ(a.LabelBrushColor, b.LabelBrushColor);
    EXPECT_EQ(a.LabelBrushStyle, b.LabelBrushStyle);
    EXPECT_EQ(a.LabelPosition, b.LabelPosition);
    EXPECT_EQ(a.LabelBorder, b.LabelBorder);
  }
  if (a.Kind == imaging::vkLine || a.Kind == vkLineLabel) {
    EXPECT_EQ(a.StartShape, b.StartShape);
    EXPECT_EQ(a.EndShape, b.EndShape);
    EXPECT_EQ(a.ShapeWidth, b.ShapeWidth);
    EXPECT_EQ(a.ShapeLength, b.ShapeLength);
  }
  if (a.Kind == imaging::vkArc) {
    EXPECT_EQ(a.ArcStart, b.ArcStart);
    EXPECT_EQ(a.ArcEnd, b.ArcEnd);
  }
  if (a.Kind == imaging::vkBitmap) { EXPECT_EQ(a.BitmapBorder, b.BitmapBorder); }
  if (a.Kind == imaging::vkText || a.Kind == vkLineLabel || a.Kind == imaging::vkExtended) {
    EXPECT_EQ(a.TextAlign, b.TextAlign);
    EXPECT_EQ(a.AutoSize, b.AutoSize);
    ASSERT_EQ(a.CurvePoints.size(), b.CurvePoints.size());
    for (size_t i = 0; i < a.CurvePoints.size(); ++i) {
      EXPECT_EQ(a.CurvePoints[i].x, b.CurvePoints[i].x);
      EXPECT_EQ(a.CurvePoints[i].y, b.CurvePoints[i].y);
    }
    if (!a.CurvePoints.empty()) { EXPECT_EQ(a.CurveCharAngle, b.CurveCharAngle); }
  }
  if (a.Kind == imaging::vkMemo) {
    EXPECT_EQ(a.CharFormatIndex, b.CharFormatIndex);
    EXPECT_EQ(a.CharFormats, b.CharFormats);
    EXPECT_EQ(a.SingleFormat, b.SingleFormat);
    EXPECT_EQ(a.AutoSize, b.AutoSize);
    EXPECT_EQ(a.LineSpacing, b.LineSpacing);
    EXPECT_EQ(a.BorderColor, b.BorderColor);
    EXPECT_EQ(a.BorderStyle, b.BorderStyle);
    EXPECT_EQ(a.TextAlign, b.TextAlign);
    EXPECT_EQ(a.FixedLineHeight, b.FixedLineHeight);
    EXPECT_EQ(a.HasBackground, b.HasBackground);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a.Margins[i], b.Margins[i]);
    EXPECT_EQ(a.TextBackStyle, b.TextBackStyle);
  }
  if (a.Kind == imaging::vkRuler) {
    EXPECT_EQ(a.RulerUnit, b.RulerUnit);
    EXPECT_EQ(a.RulerType, b.RulerType);
  }
  if (a.Kind == imaging::vkPolyline) {
    ASSERT_EQ(a.Points.size(), b.Points.size());
    for (size_t i = 0; i < a.Points.size(); ++i) {
      EXPECT_EQ(a.Points[i].x, b.Points[i].x);
      EXPECT_EQ(a.Points[i].y, b.Points[i].y);
    }
    EXPECT_TRUE(EqualRect(&a.BaseRect, &b.BaseRect));
    EXPECT_EQ(a.Closed, b.Closed);
  }
  if (a.Kind == imaging::vkAngle)
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(a.AnglePoints[i].x, b.AnglePoints[i].x);
      EXPECT_EQ(a.AnglePoints[i].y, b.AnglePoints[i].y);
    }
  if (a.Kind == imaging::vkExtended) {
    auto* sa = dynamic_cast<const StarObject*>(a.Extended.get());
    auto* sb = dynamic_cast<const StarObject*>(b.Extended.get());
    ASSERT_TRUE(sa && sb);
    EXPECT_EQ(sa->points_, sb->points_);
  }
}

uint32_t PixelAt(imaging::TIEBitmap* bitmap, int32_t x, int32_t y) {
  const imaging::TRGB p = bitmap->GetPixel24(x, y);
  return (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b;
}

std::unique_ptr<imaging::TIEBitmap> WhiteBitmap(int32_t w, int32_t h) {
  auto bitmap = std::make_unique<imaging::TIEBitmap>(w, h, imaging::ie24RGB);
  bitmap->Fill(0xFFFFFF);
  return bitmap;
}

}  // namespace vect_test

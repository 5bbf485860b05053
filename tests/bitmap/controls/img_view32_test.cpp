// The scrollable image view on real windows: bar layout and thickness, scroll ranges and
// positions, centring, scaling, the size grip's visibility, what the window shows, and form
// data.
#include <gtest/gtest.h>

#include <string>

#include "bitmap/controls/img_view32.h"
#include "tests/bitmap/controls/controls_fixture.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/controls/screen.h"

// After the platform's headers, which it needs.
#include <vsstyle.h>

using namespace bitmap;
using namespace controls_fixture;

namespace {

class ImgView32Test : public ControlsTest {
 protected:
  // A 200 x 150 view with 20-pixel bars: the viewport is 180 x 130.
  TImgView32* NewView(int bitmapW = 0, int bitmapH = 0) {
    if (!form) ShownForm();
    auto* view = new TImgView32(form.get());
    view->SetParent(form.get());
    view->SetBounds(10, 10, 200, 150);
    view->ScrollBars()->SetSize(20);
    if (bitmapW > 0) view->Bitmap()->SetSize(bitmapW, bitmapH);
    Pump();
    return view;
  }
  static RECT BoundsOf(vcl::TControl* control) { return control->BoundsRect(); }
};

TEST_F(ImgView32Test, BarsLieAlongTheViewport) {
  TImgView32* view = NewView();
  EXPECT_EQ(view->GetViewportRect(), (TRect{0, 0, 180, 130}));
  const RECT h = BoundsOf(view->HScroll()), v = BoundsOf(view->VScroll());
  EXPECT_EQ(h.left, 0);
  EXPECT_EQ(h.top, 130);
  EXPECT_EQ(h.right, 180);
  EXPECT_EQ(h.bottom, 150);
  EXPECT_EQ(v.left, 180);
  EXPECT_EQ(v.top, 0);
  EXPECT_EQ(v.right, 200);
  EXPECT_EQ(v.bottom, 130);
  const RECT grip = view->GetSizeGripRect();
  EXPECT_EQ(grip.left, 180);
  EXPECT_EQ(grip.top, 130);
  EXPECT_EQ(view->HScroll()->Kind(), vcl::sbHorizontal);
  EXPECT_EQ(view->VScroll()->Kind(), vcl::sbVertical);
  EXPECT_EQ(view->HScroll()->BorderStyle(), vcl::bsNone);
  // Size 0: as thick as the system's scroll bars.
  view->ScrollBars()->SetSize(0);
  const int system = GetSystemMetrics(SM_CYHSCROLL);
  EXPECT_EQ(view->GetScrollBarSize(), system);
  EXPECT_EQ(view->HScroll()->Height(), system);
  EXPECT_EQ(view->VScroll()->Width(), system);
  EXPECT_EQ(view->GetViewportRect(), (TRect{0, 0, 200 - system, 150 - system}));
}

TEST_F(ImgView32Test, SmallBitmapIsCentredWhateverTheBars) {
  TImgView32* view = NewView(100, 51);
  EXPECT_EQ(view->HScroll()->Range(), 100);
  EXPECT_FLOAT_EQ(view->BitmapOffsetX(), 40);
  EXPECT_FLOAT_EQ(view->BitmapOffsetY(), 39.5f);  // halves are kept...
  EXPECT_EQ(view->GetBitmapRect(), (TRect{40, 40, 140, 91}));  // ...and rounded half to even when placed
  view->HScroll()->SetPosition(30);
  EXPECT_EQ(view->HScroll()->Position(), 0);  // nothing to scroll
  EXPECT_EQ(view->HScroll()->EffectiveWindow(), 180);
}

TEST_F(ImgView32Test, LargeBitmapStartsCentredAndFollowsTheBars) {
  TImgView32* view = NewView(400, 300);
  EXPECT_EQ(view->HScroll()->Range(), 400);
  EXPECT_EQ(view->VScroll()->Range(), 300);
  EXPECT_EQ(view->HScroll()->Position(), 110);  // 200 - 180 / 2
  EXPECT_EQ(view->VScroll()->Position(), 85);   // 150 - 130 / 2
  EXPECT_EQ(view->GetBitmapRect(), (TRect{-110, -85, 290, 215}));
  int scrolls = 0;
  view->OnScroll = [&](vcl::TObject*) { ++scrolls; };
  // The user presses the right arrow of the horizontal bar: one step of 8.
  TCustomRangeBar* bar = view->HScroll();
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(175, 10));
  SendMessageA(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(175, 10));
  EXPECT_EQ(bar->Position(), 118);
  EXPECT_FLOAT_EQ(view->BitmapOffsetX(), -118);
  EXPECT_EQ(scrolls, 1);
  // Positions set by code do not move the bitmap until the view asks the bars again.
  bar->SetPosition(0);
  EXPECT_FLOAT_EQ(view->BitmapOffsetX(), -118);
}

TEST_F(ImgView32Test, UncentredBitmapSitsAtMinusThePositions) {
  TImgView32* view = NewView(100, 50);
  view->SetCentered(false);
  EXPECT_FALSE(view->HScroll()->Centered());
  EXPECT_EQ(view->GetBitmapRect(), (TRect{0, 0, 100, 50}));
  view->Bitmap()->SetSize(400, 300);
  EXPECT_EQ(view->HScroll()->Position(), 0);
  TCustomRangeBar* bar = view->VScroll();
  SendMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 125));
  SendMessageA(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 125));
  EXPECT_EQ(bar->Position(), 8);
  EXPECT_EQ(view->GetBitmapRect(), (TRect{0, -8, 400, 292}));
}

TEST_F(ImgView32Test, DoublingTheScaleKeepsTheRelativePosition) {
  TImgView32* view = NewView(400, 300);
  view->SetScale(2);
  EXPECT_EQ(view->HScroll()->Range(), 800);
  EXPECT_EQ(view->VScroll()->Range(), 600);
  EXPECT_EQ(view->HScroll()->Position(), 310);  // the centre stays at half the range
  EXPECT_EQ(view->VScroll()->Position(), 235);
  EXPECT_EQ(view->GetBitmapRect(), (TRect{-310, -235, 490, 365}));
  EXPECT_EQ(view->ViewTransform().ScaleX, 65536);  // trusted only once placed again
  view->Repaint();
  EXPECT_EQ(view->ViewTransform().ScaleX, 131072);
  EXPECT_EQ(view->ViewTransform().OffsetX, -310);
}

TEST_F(ImgView32Test, SizeGripShowsForAClientAlignedChainUpToTheForm) {
  struct Case {
    TSizeGripStyle style;
    vcl::TAlign viewAlign, panelAlign;
    bool visible;
  };
  for (Case c : {Case{sgAuto, vcl::alClient, vcl::alClient, true}, Case{sgAuto, vcl::alClient, vcl::alNone, false},
                 Case{sgAuto, vcl::alNone, vcl::alClient, false}, Case{sgAlways, vcl::alNone, vcl::alNone, true},
                 Case{sgNone, vcl::alClient, vcl::alClient, false}}) {
    ShownForm();
    auto* outer = new vcl::TWinControl(form.get());
    outer->SetParent(form.get());
    outer->SetAlign(vcl::alClient);
    auto* panel = new vcl::TWinControl(form.get());
    panel->SetParent(outer);
    panel->SetAlign(c.panelAlign);
    auto* view = new TImgView32(form.get());
    view->SetParent(panel);
    view->SetAlign(c.viewAlign);
    view->SetSizeGrip(c.style);
    EXPECT_EQ(view->IsSizeGripVisible(), c.visible) << c.style << " " << c.viewAlign << " " << c.panelAlign;
  }
  // Without any form up the chain there is no grip either.
  TImgView32 orphan(nullptr);
  orphan.SetAlign(vcl::alClient);
  EXPECT_FALSE(orphan.IsSizeGripVisible());
}

TEST_F(ImgView32Test, PointerOverTheGripShowsTheSizingCursor) {
  TImgView32* view = NewView(50, 50);
  view->SetSizeGrip(sgAlways);
  if (!vcl::Screen) vcl::Screen = new vcl::TScreen(nullptr);
  vcl::Screen->SetCursor(vcl::crDefault);
  SendMessageA(view->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(190, 140));
  EXPECT_EQ(vcl::Screen->Cursor(), vcl::crSizeNWSE);
  vcl::Screen->SetCursor(vcl::crDefault);
}

// Under the platform's visual style (the test prefix has one) the view's bars draw the parts of
// the "SCROLLBAR" theme class, and a shown size grip is the theme's size box, right-aligned,
// over the button face; a hidden one leaves the plain button face.
TEST_F(ImgView32Test, ThemedBarsAndSizeGrip) {
  ASSERT_TRUE(UseThemes()) << "the test prefix has a visual style";
  TImgView32* view = NewView(400, 300);
  view->SetSizeGrip(sgAlways);
  const TColor32 face = ColorToColor32(vcl::clBtnFace);
  const RECT g = view->GetSizeGripRect();
  const TRect grip{g.left, g.top, g.right, g.bottom};
  auto gripDifferences = [&](const TBitmap32& shown, const TBitmap32& expected) {
    int differences = 0;
    for (int y = grip.Top; y < grip.Bottom; ++y)
      for (int x = grip.Left; x < grip.Right; ++x)
        if ((shown.GetPixelSafe(x, y) & 0xFFFFFF) != (expected.GetPixelSafe(x, y) & 0xFFFFFF)) ++differences;
    return differences;
  };
  {
    ThemeSpy spy;
    auto shown = PaintClientOver(view, 0xFF123456);
    const std::vector<ThemePart> sizeBox{ThemePart{SBP_SIZEBOX, SZB_RIGHTALIGN, grip}};
    EXPECT_EQ(spy.parts, sizeBox);
    EXPECT_EQ(gripDifferences(*shown, *spy.Draw(sizeBox, 200, 150, face)), 0);
  }
  {
    view->SetSizeGrip(sgNone);
    ThemeSpy spy;
    auto shown = PaintClientOver(view, 0xFF123456);
    EXPECT_TRUE(spy.parts.empty());
    EXPECT_EQ(gripDifferences(*shown, *spy.Draw({}, 200, 150, face)), 0);
  }
  // The bars, both able to scroll, at rest.
  const struct {
    TCustomRangeBar* bar;
    std::vector<std::pair<int, int>> parts;
  } bars[] = {
      {view->HScroll(), {{SBP_ARROWBTN, 9}, {SBP_ARROWBTN, 13}, {SBP_LOWERTRACKHORZ, 1}, {SBP_UPPERTRACKHORZ, 1},
                         {SBP_THUMBBTNHORZ, 1}, {SBP_GRIPPERHORZ, 0}}},
      {view->VScroll(), {{SBP_ARROWBTN, 1}, {SBP_ARROWBTN, 5}, {SBP_LOWERTRACKVERT, 1}, {SBP_UPPERTRACKVERT, 1},
                         {SBP_THUMBBTNVERT, 1}, {SBP_GRIPPERVERT, 0}}},
  };
  for (const auto& b : bars) {
    ThemeSpy spy;
    PaintClientOver(b.bar, 0xFF123456);
    std::vector<std::pair<int, int>> drawn;
    for (const ThemePart& p : spy.parts) drawn.emplace_back(p.part, p.state);
    EXPECT_EQ(drawn, b.parts) << b.bar->Kind();
  }
}

TEST_F(ImgView32Test, WindowShowsTheViewportAsPaintToRendersIt) {
  TImgView32* view = NewView();
  view->SetColor(vcl::clSilver);
  view->Bitmap()->SetSize(300, 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) *view->Bitmap()->PixelPtr(x, y) = MakeColor32(uint8_t(x), uint8_t(y), 0x40);
  view->Repaint();
  auto shown = CaptureClient(view);
  TBitmap32 rendered;
  rendered.SetSize(180, 130);
  view->PaintTo(&rendered, view->GetBitmapRect());
  int differences = 0;
  for (int y = 0; y < 130; ++y)
    for (int x = 0; x < 180; ++x)
      if ((shown->GetPixelSafe(x, y) & 0xFFFFFF) != (rendered.GetPixelSafe(x, y) & 0xFFFFFF)) ++differences;
  EXPECT_EQ(differences, 0);
  // Centred: the viewport's top-left pixel is bitmap pixel (60, 35).
  EXPECT_EQ(shown->GetPixelSafe(0, 0) & 0xFFFFFF, 0x3C2340u);
}

TEST_F(ImgView32Test, ScrollBarsPropertyIsNotCopiedFromAnotherObject) {
  TImgView32* view = NewView();
  TImgView32 other(nullptr);
  EXPECT_THROW(view->SetScrollBars(other.ScrollBars()), vcl::EConvertError);
  EXPECT_EQ(view->ScrollBarSize(), 20);
}

TEST_F(ImgView32Test, ReadFromFormData) {
  ShownForm();
  TBitmap32 picture;
  picture.SetSize(4, 3);
  picture.FillColor(0xFF204060);
  ReadFormText("object TestForm: TForm\n"
               "  object View: TImgView32\n"
               "    Left = 0\n    Top = 0\n    Width = 120\n    Height = 90\n"
               "    Bitmap.Data = " + BitmapDataText(picture) + "\n"
               "    Centered = False\n"
               "    Scale = 2\n"
               "    ScrollBars.Size = 12\n"
               "    ScrollBars.Style = rbsMac\n"
               "    ScrollBars.Increment = 5\n"
               "    ScrollBars.ShowHandleGrip = False\n"
               "    SizeGrip = sgNone\n"
               "  end\n"
               "end\n",
               form.get());
  auto* view = dynamic_cast<TImgView32*>(form->FindComponent("View"));
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->Centered());
  EXPECT_EQ(view->SizeGrip(), sgNone);
  EXPECT_EQ(view->ScrollBarSize(), 12);
  for (TCustomRangeBar* bar : {view->HScroll(), view->VScroll()}) {
    EXPECT_EQ(bar->Style(), rbsMac);
    EXPECT_EQ(bar->Increment(), 5);
    EXPECT_FALSE(bar->ShowHandleGrip());
  }
  EXPECT_EQ(view->HScroll()->Range(), 8);
  EXPECT_EQ(view->GetViewportRect(), (TRect{0, 0, 108, 78}));
  EXPECT_EQ(view->Bitmap()->GetPixelSafe(3, 2), 0xFF204060u);
  // The bars are the view's own: form data never lists them.
  const std::string written = WriteFormText(form.get());
  EXPECT_EQ(written.find("TCustomRangeBar"), std::string::npos) << written;
  EXPECT_NE(written.find("ScrollBars.Size = 12"), std::string::npos) << written;
}

}  // namespace

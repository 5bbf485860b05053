// TsSpeedButton: groups, Down and AllowAllUp as the platform's speed button, skinned or not;
// the drop-down style's arrow part; the glyph settings it keeps in range.
#include <gtest/gtest.h>

#include "skin/controls/speed_button.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class SpeedButtons : public SkinnedControls {
 protected:
  static void ClickOn(vcl::TControl* button) {
    button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
};

TEST_F(SpeedButtons, GroupsAndDownStatesFollowThePlatform) {
  struct Step {
    int clicked;  // index of the button clicked
    bool allowAllUp;
    bool downA, downB;
  };
  // Clicking the pressed button of a group releases it only with AllowAllUp.
  const Step steps[] = {
      {0, false, true, false}, {1, false, false, true}, {1, false, false, true},
      {0, true, true, false},  {0, true, false, false},
  };
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    auto* a = Add<TsSpeedButton>(nullptr, 10, 10, 29, 29);
    auto* b = Add<TsSpeedButton>(nullptr, 40, 10, 29, 29);
    int clicks = 0;
    for (auto* button : {a, b}) {
      button->SetGroupIndex(1);
      button->SetFlat(true);
      button->OnClick = [&](vcl::TObject*) { ++clicks; };
    }
    int expectedClicks = 0;
    for (const Step& step : steps) {
      a->SetAllowAllUp(step.allowAllUp);
      ClickOn(step.clicked == 0 ? a : b);
      Pump();
      EXPECT_EQ(a->Down(), step.downA) << "skinned " << skinned << " step " << (&step - steps);
      EXPECT_EQ(b->Down(), step.downB) << "skinned " << skinned << " step " << (&step - steps);
      EXPECT_EQ(clicks, ++expectedClicks);
      // The look follows: pressed when down, else normal or hot.
      EXPECT_EQ(a->CurrentState() == 2, step.downA);
    }
    delete a;
    delete b;
  }
}

TEST_F(SpeedButtons, ABareButtonClicksOnceAndShowsNoDownState) {
  ActivateSkin();
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 29, 29);
  int clicks = 0;
  button->OnClick = [&](vcl::TObject*) { ++clicks; };
  ClickOn(button);
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(button->Down());
  EXPECT_NE(button->CurrentState(), 2);
}

TEST_F(SpeedButtons, TheDropDownStyleAddsItsArrowPartBesideTheButton) {
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 40, 25);
  button->SetButtonStyle(vcl::tbsDropDown);
  EXPECT_EQ(button->Width(), 56);
  EXPECT_EQ(button->ArrowWidth(), 16);
  button->SetButtonStyle(vcl::tbsCheck);
  EXPECT_EQ(button->Width(), 40);
  EXPECT_EQ(button->ArrowWidth(), 0);
}

TEST_F(SpeedButtons, BlendAndMarginsStayInRange) {
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 40, 25);
  const struct {
    int set, stored;
  } blends[] = {{150, 100}, {-5, 0}, {40, 40}};
  for (const auto& c : blends) {
    button->SetBlend(c.set);
    EXPECT_EQ(button->Blend(), c.stored);
  }
  button->SetMargin(-1);
  EXPECT_EQ(button->GlyphMargin(), 0);
  button->SetMargin(2);
  EXPECT_EQ(button->GlyphMargin(), 5);
}

TEST_F(SpeedButtons, HidingTheCaptionKeepsItForLater) {
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 60, 25);
  button->SetCaption("Rotate");
  button->SetShowCaption(false);
  EXPECT_EQ(button->Caption(), "");
  button->SetShowCaption(true);
  EXPECT_EQ(button->Caption(), "Rotate");
}

TEST_F(SpeedButtons, AGlyphIsCentredAndDrawnInTheSkinnedImage) {
  ActivateSkin();
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 29, 29);
  button->SetFlat(true);
  vcl::TBitmap glyph;
  glyph.SetPixelFormat(vcl::pf24bit);
  glyph.SetSize(16, 16);
  glyph.Canvas()->Brush()->SetColor(vcl::TColor(0x00FF00));  // transparent: the bottom-left colour
  glyph.Canvas()->FillRect(vcl::TRect{0, 0, 16, 16});
  glyph.Canvas()->Brush()->SetColor(vcl::TColor(0x0000FF));
  glyph.Canvas()->FillRect(vcl::TRect{4, 4, 12, 12});
  button->SetGlyph(&glyph);
  vcl::TRect r = button->GlyphRect();
  EXPECT_EQ(r.left, (29 - 16) / 2);
  EXPECT_EQ(r.top, (29 - 16) / 2);
  form->Repaint();
  Pump();
  EXPECT_EQ(FormPixel(10 + r.left + 8, 10 + r.top + 8), 0xFF0000u);  // red centre of the glyph
  EXPECT_NE(FormPixel(10 + r.left + 1, 10 + r.top + 1), 0x00FF00u);  // the key colour is see-through
}

TEST_F(SpeedButtons, EachStateIsComposedFromTheSection) {
  ActivateSkin();
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 40, 29);
  button->SetGroupIndex(3);
  button->SetAllowAllUp(true);
  form->Repaint();
  Pump();
  auto face = [&] {
    button->UpdateView();
    return GetPixel(button->SkinData()->CacheBitmap->Canvas()->Handle(), 20, 14);
  };
  const COLORREF normal = face();
  button->Perform(vcl::CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(button->CurrentState(), 1);
  const COLORREF hot = face();
  button->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  button->SetDown(true);
  EXPECT_EQ(button->CurrentState(), 2);
  const COLORREF down = face();
  EXPECT_NE(normal, hot);
  EXPECT_NE(normal, down);
  // Disabled, the face is blended into what lies behind it.
  button->SetDown(false);
  button->SetEnabled(false);
  EXPECT_NE(face(), normal);
}

}  // namespace

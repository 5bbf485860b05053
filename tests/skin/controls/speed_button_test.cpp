// TsSpeedButton: groups, Down and AllowAllUp as the platform's speed button, skinned or not;
// the drop-down style's arrow part; the glyph settings it keeps in range.
#include <gtest/gtest.h>

#include <functional>

#include "skin/controls/speed_button.h"
#include "tests/skin/controls/controls_fixture.h"
#include "vcl/controls/menus.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

// A drop-down menu that, instead of a modal menu loop, notes where it was asked to show and
// runs `whileOpen` as a user would act while it is open.
class TRecordingMenu : public vcl::TPopupMenu {
  VCL_CLASS(TRecordingMenu, vcl::TPopupMenu)
  using vcl::TPopupMenu::TPopupMenu;
  void Popup(int x, int y) override {
    ++Shown;
    At = vcl::TPoint{x, y};
    if (WhileOpen) WhileOpen();
  }
  int Shown = 0;
  vcl::TPoint At{};
  std::function<void()> WhileOpen;
};

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

TEST_F(SpeedButtons, TheDropDownMenuShowsUnderTheButtonWhileTheArrowLooksPressed) {
  ActivateSkin();
  auto* button = Add<TsSpeedButton>(nullptr, 10, 10, 40, 25);
  button->SetButtonStyle(vcl::tbsDropDown);  // 56 wide with its arrow part
  auto* menu = new TRecordingMenu(form.get());
  button->SetDropdownMenu(menu);
  int clicks = 0;
  button->OnClick = [&](vcl::TObject*) { ++clicks; };
  form->Repaint();
  Pump();
  auto arrowFace = [&] { return GetPixel(button->SkinData()->CacheBitmap->Canvas()->Handle(), 56 - 3, 3); };
  const COLORREF normalArrow = arrowFace();
  vcl::Application->SetShowHint(true);
  bool hintsWhileOpen = true;
  COLORREF openArrow = normalArrow;
  menu->WhileOpen = [&] {
    hintsWhileOpen = vcl::Application->ShowHint();
    openArrow = arrowFace();
  };

  // Left of the arrow part, with OnClick assigned: an ordinary click, no menu.
  ClickOn(button);
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(menu->Shown, 0);
  EXPECT_TRUE(vcl::Application->ShowHint());

  // On the arrow part: the menu shows at the button's bottom-left, one pixel below it.
  button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 5));
  EXPECT_EQ(menu->Shown, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(menu->PopupComponent(), button);
  const vcl::TPoint expected = button->ClientToScreen(vcl::TPoint{0, 25 + 1});
  EXPECT_EQ(menu->At.x, expected.x);
  EXPECT_EQ(menu->At.y, expected.y);
  EXPECT_FALSE(hintsWhileOpen);
  EXPECT_NE(openArrow, normalArrow);
  // The menu's loop took the release: hints and the arrow's look are back already.
  EXPECT_TRUE(vcl::Application->ShowHint());
  EXPECT_EQ(arrowFace(), normalArrow);
  button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, 5));

  // Without OnClick a press anywhere opens the menu, and the button shows down meanwhile.
  button->OnClick = nullptr;
  int stateWhileOpen = -1;
  menu->WhileOpen = [&] { stateWhileOpen = button->CurrentState(); };
  button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(menu->Shown, 2);
  EXPECT_EQ(stateWhileOpen, 2);
  EXPECT_NE(button->CurrentState(), 2);
}

TEST_F(SpeedButtons, APressRefusedWhileAnotherMenuIsOpenLeavesTheHintsAsItFoundThem) {
  auto* first = Add<TsSpeedButton>(nullptr, 10, 10, 40, 25);
  auto* second = Add<TsSpeedButton>(nullptr, 100, 10, 40, 25);
  auto* firstMenu = new TRecordingMenu(form.get());
  auto* secondMenu = new TRecordingMenu(form.get());
  for (auto [button, menu] : {std::pair{first, firstMenu}, std::pair{second, secondMenu}}) {
    button->SetButtonStyle(vcl::tbsDropDown);
    button->SetDropdownMenu(menu);
  }
  vcl::Application->SetShowHint(true);
  bool hintsAfterRefusedPress = false;
  firstMenu->WhileOpen = [&] {
    // The menu's loop cancels the mouse mode, which gives the hints back...
    first->Perform(WM_CANCELMODE, 0, 0);
    ASSERT_TRUE(vcl::Application->ShowHint());
    // ...then a press on another drop-down button is refused: one menu at a time. Its
    // release never comes, so it must not leave the hints off behind it.
    second->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    hintsAfterRefusedPress = vcl::Application->ShowHint();
  };
  first->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(firstMenu->Shown, 1);
  EXPECT_EQ(secondMenu->Shown, 0);
  EXPECT_TRUE(hintsAfterRefusedPress);
  EXPECT_TRUE(vcl::Application->ShowHint());
  first->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  // With the first menu closed the second button opens its own.
  second->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  second->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(secondMenu->Shown, 1);
  EXPECT_TRUE(vcl::Application->ShowHint());
}

}  // namespace

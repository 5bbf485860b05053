// TsRadioButton: ReadOnly and the press as the user makes them, the size it takes, and the
// frames of a glyph of the user's.
#include <gtest/gtest.h>

#include "skin/controls/radio_button.h"
#include "tests/skin/controls/controls_fixture.h"

using namespace skin;
using controls_test::SkinnedControls;

namespace {

class RadioButtons : public SkinnedControls {
 protected:
  static void Press(vcl::TWinControl* button) {
    SendMessageA(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  }
  static void Release(vcl::TWinControl* button) { SendMessageA(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3)); }
};

TEST_F(RadioButtons, ReadOnlyRefusesClicksAndKeysSkinnedOrNot) {
  for (bool skinned : {false, true}) {
    if (skinned) ActivateSkin();
    auto* button = Add<TsRadioButton>(nullptr, 10, 10, 120, 20);
    button->SetCaption("Tile Image");
    button->SetReadOnly(true);
    int downs = 0;
    button->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) { ++downs; };
    Pump();
    Press(button);
    Release(button);
    SendMessageA(button->Handle(), WM_KEYDOWN, VK_SPACE, 1);
    SendMessageA(button->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
    Pump();
    EXPECT_FALSE(button->Checked()) << "skinned " << skinned;
    if (skinned) { EXPECT_EQ(downs, 0); }
    button->SetReadOnly(false);
    Press(button);
    Release(button);
    Pump();
    EXPECT_TRUE(button->Checked()) << "skinned " << skinned;
    delete button;
  }
}

TEST_F(RadioButtons, LeavingBetweenPressAndReleaseChecksNothing) {
  ActivateSkin();
  auto* button = Add<TsRadioButton>(nullptr, 10, 10, 120, 20);
  button->SetCaption("Stretch");
  Pump();
  Press(button);
  EXPECT_EQ(button->MarkState(), 2);
  button->Perform(vcl::CM_MOUSELEAVE, 0, 0);
  Release(button);
  EXPECT_FALSE(button->Checked());
}

TEST_F(RadioButtons, SizeToMarkAndCaptionWhileAutoSize) {
  ActivateSkin();
  auto* button = Add<TsRadioButton>(nullptr, 10, 10, 200, 50);
  button->SetCaption("Tile Image");
  const vcl::TRect mark = button->GlyphRect();
  const vcl::TSize text = vcl::ScreenTextExtent(button->Font(), "Tile Image");
  EXPECT_EQ(button->Width(), (mark.right - mark.left) + 2 * 2 + text.cx + 0 + 8);
  EXPECT_EQ(button->Height(), std::max<int>(mark.bottom - mark.top, text.cy + 4) + 2);
  // Wrapping the caption ends the automatic size.
  button->SetWordWrap(true);
  EXPECT_FALSE(button->AutoSize());
}

TEST_F(RadioButtons, AGlyphStripOfSquaresHasAFramePerState) {
  ActivateSkin();
  auto* button = Add<TsRadioButton>(nullptr, 10, 10, 120, 24);
  button->SetAutoSize(false);
  vcl::TBitmap strip;
  strip.SetPixelFormat(vcl::pf24bit);
  strip.SetSize(48, 16);
  button->SetGlyphUnChecked(&strip);
  vcl::TRect r = button->GlyphRect();
  EXPECT_EQ(r.right - r.left, 16);
  strip.SetSize(40, 16);
  button->SetGlyphUnChecked(&strip);
  r = button->GlyphRect();
  EXPECT_EQ(r.right - r.left, 40);  // not a strip of squares: one frame for every state
  EXPECT_EQ(r.left, 2);             // the mark left of the caption, at the margin
}

}  // namespace

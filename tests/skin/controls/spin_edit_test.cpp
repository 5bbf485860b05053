// The skinned spin edit made from form text, skinned and plain: its value in the text, the
// range rule, typing, arrows, buttons, the wheel, and its painting from the skin.
#include <gtest/gtest.h>

#include <string>

#include "skin/controls/spin_edit.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "vcl/controls/messages.h"

using namespace skin;
using namespace controls_test;

namespace {

const char* const kSpinForm =
    "  object NewWidthSpin: TsSpinEdit\n    Left = 82\n    Top = 35\n    Width = 57\n    Height = 21\n"
    "    MaxValue = 0\n    MinValue = 0\n    TabOrder = 0\n    Text = '640'\n  end\n"
    "  object RangeSpin: TsSpinEdit\n    Left = 82\n    Top = 80\n    Width = 57\n    Height = 21\n"
    "    MaxValue = 10\n    MinValue = 1\n    TabOrder = 1\n    Text = '5'\n  end\n";

class SpinEditTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) manager = LoadInternalSkin();
    form = std::make_unique<FormFromText>(kSpinForm);
    spin = form->Find<TsSpinEdit>("NewWidthSpin");
    range = form->Find<TsSpinEdit>("RangeSpin");
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<FormFromText> form;
  TsSpinEdit* spin = nullptr;
  TsSpinEdit* range = nullptr;
};

TEST_P(SpinEditTest, ValueLivesInTheTextAndFollowsTheRange) {
  EXPECT_EQ(spin->Value(), 640);
  spin->SetValue(-12345);  // no range: any value stays
  EXPECT_EQ(spin->Text(), "-12345");
  struct Case {
    const char* text;
    int32_t value;
  } cases[] = {{"", 1}, {"12a", 1}, {"7", 7}, {"99", 99}, {"-3", -3}};
  for (const Case& c : cases) {
    range->SetText(c.text);
    EXPECT_EQ(range->Value(), c.value) << c.text;  // reading never clamps
  }
  range->SetValue(11);
  EXPECT_EQ(range->Text(), "10");
  range->SetValue(0);
  EXPECT_EQ(range->Text(), "1");
}

TEST_P(SpinEditTest, ArrowKeysButtonsAndWheelStepTheValue) {
  range->SetValue(9);
  range->SetFocus();
  PressKey(range->Handle(), VK_UP);
  EXPECT_EQ(range->Value(), 10);
  PressKey(range->Handle(), VK_UP);  // stops at MaxValue
  EXPECT_EQ(range->Value(), 10);
  PressKey(range->Handle(), VK_DOWN);
  EXPECT_EQ(range->Value(), 9);

  // The buttons of the pair, clicked where a user clicks them.
  TsSpinButton* pair = range->Button();
  ClickAt(pair->Handle(), pair->Width() / 2, pair->Height() - 2);
  EXPECT_EQ(range->Value(), 8);
  ClickAt(pair->Handle(), pair->Width() / 2, 1);
  EXPECT_EQ(range->Value(), 9);

  // One notch steps by Increment; half a notch does nothing.
  range->SetIncrement(1);
  range->Perform(vcl::CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(range->Value(), 8);
  range->Perform(vcl::CM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);
  EXPECT_EQ(range->Value(), 8);

  range->SetReadOnly(true);
  PressKey(range->Handle(), VK_UP);
  range->Perform(vcl::CM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(range->Value(), 8);
}

TEST_P(SpinEditTest, TypingTakesDigitsOnly) {
  spin->SetFocus();
  spin->SetText("");
  TypeChars(spin->Handle(), "1-2a+3.");
  EXPECT_EQ(spin->Text(), "123");

  spin->SetEditorEnabled(false);
  TypeChars(spin->Handle(), "4\b");
  EXPECT_EQ(spin->Text(), "123");

  // Paste reaches the edit only while the editor is enabled.
  SetClipboardText("77");
  spin->SelectAll();
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(spin->Text(), "123");
  spin->SetEditorEnabled(true);
  spin->SelectAll();
  SendMessageA(spin->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(spin->Text(), "77");
}

TEST_P(SpinEditTest, LeavingPutsATypedValueBackInRange) {
  range->SetFocus();
  range->SetText("25");
  spin->SetFocus();
  EXPECT_EQ(range->Text(), "10");
}

INSTANTIATE_TEST_SUITE_P(SkinnedAndPlain, SpinEditTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Skinned" : "Plain"; });

TEST(SpinEditSkin, TakesItsColoursFromTheEditSectionAndDrawsItsFrame) {
  auto manager = LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  FormFromText form(kSpinForm);
  auto* spin = form.Find<TsSpinEdit>("NewWidthSpin");
  const TsGeneralData& edit = manager->Sections[size_t(manager->FindSectionIndex("EDIT"))];
  EXPECT_TRUE(spin->SkinData()->IsSkinned());
  EXPECT_EQ(spin->Color(), vcl::TColor(edit.Color));

  // The printed image of the edit: its border from the section's mask, not the platform's.
  auto skinned = PrintWindowImage(spin->Handle());
  manager.reset();
  EXPECT_FALSE(spin->SkinData()->IsSkinned());
  EXPECT_EQ(spin->Color(), vcl::clWindow);
  auto plain = PrintWindowImage(spin->Handle());
  int differing = 0;
  for (int x = 0; x < spin->Width(); ++x)
    for (int y : {0, 1, spin->Height() - 2, spin->Height() - 1})
      if (PixelAt(skinned.get(), x, y) != PixelAt(plain.get(), x, y)) ++differing;
  EXPECT_GT(differing, spin->Width());
}

TEST(SpinEditSkin, DisabledSpinEditShowsItsButtonsInsideItsCachedImage) {
  auto manager = LoadInternalSkin();
  FormFromText form(kSpinForm);
  auto* spin = form.Find<TsSpinEdit>("NewWidthSpin");
  spin->SetEnabled(false);
  EXPECT_FALSE(spin->Button()->Visible());  // the pair's windows would cover the disabled image
  spin->PrepareCache();
  vcl::TBitmap* cache = spin->SkinData()->CacheBitmap.get();
  // The arrows are drawn into the cache where the pair sits: the button column is not plain.
  const int column = 2 + spin->Button()->Left() + spin->Button()->Width() / 2;
  int distinct = 0;
  for (int y = 3; y < spin->Height() - 3; ++y)
    if (PixelAt(cache, column, y) != PixelAt(cache, column, 3)) ++distinct;
  EXPECT_GT(distinct, 2);
  spin->SetEnabled(true);
  EXPECT_TRUE(spin->Button()->Visible());
}

TEST(SpinEditSkin, ValueReadWithTheFormDataTakesTheRangeReadAfterIt) {
  FormFromText form(
      "  object Spin: TsSpinEdit\n    Left = 8\n    Top = 8\n    Width = 57\n    Height = 21\n"
      "    Value = 640\n  end\n"
      "  object Ranged: TsSpinEdit\n    Left = 8\n    Top = 40\n    Width = 57\n    Height = 21\n"
      "    Value = 42\n    MaxValue = 10\n    MinValue = 1\n  end\n");
  EXPECT_EQ(form.Find<TsSpinEdit>("Spin")->Text(), "640");
  EXPECT_EQ(form.Find<TsSpinEdit>("Ranged")->Value(), 10);
}

TEST(SpinEditSkin, HeldButtonRepeatsUntilReleased) {
  FormFromText form(kSpinForm);
  auto* spin = form.Find<TsSpinEdit>("NewWidthSpin");
  TsTimerSpeedButton* up = spin->Button()->UpButton();
  HWND pair = spin->Button()->Handle();
  SendMessageA(pair, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(up->Width() / 2, 1));
  ASSERT_NE(up->RepeatTimer(), nullptr);
  EXPECT_TRUE(up->RepeatTimer()->Enabled());
  EXPECT_EQ(up->RepeatTimer()->Interval(), 400u);
  // Each tick while the button is held clicks again at the faster pace.
  up->RepeatTimer()->OnTimer(up->RepeatTimer());
  up->RepeatTimer()->OnTimer(up->RepeatTimer());
  EXPECT_EQ(spin->Value(), 642);
  EXPECT_EQ(up->RepeatTimer()->Interval(), 100u);
  SendMessageA(pair, WM_LBUTTONUP, 0, MAKELPARAM(up->Width() / 2, 1));
  EXPECT_FALSE(up->RepeatTimer()->Enabled());
  EXPECT_EQ(spin->Value(), 643);  // the release is the press's own click
}

}  // namespace

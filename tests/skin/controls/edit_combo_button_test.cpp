// The combo edit's button and popup: the click key, placement of the popup inside the desktop,
// the read-only and direct-input switches, the hidden button, and Enter and Esc reaching the
// form's default and cancel buttons.
#include <gtest/gtest.h>

#include <string>

#include "skin/controls/combo_edit.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;
using namespace controls_test;

namespace {

// A combo edit with a plain popup form of its own.
class TPopupEdit : public TsCustomComboEdit {
 public:
  explicit TPopupEdit(vcl::TComponent* owner) : TsCustomComboEdit(owner) {
    popupForm = new vcl::TForm(this);
    popupForm->SetBorderStyle(vcl::bsNone);
    popupForm->SetHeight(120);
    SetPopup(popupForm);
    SetDefaultGlyphIndex(dgEllipsis);
  }
  vcl::TForm* popupForm;
};

class ComboEditTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) manager = LoadInternalSkin();
    form = std::make_unique<FormFromText>("");
    edit = vcl::New<TPopupEdit>(form->form.get());
    edit->SetParent(form->form.get());
    edit->SetBounds(20, 20, 150, 21);
    edit->OnButtonClick = [this](vcl::TObject*) { ++clicks; };
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<FormFromText> form;
  TPopupEdit* edit = nullptr;
  int clicks = 0;
};

TEST_P(ComboEditTest, ClickKeyOpensAndClosesThePopupBelowTheEdit) {
  EXPECT_EQ(edit->Button()->Width(), 18);  // glyph width + 2
  edit->SetFocus();
  PressKey(edit->Handle(), VK_DOWN, true);
  EXPECT_EQ(clicks, 1);
  ASSERT_TRUE(edit->PopupVisible());
  RECT window{};
  GetWindowRect(edit->Handle(), &window);
  EXPECT_EQ(edit->popupForm->Top(), window.top + edit->Height());
  EXPECT_EQ(edit->popupForm->Left() + edit->PopupWidth(), window.left + edit->Width());  // right edges meet
  PressKey(edit->Handle(), VK_DOWN, true);
  Pump();
  EXPECT_FALSE(edit->PopupVisible());
}

TEST_P(ComboEditTest, PopupNearTheDesktopEdgesStaysInside) {
  RECT desktop{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desktop, 0);
  form->form->SetBounds(desktop.left, desktop.bottom - 80, 300, 80);
  edit->SetBounds(0, 10, 150, 21);
  edit->SetPopupWidth(400);
  edit->ButtonClick();
  ASSERT_TRUE(edit->PopupVisible());
  RECT window{};
  GetWindowRect(edit->Handle(), &window);
  EXPECT_EQ(edit->popupForm->Top(), window.top - edit->popupForm->Height());  // opens above
  EXPECT_GE(edit->popupForm->Left(), desktop.left);
}

TEST_P(ComboEditTest, ReadOnlyAndDirectInputBlockEditing) {
  edit->SetText("kept");
  edit->SetFocus();
  SetClipboardText("pasted");
  edit->SetDirectInput(false);
  EXPECT_TRUE(edit->vcl::TCustomEdit::ReadOnly());
  edit->SelectAll();
  SendMessageA(edit->Handle(), WM_PASTE, 0, 0);
  TypeChars(edit->Handle(), "x");
  EXPECT_EQ(edit->Text(), "kept");
  edit->ButtonClick();  // without direct input the button still works
  EXPECT_TRUE(edit->PopupVisible());
  edit->PopupCloseUp();

  edit->SetDirectInput(true);
  edit->SetReadOnly(true);
  edit->DoButtonClick();
  EXPECT_FALSE(edit->PopupVisible());
  SendMessageA(edit->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(edit->Text(), "kept");
}

TEST_P(ComboEditTest, EnterAndEscReachTheFormsButtons) {
  auto* ok = new vcl::TButton(form->form.get());
  ok->SetParent(form->form.get());
  ok->SetBounds(20, 60, 75, 25);
  ok->SetDefault(true);
  int pressed = 0;
  ok->OnClick = [&](vcl::TObject*) { ++pressed; };
  auto* cancel = new vcl::TButton(form->form.get());
  cancel->SetParent(form->form.get());
  cancel->SetBounds(100, 60, 75, 25);
  cancel->SetCancel(true);
  cancel->OnClick = [&](vcl::TObject*) { pressed += 10; };
  edit->SetReadOnly(true);
  edit->SetFocus();
  PressKey(edit->Handle(), VK_RETURN);
  PressKey(edit->Handle(), VK_ESCAPE);
  EXPECT_EQ(pressed, 11);
}

TEST_P(ComboEditTest, HiddenButtonLeavesTheWholeWidthToTheText) {
  edit->SetShowButton(false);
  EXPECT_FALSE(edit->Button()->Visible());
  RECT rect{};
  SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  const LONG hiddenRight = rect.right;
  edit->SetShowButton(true);
  SendMessageA(edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rect));
  EXPECT_EQ(hiddenRight - rect.right, edit->Button()->Width());
}

INSTANTIATE_TEST_SUITE_P(SkinnedAndPlain, ComboEditTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Skinned" : "Plain"; });

TEST(GlyphMode, OwnImagesFallBackToImageIndex) {
  FormFromText form("");
  auto* edit = vcl::New<TPopupEdit>(form.form.get());
  edit->SetParent(form.form.get());
  auto* images = new vcl::TImageList(form.form.get());
  images->SetWidth(12);
  images->SetHeight(12);
  vcl::TBitmap picture;
  picture.SetSize(12, 12);
  images->Add(&picture, nullptr);
  images->Add(&picture, nullptr);
  TsGlyphMode* mode = edit->GlyphMode();
  EXPECT_EQ(mode->NumGlyphs(), 3);  // the built-in strip
  mode->SetImages(images);
  mode->SetImageIndex(1);
  mode->SetImageIndexHot(7);
  EXPECT_TRUE(mode->HasOwnImage());
  EXPECT_EQ(mode->NumGlyphs(), 1);
  EXPECT_EQ(mode->GlyphWidth(), 12);
  EXPECT_EQ(mode->ImageIndexFor(1), 1);  // the hot index is out of range
  EXPECT_EQ(edit->Button()->Width(), 14);
  delete images;  // the edit forgets a list that goes
  EXPECT_EQ(mode->Images(), nullptr);
  EXPECT_EQ(mode->GlyphWidth(), 16);
}

}  // namespace

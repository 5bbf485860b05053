// The spin edit and the masked edit, typed into through their EDIT windows.
#include <gtest/gtest.h>

#include <string>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/stdctrls/mask.h"
#include "vcl/stdctrls/spin.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace {

void Type(HWND wnd, const std::string& text) {
  for (char c : text) SendMessageA(wnd, WM_CHAR, static_cast<unsigned char>(c), 1);
}

}  // namespace

class SpinMask : public StdCtrlsTest {};

TEST_F(SpinMask, SpinEditValueStaysWithinItsLimits) {
  TForm* form = NewForm();
  auto* spin = Place<TSpinEdit>(form, 82, 35, 57, 21);
  struct Case {
    int min, max;
    int value;
    int expected;
  } cases[] = {
      {0, 0, 640, 640},     // 0 and 0: no limit
      {0, 0, -5, -5},       {1, 10, 50, 10},
      {1, 10, -50, 1},      {10, 1, 5, 5},  // limits given the wrong way round still hold
  };
  for (const Case& c : cases) {
    spin->SetMinValue(c.min);
    spin->SetMaxValue(c.max);
    spin->SetValue(c.value);
    EXPECT_EQ(spin->Value(), c.expected) << c.min << ".." << c.max << " " << c.value;
    EXPECT_EQ(spin->Text(), std::to_string(c.expected));
  }
  spin->SetMinValue(3);
  spin->SetMaxValue(9);
  spin->SetText("abc");
  EXPECT_EQ(spin->Value(), 3);
}

TEST_F(SpinMask, SpinEditStepsWithKeysAndArrows) {
  TForm* form = NewForm();
  auto* spin = Place<TSpinEdit>(form, 10, 10, 57, 21);
  spin->SetValue(640);
  spin->SetIncrement(10);
  int changes = 0;
  spin->OnChange = [&](TObject*) { ++changes; };
  form->Show();
  spin->SetFocus();
  PressKey(spin->Handle(), VK_UP);
  EXPECT_EQ(spin->Value(), 650);
  PressKey(spin->Handle(), VK_DOWN);
  PressKey(spin->Handle(), VK_DOWN);
  EXPECT_EQ(spin->Value(), 630);
  EXPECT_EQ(changes, 3);

  // The arrow buttons sit inside the edit's window.
  TSpinButton* arrows = spin->Button();
  EXPECT_EQ(GetParent(arrows->Handle()), spin->Handle());
  HWND wnd = arrows->Handle();
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
  EXPECT_EQ(spin->Value(), 640);
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, arrows->Height() - 2));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(5, arrows->Height() - 2));
  EXPECT_EQ(spin->Value(), 630);

  // Letters are not typed in.
  spin->SelectAll();
  Type(spin->Handle(), "x7");
  EXPECT_EQ(spin->Text(), "7");
  form->Hide();
}

TEST_F(SpinMask, EditMaskFormsTheShownAndTheStoredText) {
  struct Case {
    const char* mask;
    const char* stored;
    const char* shown;
    const char* unformatted;
  } cases[] = {
      {"AAAAAA;1; ", "ff00AA", "ff00AA", "ff00AA"},
      {"AAAAAA;1; ", "ab", "ab    ", "ab    "},
      {"000-00;1;_", "123-45", "123-45", "123-45"},
      {"000-00;0;_", "12345", "123-45", "12345"},
      {"000-00;0;_", "12", "12_-__", "12"},
      {">LL<ll;1;_", "aBcD", "ABcd", "ABcd"},
      {"!\\(999\\);1;_", "(12 )", "(12_)", "(12 )"},
      {"00;1;_", "x1", "_1", " 1"},  // a letter cannot stand for a digit
  };
  for (const Case& c : cases) {
    TEditMask mask(c.mask);
    std::string shown = mask.Format(c.stored);
    EXPECT_EQ(shown, c.shown) << c.mask;
    EXPECT_EQ(mask.Unformat(shown), c.unformatted) << c.mask;
  }
  TEditMask phone("000-00;1;_");
  EXPECT_EQ(phone.Length(), 6);
  EXPECT_TRUE(phone.IsLiteral(3));
  EXPECT_EQ(phone.NextEditable(3), 4);
  EXPECT_EQ(phone.PreviousEditable(3), 2);
  EXPECT_FALSE(phone.Complete("123-4_"));
  EXPECT_TRUE(phone.Complete("123-45"));
  EXPECT_TRUE(TEditMask("").Empty());
}

TEST_F(SpinMask, MaskEditTakesOnlyWhatTheMaskAllows) {
  TForm* form = NewForm();
  auto* edit = Place<TMaskEdit>(form, 10, 10, 80, 21);
  edit->SetEditMask("000-00;0;_");
  form->Show();
  HWND wnd = edit->Handle();
  EXPECT_EQ(edit->EditText(), "___-__");
  EXPECT_EQ(SendMessageA(wnd, EM_GETLIMITTEXT, 0, 0), 6);
  edit->SetSelStart(0);
  Type(wnd, "12x3");
  EXPECT_EQ(edit->EditText(), "123-__");
  Type(wnd, "45");
  EXPECT_EQ(edit->EditText(), "123-45");
  EXPECT_EQ(edit->Text(), "12345");
  EXPECT_NO_THROW(edit->ValidateEdit());

  SendMessageA(wnd, WM_CHAR, '\b', 1);
  EXPECT_EQ(edit->EditText(), "123-4_");
  EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
  try {
    edit->ValidateEdit();
  } catch (const EDBEditError& e) {
    EXPECT_EQ(e.Message(), "Invalid input value.  Use escape key to abandon changes");
  }
  form->Hide();
}

TEST_F(SpinMask, ColourFieldMaskKeepsUpperCaseHex) {
  TForm* form = NewForm();
  auto* edit = Place<TMaskEdit>(form, 10, 10, 80, 21);
  edit->SetCharCase(ecUpperCase);
  edit->SetEditMask("AAAAAA;1; ");
  form->Show();
  HWND wnd = edit->Handle();
  edit->SetSelStart(0);
  Type(wnd, "ff8a-00");
  EXPECT_EQ(edit->EditText(), "FF8A00");
  edit->SetText("12");
  EXPECT_EQ(edit->EditText(), "12    ");
  EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
  EXPECT_EQ(GetPropValue(edit, "EditMask"), "AAAAAA;1; ");
  form->Hide();
}

TEST_F(SpinMask, PublishedPropertiesOfSpinAndMaskEdits) {
  TForm* form = NewForm();
  auto* spin = Place<TSpinEdit>(form, 0, 0, 57, 21);
  SetPropValue(spin, "MinValue", "0");
  SetPropValue(spin, "MaxValue", "0");
  SetPropValue(spin, "Value", "480");
  EXPECT_EQ(spin->Value(), 480);
  int streamed = 0;
  spin->GetChildren([&](TComponent*) { ++streamed; }, form);
  EXPECT_EQ(streamed, 0);  // the arrow pair is not form data
}

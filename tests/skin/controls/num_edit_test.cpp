// The numeric and currency edits and the mask edit they stand on, made from form text: the
// range rule, the key filter, display and editing formats, paste, Esc, the masked hex field,
// and the calculator dropped down from the button.
#include <gtest/gtest.h>

#include <string>

#include "skin/controls/calc_form.h"
#include "skin/controls/num_edit.h"
#include "skin/controls/panel.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "vcl/runtime/sysutils.h"

using namespace skin;
using namespace controls_test;

namespace {

const char* const kEditsForm =
    "  object Amount: TsCurrencyEdit\n    Left = 10\n    Top = 10\n    Width = 80\n    Height = 21\n"
    "    MaxValue = 100\n    TabOrder = 0\n  end\n"
    "  object Red: TsCurrencyEdit\n    Left = 10\n    Top = 40\n    Width = 40\n    Height = 19\n"
    "    DecimalPlaces = 0\n    DisplayFormat = '0'\n    Alignment = taLeftJustify\n    TabOrder = 1\n  end\n"
    "  object Hex: TsMaskEdit\n    Left = 10\n    Top = 70\n    Width = 70\n    Height = 21\n"
    "    CharCase = ecUpperCase\n    EditMask = 'AAAAAA;1; '\n    MaxLength = 6\n    TabOrder = 2\n"
    "    Text = '80FF00'\n  end\n";

class NumEditTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) manager = LoadInternalSkin();
    form = std::make_unique<FormFromText>(kEditsForm);
    amount = form->Find<TsCurrencyEdit>("Amount");
    red = form->Find<TsCurrencyEdit>("Red");
    hex = form->Find<TsMaskEdit>("Hex");
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<FormFromText> form;
  TsCurrencyEdit* amount = nullptr;
  TsCurrencyEdit* red = nullptr;
  TsMaskEdit* hex = nullptr;
};

TEST_P(NumEditTest, RangeRuleAppliesToTheSignedValue) {
  struct Case {
    long double min, max, given, kept;
  } cases[] = {{0, 0, -1e6L, -1e6L}, {0, 0, 5e9L, 5e9L}, {10, 0, 3, 10}, {10, 0, 300, 300},
               {0, 100, 150, 100},   {0, 100, -5, 0},    {0, -20, -50, -50}, {-20, 0, -50, -20},
               {5, 1, 3, 3}};
  for (const Case& c : cases) {
    amount->SetMinValue(c.min);
    amount->SetMaxValue(c.max);
    amount->SetValue(c.given);
    EXPECT_EQ(amount->Value(), c.kept) << double(c.min) << ".." << double(c.max) << " " << double(c.given);
  }
  // A pasted "-5" with MinValue 0 and MaxValue 100 does not leave the range.
  amount->SetMinValue(0);
  amount->SetMaxValue(100);
  amount->SetFocus();
  SetClipboardText("-5");
  amount->SelectAll();
  SendMessageA(amount->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(amount->Value(), 0);
  // A text that is no number reads as MinValue and cannot be set.
  EXPECT_THROW(amount->SetText("12x"), vcl::EConvertError);
}

TEST_P(NumEditTest, TypingIsFilteredByRangeAndDecimals) {
  amount->SetFocus();
  struct Case {
    const char* typed;
    const char* text;
  } cases[] = {{"-3", "3"}, {"1.234", "1.23"}, {"12a5", "125"}, {"1,5", "1,5"}};
  for (const Case& c : cases) {
    amount->SelectAll();
    SendMessageA(amount->Handle(), WM_CLEAR, 0, 0);
    TypeChars(amount->Handle(), c.typed);
    EXPECT_EQ(amount->Text(), c.text) << c.typed;
  }
  // An exponent is fine as long as the decimals before it are.
  amount->SetMaxValue(0);
  vcl::TControl* plain = amount;
  plain->SetText("1.5e");
  amount->SetSelStart(4);
  EXPECT_TRUE(amount->IsValidChar('3'));
  plain->SetText("1.555e");
  amount->SetSelStart(6);
  EXPECT_FALSE(amount->IsValidChar('3'));
  // Where ',' is the decimal separator, a typed '.' becomes one.
  const vcl::TFormatSettings saved = vcl::FormatSettings;
  vcl::FormatSettings.DecimalSeparator = ',';
  vcl::FormatSettings.ThousandSeparator = ' ';
  amount->SelectAll();
  TypeChars(amount->Handle(), "2.5");
  EXPECT_EQ(amount->Text(), "2,5");
  vcl::FormatSettings = saved;

  // Esc gives back the editing text of the current value, all selected.
  amount->SetValue(42.5);
  TypeChars(amount->Handle(), "9");
  TypeChars(amount->Handle(), "\x1b");
  EXPECT_EQ(amount->Text(), "42.5");
  EXPECT_EQ(amount->SelLength(), 4);
}

TEST_P(NumEditTest, ShowsTheDisplayFormatUnlessFocused) {
  red->SetValue(200.75);
  EXPECT_EQ(red->GetDisplayText(), "201");
  red->SetFocus();
  amount->SetMaxValue(0);
  amount->SetValue(1234.5);
  EXPECT_EQ(amount->GetDisplayText(), vcl::FormatFloat("### ### ##0.00;-### ### ##0.00;0", 1234.5));
  amount->SetFocus();
  EXPECT_EQ(amount->GetDisplayText(), "1234.5");
  EXPECT_EQ(amount->AsInteger(), 1234);
}

TEST_P(NumEditTest, CurrencyEditHasNoButtonToClick) {
  EXPECT_EQ(amount->GlyphMode()->GlyphWidth(), 0);
  EXPECT_LE(amount->Button()->Width(), 2);
  amount->SetFocus();
  PressKey(amount->Handle(), VK_DOWN, true);
  EXPECT_EQ(amount->Popup(), nullptr);
}

TEST_P(NumEditTest, MaskedHexFieldTakesSixAlphanumerics) {
  EXPECT_EQ(hex->Text(), "80FF00");
  hex->SetFocus();
  hex->SetText("");
  hex->SetSelStart(0);
  TypeChars(hex->Handle(), "ab-12");
  EXPECT_EQ(hex->EditText(), "AB12  ");
  TypeChars(hex->Handle(), "cd3");
  EXPECT_EQ(hex->Text(), "AB12CD");
  if (GetParam()) {
    red->SetFocus();  // the mask edit is in its normal state: its image is the cache
    auto image = PrintWindowImage(hex->Handle());
    vcl::TBitmap* cache = hex->SkinData()->CacheBitmap.get();
    ASSERT_EQ(cache->Width(), hex->Width());
    int same = 0, total = 0;
    for (int x = 0; x < hex->Width(); ++x, ++total)
      if (PixelAt(image.get(), x, hex->Height() / 2) == PixelAt(cache, x, hex->Height() / 2)) ++same;
    EXPECT_EQ(same, total);
  }
}

INSTANTIATE_TEST_SUITE_P(SkinnedAndPlain, NumEditTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Skinned" : "Plain"; });

TEST(NumEditText, NormalisesSeparatorsBlanksAndSigns) {
  struct Case {
    const char* given;
    const char* normal;
  } cases[] = {{"", "0"}, {"-", "-0"}, {" 1,234.5 ", "1234.5"}, {"7", "7"}};
  for (const Case& c : cases) EXPECT_EQ(TsCustomNumEdit::NormaliseNumberText(c.given), c.normal) << c.given;
}

// ---- The calculator ----

struct CalcCase {
  const char* keys;
  const char* display;
};

TEST(Calculator, EvaluatesLeftToRight) {
  const CalcCase cases[] = {
      {"7/0=", "Error"},  {"7/0=5+", "Error"}, {"7/0=5C", "0"},   {"200+10%", "220"},   {"50*10%", "5"},
      {"1..5", "1.5"},    {"5_\b", "0"},       {"2Q", "1.414213562373095"}, {"4R", "0.25"}, {"0R", "Error"},
      {"12+3*2=", "30"},  {"9\b\b", "0"},      {"1+2\r", "3"},
  };
  for (const CalcCase& c : cases) {
    TsCalcForm calc(nullptr);
    calc.SetPrecision(16);
    for (const char* k = c.keys; *k; ++k) calc.CalcKey(*k);
    EXPECT_EQ(calc.Display(), c.display) << c.keys;
  }
}

TEST(Calculator, MemoryAndClipboard) {
  TsCalcForm calc(nullptr);
  calc.SetPrecision(16);
  for (char k : std::string("25")) calc.CalcKey(k);
  calc.MemoryStore();
  EXPECT_EQ(calc.MemoryPanel()->Caption(), "M");
  calc.CalcKey('C');
  calc.MemoryPlus();
  calc.MemoryRecall();
  EXPECT_EQ(calc.Display(), "25");
  calc.MemoryClear();
  EXPECT_EQ(calc.MemoryPanel()->Caption(), "");

  SetClipboardText(vcl::FormatSettings.CurrencyString + "12.50");
  calc.CalcKey(22);
  EXPECT_EQ(calc.Display(), "12.5");
  SetClipboardText("twelve");
  calc.CalcKey(22);
  EXPECT_EQ(calc.Display(), "0");
}

TEST(Calculator, DropsDownFromTheEditAndHandsTheResultBack) {
  FormFromText form("");
  auto* edit = new TsCustomNumEdit(form.form.get());
  edit->SetParent(form.form.get());
  edit->SetBounds(20, 20, 100, 21);
  int changes = 0;
  edit->OnChange = [&](vcl::TObject*) { ++changes; };
  edit->SetValue(3);
  edit->SetFocus();
  PressKey(edit->Handle(), VK_DOWN, true);  // Alt+Down clicks the button
  auto* calc = dynamic_cast<TsCalcForm*>(edit->Popup());
  ASSERT_NE(calc, nullptr);
  EXPECT_TRUE(calc->Visible());
  EXPECT_EQ(calc->Display(), "3");
  EXPECT_EQ(calc->Width(), 213);

  // Enter while typing evaluates; the second Enter hands the result over and closes.
  for (char k : std::string("+4\r")) calc->CalcKey(k);
  EXPECT_TRUE(calc->Visible());
  EXPECT_EQ(calc->Display(), "7");
  calc->CalcKey('\r');
  Pump();
  EXPECT_EQ(edit->Value(), 7);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(edit->Popup(), nullptr);  // freed on close

  // Esc clears a non-zero display, a second Esc closes without touching the edit.
  edit->ButtonClick();
  calc = dynamic_cast<TsCalcForm*>(edit->Popup());
  ASSERT_NE(calc, nullptr);
  calc->CalcKey('9');
  calc->CalcKey('\x1b');
  EXPECT_EQ(calc->Display(), "0");
  calc->CalcKey('\x1b');
  Pump();
  EXPECT_EQ(edit->Value(), 7);
  EXPECT_EQ(edit->Popup(), nullptr);
}

TEST(Calculator, AnErrorStaysInTheCalculatorAndNeverReachesTheEdit) {
  FormFromText form("");
  auto* edit = new TsCustomNumEdit(form.form.get());
  edit->SetParent(form.form.get());
  edit->SetBounds(20, 20, 100, 21);
  edit->SetValue(3);
  edit->ButtonClick();
  auto* calc = dynamic_cast<TsCalcForm*>(edit->Popup());
  ASSERT_NE(calc, nullptr);
  // "=" after a division by zero: "Error" shows, nothing is handed over, the form stays.
  for (char k : std::string("C7/0")) calc->CalcKey(k);
  EXPECT_NO_THROW(calc->CalcKey('='));
  EXPECT_EQ(calc->Display(), "Error");
  EXPECT_EQ(calc->DisplayValue(), 0);
  Pump();
  ASSERT_EQ(edit->Popup(), calc);
  EXPECT_TRUE(calc->Visible());
  EXPECT_EQ(edit->Value(), 3);
  // Every key but 'C' is ignored now, Enter and Esc included; 'C' starts over.
  for (char k : std::string("5\r\x1b=")) EXPECT_NO_THROW(calc->CalcKey(k)) << int(k);
  EXPECT_EQ(calc->Display(), "Error");
  calc->CalcKey('C');
  EXPECT_EQ(calc->Display(), "0");
  for (char k : std::string("6=")) calc->CalcKey(k);
  Pump();
  EXPECT_EQ(edit->Value(), 6);
  EXPECT_EQ(edit->Popup(), nullptr);
}

}  // namespace

namespace {

TEST(Calculator, SkinnedCornersShapeItsWindow) {
  auto manager = LoadInternalSkin();
  FormFromText form("");
  auto* edit = vcl::New<TsCustomNumEdit>(form.form.get());
  edit->SetParent(form.form.get());
  edit->SetBounds(20, 20, 100, 21);
  edit->ButtonClick();
  auto* calc = dynamic_cast<TsCalcForm*>(edit->Popup());
  ASSERT_NE(calc, nullptr);
  // This skin's panels have no border; the edit section's mask has rounded, see-through corners.
  auto* panel = dynamic_cast<TsPanel*>(calc->MainPanel());
  ASSERT_NE(panel, nullptr);
  panel->SkinData()->SetSkinSection("EDIT");
  SendMessageA(calc->Handle(), WM_NCPAINT, 1, 0);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(calc->Handle(), region), ERROR);
  RECT box{};
  GetRgnBox(region, &box);
  EXPECT_EQ(box.right - box.left, calc->Width());
  EXPECT_FALSE(PtInRegion(region, 0, 0));  // the corner is cut out
  EXPECT_TRUE(PtInRegion(region, calc->Width() / 2, calc->Height() / 2));
  DeleteObject(region);
  calc->Close();
}

}  // namespace

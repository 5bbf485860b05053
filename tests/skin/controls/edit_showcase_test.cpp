// A skinned form holding each edit, spin edit and combo box of this library, enabled and
// disabled. The test builds and paints it; with MERGEON_SHOWCASE_SECONDS set it also stays on
// screen that long, so that a screenshot under a real display shows how they look:
//   MERGEON_SHOWCASE_SECONDS=8 shared/tools/screenshot out.png 6 build/tests/skin_controls_tests.exe
//     --gtest_filter=EditShowcase.*   (one command line)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "skin/controls/combo_box.h"
#include "skin/controls/num_edit.h"
#include "skin/controls/spin_edit.h"
#include "tests/skin/controls/skinned_form_fixture.h"

using namespace skin;
using namespace controls_test;

namespace {

const char* const kEditShowcase =
    "  object Edit: TsEdit\n    Left = 20\n    Top = 20\n    Width = 150\n    Height = 21\n"
    "    Text = 'A skinned edit'\n    BoundLabel.Active = True\n    BoundLabel.Caption = 'Name'\n"
    "    BoundLabel.Layout = sclTopLeft\n  end\n"
    "  object DisabledEdit: TsEdit\n    Left = 200\n    Top = 20\n    Width = 150\n    Height = 21\n"
    "    Enabled = False\n    Text = 'Disabled'\n  end\n"
    "  object Spin: TsSpinEdit\n    Left = 20\n    Top = 60\n    Width = 70\n    Height = 21\n    Text = '640'\n  end\n"
    "  object DisabledSpin: TsSpinEdit\n    Left = 200\n    Top = 60\n    Width = 70\n    Height = 21\n"
    "    Enabled = False\n    Text = '480'\n  end\n"
    "  object Combo: TsComboBox\n    Left = 20\n    Top = 100\n    Width = 150\n    Height = 21\n"
    "    Text = 'Choose Mode ...'\n    Items.Strings = (\n      'Normal'\n      'Multiply')\n  end\n"
    "  object ListCombo: TsComboBox\n    Left = 200\n    Top = 100\n    Width = 150\n    Height = 21\n"
    "    Style = csDropDownList\n    Items.Strings = (\n      'Linear'\n      'Radial')\n  end\n"
    "  object Amount: TsCurrencyEdit\n    Left = 20\n    Top = 140\n    Width = 100\n    Height = 21\n"
    "    Value = 1234.5\n  end\n"
    "  object Hex: TsMaskEdit\n    Left = 200\n    Top = 140\n    Width = 70\n    Height = 21\n"
    "    EditMask = 'AAAAAA;1; '\n    Text = '80FF00'\n  end\n";

TEST(EditShowcase, EveryControlComposesItsImageAtItsSize) {
  auto manager = LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  FormFromText form(kEditShowcase);
  form.form->SetCaption("Skinned edits");
  form.Find<TsComboBox>("ListCombo")->SetItemIndex(1);
  auto* calc = vcl::New<TsCustomNumEdit>(form.form.get());
  calc->SetParent(form.form.get());
  calc->SetBounds(20, 180, 120, 21);
  calc->SetValue(42);
  form.form->Repaint();
  Pump();
  for (const char* name : {"Edit", "DisabledEdit", "Spin", "DisabledSpin", "Combo", "ListCombo", "Amount", "Hex"}) {
    auto* control = dynamic_cast<vcl::TWinControl*>(form.form->FindComponent(name));
    ASSERT_NE(control, nullptr) << name;
    auto* linked = dynamic_cast<IacSkinLinked*>(control);
    ASSERT_NE(linked, nullptr) << name;
    EXPECT_TRUE(linked->SkinLink()->IsSkinned()) << name;
    PrintWindowImage(control->Handle());
    EXPECT_EQ(linked->SkinLink()->CacheBitmap->Width(), control->Width()) << name;
  }
  if (const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS")) {
    calc->ButtonClick();  // the calculator dropped down under its edit
    const DWORD until = GetTickCount() + DWORD(std::atoi(seconds)) * 1000;
    while (GetTickCount() < until) {
      Pump();
      Sleep(20);
    }
  }
}

}  // namespace

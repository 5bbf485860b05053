// The skinned combo box made from form text, skinned and plain: items, selection and its
// events, typing and the list, the read-only mode, and its face composed from the skin.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "skin/controls/combo_box.h"
#include "skin/forms/adapters/main_wnd.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "vcl/controls/messages.h"

using namespace skin;
using namespace controls_test;

namespace {

const char* const kComboForm =
    "  object BlendComboBox: TsComboBox\n    Left = 10\n    Top = 55\n    Width = 166\n    Height = 21\n"
    "    ItemHeight = 13\n    TabOrder = 0\n    Text = 'Choose Mode ...'\n"
    "    Items.Strings = (\n      'Normal'\n      'Multiply'\n      'Screen')\n  end\n"
    "  object ListCombo: TsComboBox\n    Left = 10\n    Top = 100\n    Width = 166\n    Height = 21\n"
    "    Style = csDropDownList\n    ItemHeight = 13\n    TabOrder = 1\n"
    "    Items.Strings = (\n      'Linear'\n      'Diagonal'\n      'Radial')\n  end\n";

class ComboBoxTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (GetParam()) manager = LoadInternalSkin();
    form = std::make_unique<FormFromText>(kComboForm);
    combo = form->Find<TsComboBox>("BlendComboBox");
    list = form->Find<TsComboBox>("ListCombo");
    combo->OnChange = [this](vcl::TObject*) { ++changes; };
    list->OnChange = [this](vcl::TObject*) { ++changes; };
  }
  void TearDown() override {
    form.reset();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<FormFromText> form;
  TsComboBox* combo = nullptr;
  TsComboBox* list = nullptr;
  int changes = 0;
};

TEST_P(ComboBoxTest, ItemsTextAndSilentItemIndex) {
  EXPECT_EQ(combo->Items()->Count(), 3);
  EXPECT_EQ(combo->Text(), "Choose Mode ...");
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Style(), vcl::csDropDown);
  EXPECT_EQ(combo->DropDownCount(), 16);
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "Multiply");
  EXPECT_EQ(changes, 0);  // setting ItemIndex fires no change
}

TEST_P(ComboBoxTest, KeyboardSelectsAndTypingEditsLikeThePlatformBox) {
  list->SetFocus();
  PressKey(list->Handle(), VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 0);
  PressKey(list->Handle(), VK_DOWN);
  EXPECT_EQ(list->Text(), "Diagonal");
  EXPECT_EQ(changes, 2);

  combo->SetFocus();
  combo->SetText("");
  TypeChars(combo->EditHandle(), "Scr");
  EXPECT_EQ(combo->Text(), "Scr");
  EXPECT_GE(changes, 3);

  list->SetFocus();
  list->SetDroppedDown(true);
  EXPECT_TRUE(list->DroppedDown());
  EXPECT_EQ(list->Dropped(), GetParam());  // the skinned box follows the list for its button
  PressKey(list->Handle(), VK_ESCAPE);
  EXPECT_FALSE(list->DroppedDown());
  EXPECT_FALSE(list->Dropped());
}

TEST_P(ComboBoxTest, ReadOnlyBoxTakesFocusButNeitherOpensNorChanges) {
  list->SetReadOnly(true);
  list->SetItemIndex(0);
  combo->SetFocus();
  ClickAt(list->Handle(), list->Width() - 8, list->Height() / 2);
  EXPECT_TRUE(list->Focused());
  EXPECT_FALSE(list->DroppedDown());
  struct Key {
    WORD key;
    bool alt;
  } keys[] = {{VK_DOWN, false}, {VK_END, false}, {VK_SPACE, false}, {'R', false}, {'5', false},
              {VK_F4, false},   {VK_DOWN, true}};
  for (const Key& k : keys) {
    PressKey(list->Handle(), k.key, k.alt);
    EXPECT_FALSE(list->DroppedDown()) << k.key;
    EXPECT_EQ(list->ItemIndex(), 0) << k.key;
  }
  TypeChars(list->Handle(), "D");
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(changes, 0);
  // A list opened all the same (by code, or a key the platform knows) closes again at once.
  list->SetDroppedDown(true);
  Pump();
  EXPECT_FALSE(list->DroppedDown());

  combo->SetReadOnly(true);
  combo->SetFocus();
  TypeChars(combo->EditHandle(), "xyz");
  SetClipboardText("pasted");
  SendMessageA(combo->EditHandle(), WM_PASTE, 0, 0);
  EXPECT_EQ(combo->Text(), "Choose Mode ...");
}

INSTANTIATE_TEST_SUITE_P(SkinnedAndPlain, ComboBoxTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Skinned" : "Plain"; });

TEST(ComboBoxSkin, ComposesItsFaceFromTheSkinAndGivesItBackWithoutOne) {
  auto manager = LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  FormFromText form(kComboForm);
  auto* list = form.Find<TsComboBox>("ListCombo");
  list->SetItemIndex(2);
  EXPECT_TRUE(list->SkinData()->IsSkinned());
  EXPECT_EQ(list->SkinData()->SkinSection(), "COMBOBOX");
  const TsGeneralData& section = manager->Sections[size_t(manager->FindSectionIndex("COMBOBOX"))];
  EXPECT_EQ(list->Color(), vcl::TColor(section.Color));

  auto skinned = PrintWindowImage(list->Handle());
  // The composed face is the cache: the printed image shows it.
  vcl::TBitmap* cache = list->SkinData()->CacheBitmap.get();
  ASSERT_EQ(cache->Width(), list->Width());
  int same = 0;
  for (int x = 0; x < list->Width(); x += 3)
    for (int y = 0; y < list->Height(); y += 3)
      if (PixelAt(skinned.get(), x, y) == PixelAt(cache, x, y)) ++same;
  EXPECT_GT(same, (list->Width() / 3) * (list->Height() / 3) * 9 / 10);

  manager.reset();
  EXPECT_EQ(list->Color(), vcl::clWindow);
  EXPECT_EQ(list->Font()->Color(), vcl::clWindowText);
  EXPECT_EQ(list->ItemIndex(), 2);  // the recreated window keeps the selection
}

// A dropped list longer than the box shows at once gets the list adapter (its frame and
// skinned bars); a short one keeps the platform's look; removing the skin or freeing the box
// while the list is open gives the list back.
TEST(ComboBoxSkin, LongDroppedListIsAdaptedUntilTheSkinOrTheBoxGoes) {
  auto manager = LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  FormFromText form(kComboForm);
  auto* shortList = form.Find<TsComboBox>("ListCombo");
  auto* longList = form.Find<TsComboBox>("BlendComboBox");
  for (int i = 0; i < 30; ++i) longList->Items()->Add("Mode " + std::to_string(i));
  struct Case {
    TsComboBox* box;
    bool adapted;
  } const cases[] = {{shortList, false}, {longList, true}};
  for (const Case& c : cases) {
    c.box->SetDroppedDown(true);
    HWND listWnd = c.box->ListHandle();
    ASSERT_NE(listWnd, nullptr);
    UpdateWindow(listWnd);
    EXPECT_EQ(c.box->ListAdapter() != nullptr, c.adapted) << c.box->Name();
    EXPECT_EQ(GetWndAdapter(listWnd) != nullptr, c.adapted) << c.box->Name();
    c.box->SetDroppedDown(false);
  }
  longList->SetDroppedDown(true);
  UpdateWindow(longList->ListHandle());
  manager->SetActive(false);
  EXPECT_EQ(longList->ListAdapter(), nullptr);
  manager->SetActive(true);
  longList->SetDroppedDown(true);
  HWND listWnd = longList->ListHandle();
  UpdateWindow(listWnd);
  ASSERT_NE(longList->ListAdapter(), nullptr);
  delete longList;
  EXPECT_FALSE(IsWindow(listWnd));
}

}  // namespace

namespace {

TEST(ComboBoxSkin, OwnerDrawnBoxDrawsItsSelectedItemIntoTheFace) {
  auto manager = LoadInternalSkin();
  FormFromText form(
      "  object Owner: TsComboBox\n    Left = 10\n    Top = 10\n    Width = 150\n    Height = 21\n"
      "    Style = csOwnerDrawFixed\n    Items.Strings = (\n      'Red'\n      'Blue')\n  end\n");
  auto* box = form.Find<TsComboBox>("Owner");
  std::vector<std::pair<int, vcl::TOwnerDrawState>> drawn;
  box->OnDrawItem = [&](vcl::TWinControl*, int index, vcl::TRect rect, vcl::TOwnerDrawState state) {
    drawn.emplace_back(index, state);
    box->Canvas()->Brush()->SetColor(index == 0 ? vcl::clRed : vcl::clBlue);
    box->Canvas()->FillRect(rect);
  };
  box->SetItemIndex(1);
  drawn.clear();
  box->PaintControl();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back().first, 1);
  EXPECT_TRUE(drawn.back().second.Contains(vcl::odComboBoxEdit));
  EXPECT_EQ(PixelAt(box->SkinData()->CacheBitmap.get(), 10, box->Height() / 2), 0xFF0000u);  // blue in BGR order
}

}  // namespace

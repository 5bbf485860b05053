// Which controls of a skinned form the control adapter takes: only the classes the manager's
// ThirdParty lists name, with the section the application chooses, frames only when the
// application accepts them, and a released window attached again.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/edit_wnd.h"
#include "skin/forms/adapters/ww_combo_box_wnd.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

class ControlAdapterRule : public adapter_test::SkinAndFormTest {
 public:
  template <class C>
  C* Place(vcl::TWinControl* parent = nullptr) {
    auto* control = new C(form.get());
    control->SetParent(parent ? parent : form.get());
    control->SetBounds(10, 10, 120, 24);
    return control;
  }

 protected:
  void SetUp() override { LoadSkinAndMakeForm(400, 300); }
  void TearDown() override {
    adapter_test::RemoveFormProvider(form.get());
    form.reset();
    manager.reset();
  }
  TsSkinProvider* Provider() {
    if (!provider) provider = vcl::New<TsSkinProvider>(form.get());
    return provider;
  }
  TacCtrlAdapter* Adapt() {
    Provider();
    form->Show();
    return adapter_test::AdaptFormControls(form.get(), manager.get());
  }
  TacAdapterItem* ItemOf(vcl::TWinControl* control) {
    TacCtrlAdapter* adapter = adapter_test::FormCtrlAdapter(form.get());
    for (int i = 0; adapter && adapter->GetItem(i); ++i)
      if (adapter->GetItem(i)->Control == control) return adapter->GetItem(i);
    return nullptr;
  }
  void RemoveFromList(int list, const char* name) {
    vcl::TStringList* names = manager->ThirdPartyLists[size_t(list)].get();
    names->Delete(names->IndexOf(name));
  }

  TsSkinProvider* provider = nullptr;
};

TEST_F(ControlAdapterRule, OnlyListedClassesAreAdaptedAndAListChangeTakesEffectAtTheNextPass) {
  RemoveFromList(0, "TEdit");
  auto* edit = Place<vcl::TEdit>();
  auto* text = Place<vcl::TStaticText>();
  auto* memo = Place<vcl::TMemo>();
  TacCtrlAdapter* adapter = Adapt();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(ItemOf(edit), nullptr) << "a class taken out of its list stays the platform's";
  EXPECT_FALSE(WndAnswersAlphaCmd(edit->Handle(), cmdIsSkinned));
  EXPECT_EQ(ItemOf(text), nullptr) << "a class in no list is never adapted";
  EXPECT_FALSE(WndAnswersAlphaCmd(text->Handle(), cmdIsSkinned));
  ASSERT_NE(ItemOf(memo), nullptr);

  manager->ThirdPartyLists[0]->Add("TEdit");
  adapter->AddAllItems();
  ASSERT_NE(ItemOf(edit), nullptr);
  EXPECT_NE(dynamic_cast<TacEditWnd*>(ItemOf(edit)->WndAdapter), nullptr);
  EXPECT_EQ(ItemOf(edit)->SkinData->ControlCode, ccAdapterItems);
}

// A page control announcing a new page makes the form adapt its controls again.
TEST_F(ControlAdapterRule, APageChangeAdaptsTheControlsAgain) {
  RemoveFromList(0, "TEdit");
  auto* edit = Place<vcl::TEdit>();
  Adapt();
  ASSERT_EQ(ItemOf(edit), nullptr);
  manager->ThirdPartyLists[0]->Add("TEdit");
  NMHDR header{nullptr, 0, UINT(TCN_SELCHANGE)};
  SendMessageA(form->Handle(), WM_NOTIFY, 0, LPARAM(&header));
  EXPECT_NE(ItemOf(edit), nullptr);
}

TEST_F(ControlAdapterRule, ClassNamesAreComparedExactly) {
  manager->ThirdPartyLists[0]->SetText("tedit");
  auto* edit = Place<vcl::TEdit>();
  Adapt();
  EXPECT_EQ(ItemOf(edit), nullptr);
}

// The section the application names for an item is the one its adapter paints with, whatever
// the list.
TEST_F(ControlAdapterRule, TheSectionChosenForAnItemIsUsedByEveryKind) {
  struct Case {
    const char* name;
    std::function<vcl::TWinControl*(ControlAdapterRule*)> make;
    const char* section;
  };
  const std::vector<Case> cases = {
      {"edit", [](ControlAdapterRule* t) { return t->Place<vcl::TEdit>(); }, "PANEL_LOW"},
      {"button", [](ControlAdapterRule* t) { return t->Place<vcl::TButton>(); }, "CHECKBOX"},
      {"check box", [](ControlAdapterRule* t) { return t->Place<vcl::TCheckBox>(); }, "BUTTON"},
      {"group box", [](ControlAdapterRule* t) { return t->Place<vcl::TGroupBox>(); }, "PANEL"},
      {"combo box", [](ControlAdapterRule* t) { return t->Place<vcl::TComboBox>(); }, "EDIT"},
      {"panel", [](ControlAdapterRule* t) { return t->Place<vcl::TPanel>(); }, "GROUPBOX"},
  };
  std::vector<vcl::TWinControl*> controls;
  for (const Case& c : cases) controls.push_back(c.make(this));
  std::vector<std::string> offered;
  Provider()->OnSkinItem = [&](vcl::TComponent* item, bool&, std::string& section) {
    for (size_t i = 0; i < controls.size(); ++i)
      if (item == controls[i]) {
        offered.push_back(section);
        section = cases[i].section;
      }
  };
  Adapt();
  for (size_t i = 0; i < cases.size(); ++i) {
    TacAdapterItem* item = ItemOf(controls[i]);
    ASSERT_NE(item, nullptr) << cases[i].name;
    ASSERT_NE(item->WndAdapter, nullptr) << cases[i].name;
    EXPECT_EQ(item->SkinData->SkinSection(), cases[i].section) << cases[i].name;
    EXPECT_EQ(item->WndAdapter->SkinLink, item->SkinData.get()) << cases[i].name;
  }
  for (const std::string& section : offered) EXPECT_EQ(section, "") << "an item is offered with no section";
}

TEST_F(ControlAdapterRule, AVetoedControlStaysThePlatforms) {
  auto* edit = Place<vcl::TEdit>();
  Provider()->OnSkinItem = [&](vcl::TComponent* item, bool& canBeAdded, std::string&) {
    if (item == edit) canBeAdded = false;
  };
  Adapt();
  EXPECT_EQ(ItemOf(edit), nullptr);
  EXPECT_FALSE(WndAnswersAlphaCmd(edit->Handle(), cmdIsSkinned));
}

// A frame is never adapted by its class: the application decides, and it gets no item (without
// the skinned controls there is no frame adapter to give it).
TEST_F(ControlAdapterRule, AFrameIsOfferedToTheApplicationAndGetsNoItem) {
  auto* frame = new vcl::TFrame(form.get());
  frame->SetParent(form.get());
  frame->SetBounds(10, 40, 200, 100);
  manager->ThirdPartyLists[8]->Add("TFrame");
  int asked = 0;
  Provider()->OnSkinItem = [&](vcl::TComponent* item, bool&, std::string&) {
    if (item == frame) ++asked;
  };
  Adapt();
  EXPECT_GT(asked, 0);
  EXPECT_EQ(ItemOf(frame), nullptr);
}

TEST_F(ControlAdapterRule, TheWwEditListGivesTheComboAdapterWithItsOwnButton) {
  manager->ThirdPartyLists[4]->Clear();
  manager->ThirdPartyLists[10]->Add("TComboBox");
  auto* dropDown = Place<vcl::TComboBox>();
  auto* simple = Place<vcl::TComboBox>();
  simple->SetStyle(vcl::csSimple);
  simple->SetBounds(10, 60, 120, 80);
  Adapt();
  for (vcl::TWinControl* control : {static_cast<vcl::TWinControl*>(dropDown), static_cast<vcl::TWinControl*>(simple)}) {
    ASSERT_NE(ItemOf(control), nullptr);
    ASSERT_NE(dynamic_cast<TacWWComboBoxWnd*>(ItemOf(control)->WndAdapter), nullptr);
  }
  RECT button{};
  dynamic_cast<TacWWComboBoxWnd*>(ItemOf(dropDown)->WndAdapter)->GetButtonRect(button);
  EXPECT_EQ(button.right - button.left, GetSystemMetrics(SM_CXVSCROLL));
  dynamic_cast<TacWWComboBoxWnd*>(ItemOf(simple)->WndAdapter)->GetButtonRect(button);
  EXPECT_EQ(button.right - button.left, 0) << "a simple combo box has no drop-down button";
}

// A control whose window was made anew lost its adapter; the next pass gives it one again.
TEST_F(ControlAdapterRule, AControlWithANewWindowIsAttachedAgain) {
  auto* memo = Place<vcl::TMemo>();
  TacCtrlAdapter* adapter = Adapt();
  ASSERT_NE(ItemOf(memo), nullptr);
  memo->RecreateWnd();
  memo->HandleNeeded();
  adapter->AddAllItems();
  ASSERT_NE(ItemOf(memo), nullptr);
  EXPECT_EQ(ItemOf(memo)->WndAdapter->Wnd, memo->Handle());
  EXPECT_TRUE(WndAnswersAlphaCmd(memo->Handle(), cmdIsSkinned));
  EXPECT_EQ(adapter->AdapterItems.size(), 1u);
}

TEST_F(ControlAdapterRule, RemovingAnItemMovesTheLastIntoItsPlace) {
  auto* first = Place<vcl::TMemo>();
  auto* second = Place<vcl::TButton>();
  auto* third = Place<vcl::TCheckBox>();
  TacCtrlAdapter* adapter = Adapt();
  ASSERT_EQ(adapter->AdapterItems.size(), 3u);
  EXPECT_EQ(adapter->GetItem(3), nullptr);
  EXPECT_EQ(adapter->GetItem(-1), nullptr);
  adapter->RemoveItem(0);
  ASSERT_EQ(adapter->AdapterItems.size(), 2u);
  EXPECT_EQ(adapter->GetItem(0)->Control, third);
  EXPECT_EQ(adapter->GetItem(1)->Control, second);
  EXPECT_FALSE(WndAnswersAlphaCmd(first->Handle(), cmdIsSkinned)) << "a removed item gives its window back";
  adapter->RemoveItem(5);
  EXPECT_EQ(adapter->AdapterItems.size(), 2u);
}

}  // namespace

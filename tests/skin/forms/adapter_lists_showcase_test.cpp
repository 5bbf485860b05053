// Shows a form of lists under their adapters for a screenshot (a list box, a report list view
// with its header, a tree view, a memo, a combo box with its list dropped down and a simple
// combo box); skipped unless MERGEON_SHOWCASE_SECONDS says how long to show it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "skin/forms/adapters/control_adapters.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

template <class C>
C* AdapterListsShowcasePut(vcl::TWinControl* parent, int x, int y, int w, int h) {
  auto* control = new C(parent);
  control->SetParent(parent);
  control->SetBounds(x, y, w, h);
  return control;
}

void Pump(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  } while (GetTickCount() < end);
}

TEST(AdapterListsShowcase, ListsAndDroppedCombo) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the form";
  auto manager = adapter_test::LoadInternalSkin();
  std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
  form->SetBounds(40, 40, 700, 460);
  form->SetCaption("Mergeon - adapted lists");
  auto* list = AdapterListsShowcasePut<vcl::TListBox>(form.get(), 16, 16, 180, 180);
  for (int i = 0; i < 40; ++i) list->Items()->Add("List item " + std::to_string(i));
  list->SetItemIndex(2);
  auto* view = AdapterListsShowcasePut<vcl::TListView>(form.get(), 212, 16, 300, 180);
  view->SetViewStyle(vcl::vsReport);
  view->AddColumn("Name", 120);
  view->AddColumn("Size", 80);
  view->AddColumn("Kind", 80);
  for (int i = 0; i < 30; ++i) view->AddItem("Picture " + std::to_string(i), {std::to_string(i * 13) + " KB", "Layer"});
  view->SetItemIndex(1);
  auto* tree = AdapterListsShowcasePut<vcl::TTreeView>(form.get(), 528, 16, 150, 180);
  for (int i = 0; i < 4; ++i) {
    const int node = tree->AddNode(-1, "Group " + std::to_string(i));
    for (int j = 0; j < 4; ++j) tree->AddNode(node, "Layer " + std::to_string(j));
  }
  auto* memo = AdapterListsShowcasePut<vcl::TMemo>(form.get(), 16, 212, 300, 180);
  memo->SetScrollBars(vcl::ssBoth);
  for (int i = 0; i < 30; ++i) memo->Lines()->Add("A rather long line of text in the memo, number " + std::to_string(i));
  auto* combo = AdapterListsShowcasePut<vcl::TComboBox>(form.get(), 340, 212, 200, 24);
  combo->SetStyle(vcl::csDropDownList);
  for (int i = 0; i < 20; ++i) combo->Items()->Add("Blend mode " + std::to_string(i));
  combo->SetItemIndex(3);
  // A simple combo box shows its list for good: the list's frame and bars stay in view.
  auto* simple = AdapterListsShowcasePut<vcl::TComboBox>(form.get(), 560, 212, 120, 180);
  simple->SetStyle(vcl::csSimple);
  for (int i = 0; i < 20; ++i) simple->Items()->Add("Layer " + std::to_string(i));
  simple->SetItemIndex(1);
  adapter_test::AdaptFormControls(form.get(), manager.get());
  form->Show();
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  SetForegroundWindow(form->Handle());
  Pump(300);
  combo->SetFocus();
  combo->SetDroppedDown(true);
  Pump(DWORD(std::atoi(seconds)) * 1000);
}

}  // namespace

// Each adapted list control scrolls and selects exactly as its unskinned twin does: the same
// control is made twice on two forms, only the first form's controls are adapted, both get
// the same real window messages, and their scroll positions and selections are compared.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/edit_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;

namespace {

struct Input {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

Input Key(WPARAM key) { return Input{WM_KEYDOWN, key, 1}; }
Input VScroll(int code) { return Input{WM_VSCROLL, WPARAM(MAKEWPARAM(code, 0)), 0}; }
Input HScroll(int code) { return Input{WM_HSCROLL, WPARAM(MAKEWPARAM(code, 0)), 0}; }
Input Click(int x, int y) { return Input{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)}; }

std::string ScrollOf(HWND wnd, int bar) {
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(wnd, bar, &info)) return "-";
  return std::to_string(info.nPos) + "/" + std::to_string(info.nMax);
}

struct ListCase {
  const char* name;
  std::function<vcl::TWinControl*(vcl::TForm*)> make;
  std::vector<Input> inputs;
  // What must agree between the twins: scroll positions, selection, drop-down state.
  std::function<std::string(HWND)> probe;
};

template <class C>
C* AdapterListsTwinPlace(vcl::TForm* form) {
  auto* control = new C(form);
  control->SetParent(form);
  control->SetBounds(10, 10, 200, 130);
  return control;
}

std::string TreeSelection(HWND wnd) {
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(wnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
  char text[64] = {};
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  if (item) SendMessageA(wnd, TVM_GETITEMA, 0, LPARAM(&tv));
  return text;
}

const ListCase kAdapterListsTwinCases[] = {
    {"ListBox",
     [](vcl::TForm* f) {
       auto* list = AdapterListsTwinPlace<vcl::TListBox>(f);
       for (int i = 0; i < 60; ++i) list->Items()->Add("Item " + std::to_string(i));
       return list;
     },
     {Key(VK_DOWN), Key(VK_DOWN), Key(VK_NEXT), VScroll(SB_LINEDOWN), VScroll(SB_PAGEDOWN), Click(20, 30),
      Key(VK_END), VScroll(SB_TOP), Key(VK_UP)},
     [](HWND w) {
       return std::to_string(SendMessageA(w, LB_GETTOPINDEX, 0, 0)) + " sel " +
              std::to_string(SendMessageA(w, LB_GETCURSEL, 0, 0)) + " v " + ScrollOf(w, SB_VERT);
     }},
    {"Memo",
     [](vcl::TForm* f) {
       auto* memo = AdapterListsTwinPlace<vcl::TMemo>(f);
       memo->SetScrollBars(vcl::ssBoth);
       for (int i = 0; i < 50; ++i) memo->Lines()->Add("A line wide enough to need the horizontal bar, number " + std::to_string(i));
       return memo;
     },
     {Key(VK_DOWN), Key(VK_NEXT), VScroll(SB_PAGEDOWN), VScroll(SB_LINEDOWN), HScroll(SB_PAGERIGHT), Key(VK_END),
      Click(30, 20), VScroll(SB_BOTTOM)},
     [](HWND w) {
       DWORD start = 0, end = 0;
       SendMessageA(w, EM_GETSEL, WPARAM(&start), LPARAM(&end));
       return std::to_string(SendMessageA(w, EM_GETFIRSTVISIBLELINE, 0, 0)) + " sel " + std::to_string(start) + "-" +
              std::to_string(end) + " v " + ScrollOf(w, SB_VERT) + " h " + ScrollOf(w, SB_HORZ);
     }},
    {"TreeView",
     [](vcl::TForm* f) {
       auto* tree = AdapterListsTwinPlace<vcl::TTreeView>(f);
       for (int i = 0; i < 15; ++i) {
         const int node = tree->AddNode(-1, "Group " + std::to_string(i));
         for (int j = 0; j < 3; ++j) tree->AddNode(node, "Leaf " + std::to_string(i) + "." + std::to_string(j));
       }
       return tree;
     },
     {Key(VK_DOWN), Key(VK_RIGHT), Key(VK_RIGHT), Key(VK_DOWN), Key(VK_NEXT), VScroll(SB_LINEDOWN),
      VScroll(SB_PAGEDOWN), Key(VK_END), VScroll(SB_TOP)},
     [](HWND w) { return TreeSelection(w) + " v " + ScrollOf(w, SB_VERT); }},
    {"ListViewReport",
     [](vcl::TForm* f) {
       auto* view = AdapterListsTwinPlace<vcl::TListView>(f);
       view->SetViewStyle(vcl::vsReport);
       view->AddColumn("Name", 120);
       view->AddColumn("Size", 120);
       for (int i = 0; i < 60; ++i) view->AddItem("Item " + std::to_string(i), {std::to_string(i)});
       return view;
     },
     {Key(VK_DOWN), Key(VK_NEXT), VScroll(SB_LINEDOWN), VScroll(SB_PAGEDOWN), HScroll(SB_LINERIGHT), Key(VK_END),
      VScroll(SB_PAGEUP), Click(30, 40)},
     [](HWND w) {
       return std::to_string(SendMessageA(w, LVM_GETTOPINDEX, 0, 0)) + " sel " +
              std::to_string(SendMessageA(w, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)) + " v " +
              ScrollOf(w, SB_VERT) + " h " + ScrollOf(w, SB_HORZ);
     }},
    {"ComboBox",
     [](vcl::TForm* f) {
       auto* combo = AdapterListsTwinPlace<vcl::TComboBox>(f);
       combo->SetStyle(vcl::csDropDownList);
       for (int i = 0; i < 30; ++i) combo->Items()->Add("Choice " + std::to_string(i));
       return combo;
     },
     {Key(VK_DOWN), Key(VK_DOWN), Input{CB_SHOWDROPDOWN, TRUE, 0}, Key(VK_DOWN), Key(VK_NEXT),
      Input{CB_SHOWDROPDOWN, FALSE, 0}, Key(VK_UP)},
     [](HWND w) {
       return std::to_string(SendMessageA(w, CB_GETCURSEL, 0, 0)) + " dropped " +
              std::to_string(SendMessageA(w, CB_GETDROPPEDSTATE, 0, 0));
     }},
};

class AdaptedListTwin : public ::testing::TestWithParam<ListCase> {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    for (auto* form : {&skinned, &plain}) {
      form->reset(new vcl::TForm(nullptr));
      (*form)->SetBounds(0, 0, 300, 250);
    }
    skinnedControl = GetParam().make(skinned.get());
    plainControl = GetParam().make(plain.get());
    skinned->Show();
    plain->Show();
    adapters = adapter_test::AdaptFormControls(skinned.get(), manager.get());
  }
  void TearDown() override {
    adapter_test::RemoveFormProvider(skinned.get());
    skinned.reset();
    plain.reset();
    manager.reset();
  }
  static void Send(HWND wnd, const Input& input) {
    SendMessageA(wnd, input.msg, input.wParam, input.lParam);
    if (input.msg == WM_LBUTTONDOWN) SendMessageA(wnd, WM_LBUTTONUP, 0, input.lParam);
    if (input.msg == WM_KEYDOWN) SendMessageA(wnd, WM_KEYUP, input.wParam, 0xC0000001);
  }

  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> skinned, plain;
  vcl::TWinControl* skinnedControl = nullptr;
  vcl::TWinControl* plainControl = nullptr;
  TacCtrlAdapter* adapters = nullptr;
};

TEST_P(AdaptedListTwin, ScrollsAndSelectsAsTheUnskinnedControl) {
  ASSERT_NE(dynamic_cast<TacEditWnd*>(adapter_test::ItemAdapterOf(adapters, skinnedControl)), nullptr);
  HWND a = skinnedControl->Handle(), b = plainControl->Handle();
  ASSERT_EQ(GetParam().probe(a), GetParam().probe(b));
  for (size_t i = 0; i < GetParam().inputs.size(); ++i) {
    Send(a, GetParam().inputs[i]);
    Send(b, GetParam().inputs[i]);
    EXPECT_EQ(GetParam().probe(a), GetParam().probe(b)) << "after input " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Lists, AdaptedListTwin, ::testing::ValuesIn(kAdapterListsTwinCases),
                         [](const ::testing::TestParamInfo<ListCase>& info) { return info.param.name; });

}  // namespace

namespace {

// The dropped list of a combo box: clicks on its bar's arrows and track, as the platform
// delivers them to a list that holds the mouse, scroll it as they scroll the unskinned list,
// and the list stays open.
TEST(AdaptedDroppedList, ScrollsAsTheUnskinnedListWhileItStaysOpen) {
  auto manager = adapter_test::LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  std::unique_ptr<vcl::TForm> forms[2];
  vcl::TComboBox* combos[2] = {};
  for (int i = 0; i < 2; ++i) {
    forms[i].reset(new vcl::TForm(nullptr));
    forms[i]->SetBounds(0, 0, 300, 300);
    combos[i] = new vcl::TComboBox(forms[i].get());
    combos[i]->SetParent(forms[i].get());
    combos[i]->SetBounds(10, 10, 160, 24);
    combos[i]->SetStyle(vcl::csDropDownList);
    for (int j = 0; j < 40; ++j) combos[i]->Items()->Add("Choice " + std::to_string(j));
    forms[i]->Show();
  }
  adapter_test::AdaptFormControls(forms[0].get(), manager.get());
  HWND lists[2] = {};
  for (int i = 0; i < 2; ++i) {
    combos[i]->SetDroppedDown(true);
    lists[i] = combos[i]->ListHandle();
    ASSERT_NE(lists[i], nullptr);
    UpdateWindow(lists[i]);
  }
  ASSERT_NE(GetWndAdapter(lists[0]), nullptr);
  ASSERT_EQ(GetWndAdapter(lists[1]), nullptr);
  auto probe = [&](int i) {
    return std::to_string(SendMessageA(lists[i], LB_GETTOPINDEX, 0, 0)) + " open " +
           std::to_string(SendMessageA(combos[i]->Handle(), CB_GETDROPPEDSTATE, 0, 0));
  };
  // Points in window coordinates of the list: the bar's lower arrow, its track below the
  // thumb, its upper arrow.
  auto clickAt = [&](int i, int fromRight, int fromBottom, bool fromTop) {
    RECT r{};
    GetWindowRect(lists[i], &r);
    POINT p{r.right - fromRight, fromTop ? r.top + fromBottom : r.bottom - fromBottom};
    const POINT screen = p;
    ScreenToClient(lists[i], &p);
    SetCursorPos(screen.x, screen.y);
    PostMessageA(lists[i], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    PostMessageA(lists[i], WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  };
  ASSERT_EQ(probe(0), probe(1));
  struct Click {
    int fromRight, fromBottom;
    bool fromTop;
  } const clicks[] = {{8, 8, false}, {8, 8, false}, {8, 30, false}, {8, 8, true}};
  for (const Click& c : clicks) {
    for (int i = 0; i < 2; ++i) clickAt(i, c.fromRight, c.fromBottom, c.fromTop);
    EXPECT_EQ(probe(0), probe(1)) << c.fromRight << "," << c.fromBottom;
  }
  for (auto* combo : combos) combo->SetDroppedDown(false);
}

}  // namespace

// Standard controls on a form with an active skin manager: each is adapted, paints from the
// skin, and is given back exactly (window procedure, styles, message chain) when the skin goes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/grid_wnd.h"
#include "skin/forms/adapters/list_view_wnd.h"
#include "skin/forms/adapters/tree_view_wnd.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/panel_adapter.h"
#include "skin/forms/adapters/scroll_wnd.h"
#include "skin/forms/adapters/static_adapters.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/grids.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;
using adapter_test::StateOf;
using adapter_test::WindowState;

namespace {

// Printed with the children, so that a panel or group box shows what lies on it.
std::vector<uint32_t> PrintWithChildrenPixels(HWND wnd) {
  return adapter_test::PrintWindowPixels(wnd, PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
}

struct ControlCase {
  const char* name;
  std::function<vcl::TWinControl*(vcl::TForm*)> make;
  std::function<bool(TacMainWnd*)> rightKind;
};

template <class T>
bool IsA(TacMainWnd* adapter) {
  return dynamic_cast<T*>(adapter) != nullptr;
}

template <class C>
C* AdapterControlsPlace(vcl::TForm* form, int w, int h, const char* text) {
  auto* control = new C(form);
  control->SetParent(form);
  control->SetBounds(10, 10, w, h);
  control->SetText(text);
  return control;
}

const ControlCase kAdapterControlsCases[] = {
    {"TButton", [](vcl::TForm* f) { return AdapterControlsPlace<vcl::TButton>(f, 90, 28, "Press"); }, IsA<TacBtnWnd>},
    {"TBitBtn",
     [](vcl::TForm* f) {
       auto* button = AdapterControlsPlace<vcl::TBitBtn>(f, 90, 40, "Glyph");
       vcl::TBitmap glyph;
       glyph.SetPixelFormat(vcl::pf24bit);
       glyph.SetSize(32, 16);
       button->SetGlyph(&glyph);
       button->SetNumGlyphs(2);
       return button;
     },
     IsA<TacBitBtnWnd>},
    {"TCheckBox", [](vcl::TForm* f) { return AdapterControlsPlace<vcl::TCheckBox>(f, 120, 20, "Check"); }, IsA<TacCheckBoxWnd>},
    {"TRadioButton", [](vcl::TForm* f) { return AdapterControlsPlace<vcl::TRadioButton>(f, 120, 20, "Radio"); },
     IsA<TacCheckBoxWnd>},
    {"TGroupBox", [](vcl::TForm* f) { return AdapterControlsPlace<vcl::TGroupBox>(f, 150, 100, "Group"); }, IsA<TacGroupBoxWnd>},
    {"TPanel", [](vcl::TForm* f) { return AdapterControlsPlace<vcl::TPanel>(f, 150, 80, "Panel"); }, IsA<TacPanelWnd>},
    {"TMemo",
     [](vcl::TForm* f) {
       auto* memo = AdapterControlsPlace<vcl::TMemo>(f, 150, 100, "");
       memo->SetScrollBars(vcl::ssVertical);
       return memo;
     },
     IsA<TacEditWnd>},
    {"TListBox",
     [](vcl::TForm* f) {
       auto* list = AdapterControlsPlace<vcl::TListBox>(f, 150, 100, "");
       for (int i = 0; i < 40; ++i) list->Items()->Add("Item " + std::to_string(i));
       return list;
     },
     IsA<TacEditWnd>},
    {"TTreeView",
     [](vcl::TForm* f) {
       auto* tree = AdapterControlsPlace<vcl::TTreeView>(f, 150, 100, "");
       for (int i = 0; i < 20; ++i) tree->AddNode(-1, "Node " + std::to_string(i));
       return tree;
     },
     IsA<TacTreeViewWnd>},
    {"TListView",
     [](vcl::TForm* f) {
       auto* view = AdapterControlsPlace<vcl::TListView>(f, 200, 120, "");
       view->SetViewStyle(vcl::vsReport);
       view->AddColumn("Name", 90);
       for (int i = 0; i < 30; ++i) view->AddItem("Item " + std::to_string(i));
       return view;
     },
     IsA<TacListViewWnd>},
    {"TComboBox",
     [](vcl::TForm* f) {
       auto* combo = AdapterControlsPlace<vcl::TComboBox>(f, 150, 24, "");
       combo->SetStyle(vcl::csDropDownList);
       for (int i = 0; i < 5; ++i) combo->Items()->Add("Choice " + std::to_string(i));
       combo->SetItemIndex(1);
       return combo;
     },
     IsA<TacComboBoxWnd>},
    {"TStringGrid", [](vcl::TForm* f) { return AdapterControlsPlace<vcl::TStringGrid>(f, 200, 120, ""); }, IsA<TacGridWnd>},
};

class AdaptedControls : public adapter_test::SkinAndFormTest, public ::testing::WithParamInterface<ControlCase> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(LoadSkinAndMakeForm(300, 250));
    control = GetParam().make(form.get());
    form->Show();
  }
  void TearDown() override {
    adapter_test::RemoveFormProvider(form.get());
    form.reset();
    manager.reset();
  }

  vcl::TWinControl* control = nullptr;
  TacCtrlAdapter* adapters = nullptr;
};

TEST_P(AdaptedControls, PaintsFromTheSkinAndIsGivenBackWhenTheSkinGoes) {
  HWND wnd = control->Handle();
  const WindowState before = StateOf(control);
  const std::vector<uint32_t> plain = PrintWithChildrenPixels(wnd);

  adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  TacMainWnd* adapter = adapter_test::ItemAdapterOf(adapters, control);
  ASSERT_NE(adapter, nullptr);
  EXPECT_TRUE(GetParam().rightKind(adapter));
  EXPECT_EQ(GetWndAdapter(wnd), adapter);
  EXPECT_TRUE(WndAnswersAlphaCmd(wnd, cmdIsSkinned));
  EXPECT_NE(PrintWithChildrenPixels(wnd), plain) << "the skinned look equals the platform's";

  // The manager's skin removal reaches the form: every window is given back.
  manager->SetActive(false);
  EXPECT_EQ(adapter_test::ItemCount(adapter_test::FormCtrlAdapter(form.get())), 0);
  EXPECT_EQ(GetWndAdapter(wnd), nullptr);
  EXPECT_FALSE(WndAnswersAlphaCmd(wnd, cmdIsSkinned));
  EXPECT_EQ(StateOf(control), before);

  // A skin set again adapts the controls again.
  manager->SetActive(true);
  EXPECT_NE(adapter_test::ItemAdapterOf(adapter_test::FormCtrlAdapter(form.get()), control), nullptr);
  adapter_test::RemoveFormProvider(form.get());
  EXPECT_EQ(StateOf(control), before);
}

INSTANTIATE_TEST_SUITE_P(StandardControls, AdaptedControls, ::testing::ValuesIn(kAdapterControlsCases),
                         [](const ::testing::TestParamInfo<ControlCase>& info) { return info.param.name; });

class AdapterLife : public adapter_test::SkinAndFormTest {
 protected:
  void SetUp() override { LoadSkinAndMakeForm(300, 250); }
};

TEST_F(AdapterLife, ControlsOfTheLibraryAndDestroyedControlsAreHandled) {
  auto* own = AdapterControlsPlace<vcl::TButton>(form.get(), 80, 24, "Own");
  own->SetTag(-98);
  auto* doomed = AdapterControlsPlace<vcl::TButton>(form.get(), 80, 24, "Doomed");
  auto* later = AdapterControlsPlace<vcl::TCheckBox>(form.get(), 80, 24, "Later");
  form->Show();
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  EXPECT_EQ(adapter_test::ItemAdapterOf(adapters, own), nullptr) << "the library's own windows are never adapted";
  ASSERT_NE(adapter_test::ItemAdapterOf(adapters, doomed), nullptr);

  // A control freed while adapted takes its window with it; the adapter only lets go.
  delete doomed;
  SendMessageA(later->Handle(), WM_PAINT, 0, 0);
  TsSkinProvider::FromForm(form.get())->RemoveCtrlAdapter();
  EXPECT_EQ(adapter_test::FormCtrlAdapter(form.get()), nullptr);

  // A control announced to its form is adapted when it comes.
  SendMessageA(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, cmdControlLoaded), LPARAM(static_cast<vcl::TObject*>(later)));
  EXPECT_NE(adapter_test::ItemAdapterOf(adapter_test::FormCtrlAdapter(form.get()), later), nullptr);
}

TEST_F(AdapterLife, BareWindowGetsItsProcedureBackAndUpdateUiStateIsSwallowed) {
  form->Show();
  HWND button = CreateWindowExA(0, "STATIC", "Bare", WS_CHILD | WS_VISIBLE | SS_LEFT, 5, 5, 80, 24,
                                form->Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  const LONG_PTR proc = GetWindowLongPtrA(button, GWLP_WNDPROC);
  TacMainWnd* adapter = MakeAdapter<TacStaticWnd>(true, button, std::string("CHECKBOX"), manager.get(), nullptr);
  EXPECT_NE(GetWindowLongPtrA(button, GWLP_WNDPROC), proc);
  EXPECT_EQ(GetWndAdapter(button), adapter);
  EXPECT_EQ(SendMessageA(button, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0), 0);
  // Another manager's skin removal is not ours: nothing changes.
  TsSkinManager other(nullptr);
  SendMessageA(button, SM_ALPHACMD, MAKEWPARAM(0, cmdSkinRemoved), LPARAM(&other));
  EXPECT_EQ(GetWndAdapter(button), adapter);
  RemoveAdapter(button, true, false, adapter);
  EXPECT_EQ(adapter, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(button, GWLP_WNDPROC), proc);
  EXPECT_EQ(GetPropA(button, AdapterProperty), nullptr);
  DestroyWindow(button);
}

TEST_F(AdapterLife, BitButtonGlyphAndCaptionFollowTheLayout) {
  auto* button = AdapterControlsPlace<vcl::TBitBtn>(form.get(), 100, 60, "Go");
  vcl::TBitmap glyph;
  glyph.SetPixelFormat(vcl::pf24bit);
  glyph.SetSize(40, 20);
  button->SetGlyph(&glyph);
  button->SetNumGlyphs(2);
  form->Show();
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  auto* adapter = dynamic_cast<TacBitBtnWnd*>(adapter_test::ItemAdapterOf(adapters, button));
  ASSERT_NE(adapter, nullptr);
  adapter->ReadGeometry();
  HDC dc = adapter->SkinLink->CacheBitmap->Canvas()->Handle();
  struct {
    vcl::TButtonLayout layout;
  } const layouts[] = {{vcl::blGlyphLeft}, {vcl::blGlyphRight}, {vcl::blGlyphTop}, {vcl::blGlyphBottom}};
  for (const auto& c : layouts) {
    button->SetLayout(c.layout);
    const RECT g = adapter->GlyphRect(dc, 0), pressed = adapter->GlyphRect(dc, 2);
    EXPECT_EQ(g.right - g.left, 20) << "one frame of the strip";
    EXPECT_EQ(g.bottom - g.top, 20);
    EXPECT_EQ(pressed.left, g.left + 1);
    EXPECT_EQ(pressed.top, g.top + 1);
    EXPECT_GE(g.left, 0);
    EXPECT_LE(g.right, 100);
  }
}

TEST(PanelSection, FollowsTheBevels) {
  struct {
    vcl::TBevelCut outer, inner;
    bool single;
    const char* section;
  } const cases[] = {
      {vcl::bvLowered, vcl::bvRaised, false, "GROUPBOX"}, {vcl::bvLowered, vcl::bvNone, false, "PANEL_LOW"},
      {vcl::bvRaised, vcl::bvLowered, false, "GROUPBOX"}, {vcl::bvRaised, vcl::bvNone, false, "PANEL"},
      {vcl::bvNone, vcl::bvNone, true, "PANEL_LOW"},      {vcl::bvNone, vcl::bvNone, false, "CHECKBOX"},
  };
  for (const auto& c : cases) {
    vcl::TPanel panel(nullptr);
    panel.SetBevelOuter(c.outer);
    panel.SetBevelInner(c.inner);
    panel.SetBorderStyle(c.single ? vcl::bsSingle : vcl::bsNone);
    EXPECT_EQ(TacPanelWnd::SectionForPanel(&panel), c.section);
  }
}

TEST_F(AdapterLife, RadioButtonsOfBothStylesGetRadioMasks) {
  form->Show();
  struct {
    LONG style;
    bool radio;
  } const cases[] = {{BS_RADIOBUTTON, true}, {BS_AUTORADIOBUTTON, true}, {BS_CHECKBOX, false},
                     {BS_AUTOCHECKBOX, false}, {BS_AUTO3STATE, false}};
  const int radioMask = manager->FindMaskIndex(manager->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", "RADIOUNCHECKED");
  ASSERT_GE(radioMask, 0);
  for (const auto& c : cases) {
    HWND wnd = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE | c.style, 5, 5, 80, 24, form->Handle(),
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    // The mask choice shows in the glyph painted at the left: compare with the radio mask's look.
    TacMainWnd* adapter = MakeAdapter<TacCheckBoxWnd>(true, wnd, std::string("CHECKBOX"), manager.get(), nullptr);
    auto* box = static_cast<TacCheckBoxWnd*>(adapter);
    EXPECT_EQ(box->GlyphMask(0) == radioMask, c.radio) << "style " << c.style;
    const char* checked = c.radio ? "RADIOCHECKED" : "BOXCHECKED";
    EXPECT_EQ(box->GlyphMask(1), manager->FindMaskIndex(manager->CommonIndexes.GlobalInfoIndex, "GLOBALINFO", checked))
        << "style " << c.style;
    RemoveAdapter(wnd, true, false, adapter);
    DestroyWindow(wnd);
  }
}

}  // namespace

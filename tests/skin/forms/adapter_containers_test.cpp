// Tab and page controls, tool bars and status bars under their adapters: each paints from the
// skin, answers synthetic input exactly as the unskinned control does, and is given back whole
// when the skin goes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/status_bar_adapter.h"
#include "skin/forms/adapters/tab_adapters.h"
#include "skin/forms/adapters/tool_bar_vcl_adapter.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;
using adapter_test::PrintWindowPixels;
using adapter_test::StateOf;
using adapter_test::WindowState;
using provider_test::ProcessMessages;

namespace {

void ClickAt(HWND wnd, POINT p) {
  SendMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  ProcessMessages();
}

POINT TabCentre(HWND wnd, int index) {
  RECT r{};
  SendMessageA(wnd, TCM_GETITEMRECT, WPARAM(index), LPARAM(&r));
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

template <class C>
C* AdapterContainersPlace(vcl::TWinControl* parent, int x, int y, int w, int h) {
  auto* control = new C(parent);
  control->SetParent(parent);
  control->SetBounds(x, y, w, h);
  return control;
}

vcl::TPageControl* MakePages(vcl::TForm* form) {
  auto* pages = AdapterContainersPlace<vcl::TPageControl>(form, 10, 10, 300, 180);
  for (const char* caption : {"First", "Second", "Third"}) {
    auto* sheet = new vcl::TTabSheet(form);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    AdapterContainersPlace<vcl::TButton>(sheet, 10, 10, 80, 24)->SetCaption(caption);
  }
  pages->SetActivePageIndex(0);
  return pages;
}

vcl::TTabControl* MakeTabs(vcl::TForm* form) {
  auto* tabs = AdapterContainersPlace<vcl::TTabControl>(form, 10, 10, 300, 120);
  for (const char* caption : {"One", "Two", "Three"}) tabs->Tabs()->Add(caption);
  tabs->SetTabIndex(0);
  return tabs;
}

vcl::TToolBar* MakeToolBar(vcl::TForm* form) {
  auto* bar = AdapterContainersPlace<vcl::TToolBar>(form, 0, 0, 300, 30);
  bar->SetShowCaptions(true);
  bar->SetButtonWidth(60);
  for (const char* caption : {"Open", "Save", "Print"}) {
    auto* button = new vcl::TToolButton(form);
    button->SetParent(bar);
    button->SetCaption(caption);
  }
  return bar;
}

vcl::TStatusBar* MakeStatusBar(vcl::TForm* form) {
  auto* bar = AdapterContainersPlace<vcl::TStatusBar>(form, 0, 200, 300, 22);
  for (const char* text : {"Ready", "12 %", "RGB"}) {
    vcl::TStatusPanel* panel = bar->Panels()->Add();
    panel->SetText(text);
    panel->SetWidth(90);
  }
  bar->Panels()->Items(1)->SetAlignment(vcl::taCenter);
  return bar;
}

// What the user sees of the control after synthetic input, as text.
using Exercise = std::function<std::string(vcl::TWinControl*)>;

std::string SwitchTabs(vcl::TWinControl* control) {
  auto* tabs = static_cast<vcl::TCustomTabControl*>(control);
  int changes = 0;
  tabs->OnChange = [&changes](vcl::TObject*) { ++changes; };
  std::string seen;
  for (int index : {2, 1, 1, 0}) {
    ClickAt(tabs->Handle(), TabCentre(tabs->Handle(), index));
    seen += std::to_string(tabs->TabIndex());
    if (auto* pages = dynamic_cast<vcl::TPageControl*>(control))
      seen += pages->ActivePage() ? pages->ActivePage()->Caption() : "-";
  }
  tabs->OnChange = nullptr;
  return seen + " changes " + std::to_string(changes);
}

std::string ClickButtons(vcl::TWinControl* control) {
  auto* bar = static_cast<vcl::TToolBar*>(control);
  std::string clicked;
  for (int i = 0; i < bar->ButtonCount(); ++i) {
    vcl::TToolButton* button = bar->Buttons(i);
    button->OnClick = [&clicked, button](vcl::TObject*) { clicked += button->Caption() + ";"; };
  }
  for (int index : {1, 0, 2}) {
    RECT r{};
    SendMessageA(bar->Handle(), TB_GETITEMRECT, WPARAM(index), LPARAM(&r));
    ClickAt(bar->Handle(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  for (int i = 0; i < bar->ButtonCount(); ++i) bar->Buttons(i)->OnClick = nullptr;
  return clicked;
}

std::string ReadPanels(vcl::TWinControl* control) {
  auto* bar = static_cast<vcl::TStatusBar*>(control);
  bar->Panels()->Items(2)->SetText("CMYK");
  std::string seen;
  const int parts = int(SendMessageA(bar->Handle(), SB_GETPARTS, 0, 0));
  for (int i = 0; i < parts; ++i) {
    char text[64] = {};
    SendMessageA(bar->Handle(), SB_GETTEXTA, WPARAM(i), LPARAM(text));
    RECT r{};
    SendMessageA(bar->Handle(), SB_GETRECT, WPARAM(i), LPARAM(&r));
    seen += std::string(text) + "@" + std::to_string(r.left) + "-" + std::to_string(r.right) + ";";
  }
  bar->Panels()->Items(2)->SetText("RGB");
  return seen;
}

struct ContainerCase {
  const char* name;
  std::function<vcl::TWinControl*(vcl::TForm*)> make;
  std::function<bool(TacMainWnd*)> rightKind;
  Exercise exercise;
};

template <class T>
bool IsExactly(TacMainWnd* adapter) {
  return adapter && typeid(*adapter) == typeid(T);
}

const ContainerCase kAdapterContainersCases[] = {
    {"TPageControl", MakePages, IsExactly<TacPageControlWnd>, SwitchTabs},
    {"TTabControl", MakeTabs, IsExactly<TacTabControlWnd>, SwitchTabs},
    {"TToolBar", MakeToolBar, IsExactly<TacToolBarVCLWnd>, ClickButtons},
    {"TStatusBar", MakeStatusBar, IsExactly<TacStatusBarWnd>, ReadPanels},
};

class AdaptedContainers : public adapter_test::SkinAndFormTest, public ::testing::WithParamInterface<ContainerCase> {
 protected:
  void SetUp() override {
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
    ASSERT_NO_FATAL_FAILURE(LoadSkinAndMakeForm(340, 260));
    control = GetParam().make(form.get());
    form->Show();
    ProcessMessages();
  }
  void TearDown() override {
    adapter_test::RemoveFormProvider(form.get());
    form.reset();
    manager.reset();
    vcl::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  vcl::TWinControl* control = nullptr;
  TacCtrlAdapter* adapters = nullptr;
  std::vector<std::string> errors;
};

TEST_P(AdaptedContainers, PaintsFromTheSkinBehavesAsUnskinnedAndIsGivenBack) {
  HWND wnd = control->Handle();
  const WindowState before = StateOf(control);
  const std::string unskinned = GetParam().exercise(control);
  const std::vector<uint32_t> plain = PrintWindowPixels(wnd);

  adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  TacMainWnd* adapter = adapter_test::ItemAdapterOf(adapters, control);
  ASSERT_NE(adapter, nullptr);
  EXPECT_TRUE(GetParam().rightKind(adapter));
  EXPECT_TRUE(WndAnswersAlphaCmd(wnd, cmdIsSkinned));
  EXPECT_NE(PrintWindowPixels(wnd), plain) << "the skinned look equals the platform's";
  EXPECT_EQ(GetParam().exercise(control), unskinned);
  // Painting on the way (as the screen does it) leaves the behaviour alone too.
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_EQ(GetParam().exercise(control), unskinned);

  manager->SetActive(false);
  EXPECT_EQ(adapter_test::ItemCount(adapter_test::FormCtrlAdapter(form.get())), 0);
  EXPECT_EQ(GetWndAdapter(wnd), nullptr);
  EXPECT_FALSE(WndAnswersAlphaCmd(wnd, cmdIsSkinned));
  EXPECT_EQ(StateOf(control), before);
  EXPECT_EQ(PrintWindowPixels(wnd), plain) << "the platform's look is back";
  for (int i = 0; i < control->ControlCount(); ++i)
    if (auto* child = dynamic_cast<vcl::TWinControl*>(control->Controls(i))) {
      EXPECT_FALSE(WndAnswersAlphaCmd(child->Handle(), cmdIsSkinned)) << "a page keeps an adapter";
    }
  if (auto* bar = dynamic_cast<vcl::TToolBar*>(control)) {
    EXPECT_FALSE(bar->OnAdvancedCustomDraw);
    EXPECT_FALSE(bar->OnAdvancedCustomDrawButton);
  }
  EXPECT_EQ(GetParam().exercise(control), unskinned);
}

INSTANTIATE_TEST_SUITE_P(Containers, AdaptedContainers, ::testing::ValuesIn(kAdapterContainersCases),
                         [](const ::testing::TestParamInfo<ContainerCase>& info) { return info.param.name; });

class ContainerAdapters : public adapter_test::SkinAndFormTest {
 protected:
  void SetUp() override { LoadSkinAndMakeForm(340, 260); }
};

TEST_F(ContainerAdapters, ToolBarEventsOfTheApplicationAreKeptAndOnlyOursAreGivenBack) {
  struct {
    bool barSet, buttonSet;
  } const cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    vcl::TToolBar* bar = MakeToolBar(form.get());
    int appCalls = 0;
    if (c.barSet) bar->OnAdvancedCustomDraw = [&](vcl::TToolBar*, const vcl::TRect&, vcl::TCustomDrawStage, bool&) {
      ++appCalls;
    };
    if (c.buttonSet)
      bar->OnAdvancedCustomDrawButton = [&](vcl::TToolBar*, vcl::TToolButton*, vcl::TCustomDrawState,
                                            vcl::TCustomDrawStage, vcl::TTBCustomDrawFlags&, bool&) { ++appCalls; };
    form->Show();
    bar->HandleNeeded();
    TacMainWnd* raw = MakeAdapter<TacToolBarVCLWnd>(true, bar->Handle(), std::string(), manager.get(),
                                                     new TsCommonData(bar, true));
    raw->OwnsSkinLink = true;
    auto* adapter = static_cast<TacToolBarVCLWnd*>(raw);
    EXPECT_EQ(adapter->OwnsBarEvents(), !c.barSet);
    EXPECT_EQ(adapter->OwnsButtonEvents(), !c.buttonSet);
    RemoveAdapter(bar->Handle(), true, false, raw);
    EXPECT_EQ(static_cast<bool>(bar->OnAdvancedCustomDraw), c.barSet);
    EXPECT_EQ(static_cast<bool>(bar->OnAdvancedCustomDrawButton), c.buttonSet);
    // The application's handlers still run after the adapter went.
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(appCalls > 0, c.barSet || c.buttonSet);
    delete bar;
  }
}

TEST_F(ContainerAdapters, ToolBarHotButtonFollowsTheMouseExceptOnDisabledButtonsAndFlatBars) {
  vcl::TToolBar* bar = MakeToolBar(form.get());
  bar->Buttons(2)->SetEnabled(false);
  form->Show();
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  auto* adapter = dynamic_cast<TacToolBarVCLWnd*>(adapter_test::ItemAdapterOf(adapters, bar));
  ASSERT_NE(adapter, nullptr);
  auto centre = [&](int index) {
    RECT r{};
    SendMessageA(bar->Handle(), TB_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  };
  SendMessageA(bar->Handle(), WM_MOUSEMOVE, 0, centre(1));
  EXPECT_EQ(adapter->HotButton, 1);
  SendMessageA(bar->Handle(), WM_MOUSEMOVE, 0, centre(2));
  EXPECT_EQ(adapter->HotButton, 1) << "a disabled button keeps the previous hot one";
  SendMessageA(bar->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(adapter->HotButton, -1);
  bar->SetFlat(true);
  SendMessageA(bar->Handle(), WM_MOUSEMOVE, 0, centre(0));
  EXPECT_EQ(adapter->HotButton, -1) << "a flat bar tracks by itself";
}

TEST_F(ContainerAdapters, StatusPanelTextsAreBoundedByThePanels) {
  vcl::TStatusBar* bar = MakeStatusBar(form.get());
  form->Show();
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  auto* adapter = dynamic_cast<TacStatusBarWnd*>(adapter_test::ItemAdapterOf(adapters, bar));
  ASSERT_NE(adapter, nullptr);
  // Parts set by message outnumber the panels: the extra parts have no text, and paint.
  const int edges[5] = {50, 100, 150, 200, -1};
  SendMessageA(bar->Handle(), SB_SETPARTS, 5, LPARAM(edges));
  struct {
    int index;
    const char* text;
  } const cases[] = {{0, "Ready"}, {2, "RGB"}, {3, ""}, {4, ""}, {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(adapter->GetPanelText(c.index), c.text) << c.index;
  EXPECT_FALSE(PrintWindowPixels(bar->Handle()).empty());
  // Simple mode shows the window text across the bar.
  bar->SetSimpleText("Working");
  bar->SetSimplePanel(true);
  EXPECT_EQ(adapter->GetPanelText(0), "Working");
}

TEST_F(ContainerAdapters, TabGeometryFollowsTheTabPosition) {
  auto* tabs = MakeTabs(form.get());
  form->Show();
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  auto* adapter = dynamic_cast<TacTabControlWnd*>(adapter_test::ItemAdapterOf(adapters, tabs));
  ASSERT_NE(adapter, nullptr);
  struct {
    vcl::TTabPosition position;
    int expected;
    const char* frame;
  } const cases[] = {{vcl::tpTop, tabTop, "PAGECONTROL"},
                     {vcl::tpBottom, tabBottom, "PAGECONTROLBOTTOM"},
                     {vcl::tpLeft, tabLeft, "PAGECONTROLLEFT"},
                     {vcl::tpRight, tabRight, "PAGECONTROLRIGHT"}};
  for (const auto& c : cases) {
    // A new style may bring a new window: the form hears of it and adapts it again.
    tabs->SetTabPosition(c.position);
    ProcessMessages();
    adapter = dynamic_cast<TacTabControlWnd*>(adapter_test::ItemAdapterOf(adapters, tabs));
    ASSERT_NE(adapter, nullptr);
    adapter->ReadGeometry();
    EXPECT_EQ(adapter->TabPosition(), c.expected);
    EXPECT_EQ(adapter->FrameSection(), c.frame);
    // The strip and the frame split the window on the tab side, and the active tab is drawn
    // larger than its item rectangle.
    const RECT strip = adapter->GetTabStripRect(), frame = adapter->GetPageFrameRect();
    RECT both{};
    UnionRect(&both, &strip, &frame);
    EXPECT_EQ(both.right - both.left, adapter->WindowWidth);
    EXPECT_EQ(both.bottom - both.top, adapter->WindowHeight);
    RECT item{};
    SendMessageA(tabs->Handle(), TCM_GETITEMRECT, 0, LPARAM(&item));
    const RECT active = adapter->GetTabRect(0, true);
    EXPECT_GT((active.right - active.left) * (active.bottom - active.top),
              (item.right - item.left) * (item.bottom - item.top));
    EXPECT_FALSE(PrintWindowPixels(tabs->Handle()).empty());
  }
  struct {
    int index;
  } const outside[] = {{-1}, {3}, {100}};
  for (const auto& c : outside) {
    const RECT r = adapter->GetTabRect(c.index, false);
    EXPECT_TRUE(IsRectEmpty(&r)) << c.index;
  }
  // A control without tabs paints its frame section over the whole window.
  tabs->Tabs()->Clear();
  EXPECT_EQ(adapter->FrameSection(), "CHECKBOX");
  const RECT frame = adapter->GetPageFrameRect();
  EXPECT_EQ(frame.right - frame.left, adapter->WindowWidth);
}

TEST_F(ContainerAdapters, PagesGetAdaptersThatGoWithTheirWindows) {
  vcl::TPageControl* pages = MakePages(form.get());
  form->Show();
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  auto* adapter = dynamic_cast<TacPageControlWnd*>(adapter_test::ItemAdapterOf(adapters, pages));
  ASSERT_NE(adapter, nullptr);
  // Pages get their windows when first shown; the page control adapts each as it comes.
  EXPECT_EQ(adapter->PageAdapterCount(), 1);
  for (int i = 0; i < pages->PageCount(); ++i) pages->Pages(i)->HandleNeeded();
  EXPECT_EQ(adapter->PageAdapterCount(), 3);
  for (int i = 0; i < pages->PageCount(); ++i) EXPECT_TRUE(WndAnswersAlphaCmd(pages->Pages(i)->Handle(), cmdIsSkinned));
  // A page freed with its window: its adapter is freed, not kept for the whole run.
  const int live = TacMainWnd::LiveCount();
  delete pages->Pages(2);
  adapter->AdaptPages();
  EXPECT_EQ(adapter->PageAdapterCount(), 2);
  EXPECT_EQ(TacMainWnd::LiveCount(), live - 1);
  // A new page is adapted when the control hears of it.
  auto* sheet = new vcl::TTabSheet(form.get());
  sheet->SetPageControl(pages);
  sheet->HandleNeeded();
  EXPECT_EQ(adapter->PageAdapterCount(), 3);
  // The page answers a child's background request from the page control's image.
  TsBackgroundRequest request;
  RequestWndBackground(request, pages->Pages(0)->Handle(), false);
  EXPECT_NE(request.Kind, bkNone);
}

TEST_F(ContainerAdapters, PlainLabelsShowTheSkinThroughAndGetTheirLookBack) {
  struct {
    const char* name;
    int tag;
    bool vetoed;
    bool adapted;
  } const cases[] = {{"plain", 0, false, true},
                     {"tag 98 is a plain label too", 98, false, true},
                     {"the library's own", -98, false, false},
                     {"vetoed", 0, true, false}};
  for (const auto& c : cases) {
    auto* label = new vcl::TLabel(form.get());
    label->SetParent(form.get());
    label->SetTag(c.tag);
    label->SetTransparent(false);
    label->Font()->SetColor(0x102030);
    form->Show();
    auto* provider = vcl::New<TsSkinProvider>(form.get());
    provider->OnSkinItem = [&](vcl::TComponent* item, bool& canBeAdded, std::string&) {
      if (item == label && c.vetoed) canBeAdded = false;
    };
    adapter_test::AdaptFormControls(form.get(), manager.get());
    EXPECT_EQ(label->Transparent(), c.adapted) << c.name;
    EXPECT_EQ(label->Font()->Color() == manager->GetGlobalFontColor(), c.adapted) << c.name;
    adapter_test::RemoveFormProvider(form.get());
    EXPECT_FALSE(label->Transparent()) << c.name;
    EXPECT_EQ(label->Font()->Color(), 0x102030) << c.name;
    delete label;
  }
  // A label freed while adapted leaves the list; the rest get their look back.
  auto* doomed = new vcl::TLabel(form.get());
  doomed->SetParent(form.get());
  auto* kept = new vcl::TLabel(form.get());
  kept->SetParent(form.get());
  kept->Font()->SetColor(0x405060);
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  EXPECT_EQ(adapters->AdaptedLabelCount(), 2);
  delete doomed;
  EXPECT_EQ(adapters->AdaptedLabelCount(), 1);
  adapter_test::RemoveFormProvider(form.get());
  EXPECT_EQ(kept->Font()->Color(), 0x405060);
}

TEST_F(ContainerAdapters, TabScrollButtonsAreSkinnedWithTheTabsAndGivenBackWithThem) {
  auto* tabs = MakeTabs(form.get());
  for (int i = 0; i < 20; ++i) tabs->Tabs()->Add("More tabs " + std::to_string(i));
  form->Show();
  HWND spin = FindWindowExA(tabs->Handle(), nullptr, UPDOWN_CLASSA, nullptr);
  ASSERT_NE(spin, nullptr) << "a single row of many tabs scrolls";
  TacCtrlAdapter* adapters = adapter_test::AdaptFormControls(form.get(), manager.get());
  auto* adapter = dynamic_cast<TacTabControlWnd*>(adapter_test::ItemAdapterOf(adapters, tabs));
  ASSERT_NE(adapter, nullptr);
  // Painting finds the scroll buttons.
  auto surface = provider_test::NewSurface(300, 120);
  SendMessageA(tabs->Handle(), WM_PRINT, WPARAM(surface->Canvas()->Handle()), PRF_CLIENT);
  ASSERT_NE(adapter->UpDownAdapter(), nullptr);
  EXPECT_EQ(adapter->UpDownAdapter()->Wnd, spin);
  EXPECT_TRUE(WndAnswersAlphaCmd(spin, cmdIsSkinned));
  // The buttons still scroll the tabs.
  const int before = int(SendMessageA(spin, UDM_GETPOS32, 0, 0));
  SendMessageA(tabs->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), LPARAM(spin));
  EXPECT_NE(int(SendMessageA(spin, UDM_GETPOS32, 0, 0)), before);
  adapter_test::RemoveFormProvider(form.get());
  EXPECT_FALSE(WndAnswersAlphaCmd(spin, cmdIsSkinned));
}

}  // namespace

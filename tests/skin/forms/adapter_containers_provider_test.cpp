// The skinned form's provider adapts the form's controls: the existing ones when the skin
// reaches the form, new ones as their windows are made, and gives them all back when the skin
// goes; controls created, destroyed and re-parented across skin changes leave nothing behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/adapters/main_wnd.h"
#include "skin/forms/adapters/mdi_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/skin/forms/provider_fixture.h"
#include "vcl/controls/application.h"
#include "vcl/stdctrls/comctrls.h"
#include "vcl/stdctrls/extctrls.h"
#include "vcl/stdctrls/stdctrls.h"

using namespace skin;
using provider_test::ProcessMessages;

namespace {

// Forms with a provider, skinned by a manager of their own made the default one for the test.
class ContainerProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
    previousDefault = DefaultManager;
    owned = adapter_test::LoadInternalSkin();
    manager = owned.get();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    manager->SetIsDefault(true);
  }
  void TearDown() override {
    forms.clear();
    ProcessMessages();
    owned.reset();
    if (previousDefault && previousDefault != DefaultManager) previousDefault->SetIsDefault(true);
    vcl::Application->OnException = nullptr;
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
  vcl::TForm* NewSkinnedForm(int width, int height) {
    auto* form = vcl::NewForm<vcl::TForm>(nullptr);
    forms.emplace_back(form);
    form->SetBounds(40, 30, width, height);
    vcl::New<TsSkinProvider>(form);
    form->HandleNeeded();
    return form;
  }
  void ShowForm(vcl::TForm* form) {
    form->Show();
    ProcessMessages();
    UpdateWindow(form->Handle());
    ProcessMessages();
  }

  std::unique_ptr<TsSkinManager> owned;
  TsSkinManager* manager = nullptr;
  TsSkinManager* previousDefault = nullptr;
  std::vector<std::unique_ptr<vcl::TForm>> forms;
  std::vector<std::string> errors;
};

bool Skinned(vcl::TWinControl* control) {
  return control->HandleAllocated() && WndAnswersAlphaCmd(control->WindowHandle(), cmdIsSkinned);
}

// A control of one of the adapted kinds, by turn.
vcl::TWinControl* NewControl(vcl::TForm* form, vcl::TWinControl* parent, int turn) {
  vcl::TWinControl* control = nullptr;
  switch (turn % 5) {
    case 0: {
      auto* pages = new vcl::TPageControl(form);
      pages->SetParent(parent);
      for (const char* caption : {"A", "B"}) {
        auto* sheet = new vcl::TTabSheet(form);
        sheet->SetPageControl(pages);
        sheet->SetCaption(caption);
      }
      control = pages;
      break;
    }
    case 1: {
      auto* bar = new vcl::TToolBar(form);
      bar->SetParent(parent);
      auto* button = new vcl::TToolButton(form);
      button->SetParent(bar);
      control = bar;
      break;
    }
    case 2: {
      auto* bar = new vcl::TStatusBar(form);
      bar->SetParent(parent);
      bar->Panels()->Add()->SetText("Ready");
      control = bar;
      break;
    }
    case 3: {
      auto* tabs = new vcl::TTabControl(form);
      tabs->SetParent(parent);
      tabs->Tabs()->Add("Tab");
      control = tabs;
      break;
    }
    default:
      control = new vcl::TButton(form);
      control->SetParent(parent);
      break;
  }
  control->SetBounds(4 + 10 * (turn % 4), 4 + 10 * (turn % 3), 160, 60);
  return control;
}

enum Step { Create, Destroy, Reparent, SkinOff, SkinOn };

struct StressCase {
  const char* name;
  std::vector<Step> steps;
};

const StressCase kStress[] = {
    {"CreatedThenSkinChangesTwice", {Create, Create, SkinOff, SkinOn, SkinOff, SkinOn}},
    {"DestroyedWhileTheSkinIsOff", {Create, Create, SkinOff, Destroy, SkinOn, Create, SkinOff, SkinOn}},
    {"ReparentedBetweenChanges", {Create, Create, Reparent, SkinOff, Reparent, SkinOn, Destroy, SkinOff, SkinOn}},
    {"Churn",
     {Create, Create, Create, Destroy, SkinOff, Create, Reparent, SkinOn, Destroy, Reparent, Create, SkinOff, SkinOn,
      Destroy}},
};

class ProviderAdaptsControls : public ContainerProviderTest, public ::testing::WithParamInterface<StressCase> {};

TEST_P(ProviderAdaptsControls, LeavesNoAdapterAndNoHandlerBehind) {
  const int baseline = TacMainWnd::LiveCount();
  vcl::TForm* form = NewSkinnedForm(520, 400);
  auto* panel = new vcl::TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(250, 10, 250, 300);
  ShowForm(form);
  TsSkinProvider* provider = TsSkinProvider::FromForm(form);
  ASSERT_NE(provider, nullptr);
  ASSERT_NE(provider->CtrlAdapter(), nullptr) << "the provider adapts the form's controls";
  EXPECT_TRUE(Skinned(panel));

  std::vector<vcl::TWinControl*> controls;
  std::vector<vcl::TToolBar*> bars;
  bool active = true;
  int turn = 0;
  for (Step step : GetParam().steps) {
    switch (step) {
      case Create:
        controls.push_back(NewControl(form, turn % 2 ? static_cast<vcl::TWinControl*>(panel) : form, turn));
        ++turn;
        break;
      case Destroy:
        delete controls.back();
        controls.pop_back();
        break;
      case Reparent:
        controls.front()->SetParent(controls.front()->Parent() == panel ? static_cast<vcl::TWinControl*>(form) : panel);
        break;
      case SkinOff:
        manager->SetActive(false);
        active = false;
        break;
      case SkinOn:
        manager->SetActive(true);
        active = true;
        break;
    }
    ProcessMessages();
    for (vcl::TWinControl* control : controls) {
      ASSERT_TRUE(control->HandleAllocated());
      EXPECT_EQ(Skinned(control), active) << control->ClassName() << " after step " << int(step);
      if (auto* bar = dynamic_cast<vcl::TToolBar*>(control)) {
        EXPECT_EQ(static_cast<bool>(bar->OnAdvancedCustomDraw), active) << "the bar's events follow the skin";
        EXPECT_EQ(static_cast<bool>(bar->OnAdvancedCustomDrawButton), active);
      }
    }
    if (!active) { EXPECT_EQ(TacMainWnd::LiveCount(), baseline) << "an adapter stayed after the skin went"; }
  }
  ASSERT_TRUE(active);
  forms.clear();
  ProcessMessages();
  EXPECT_EQ(TacMainWnd::LiveCount(), baseline) << "an adapter outlived its form";
}

INSTANTIATE_TEST_SUITE_P(Stress, ProviderAdaptsControls, ::testing::ValuesIn(kStress),
                         [](const ::testing::TestParamInfo<StressCase>& info) { return info.param.name; });

TEST_F(ContainerProviderTest, ControlAdapterHonoursTheLibraryMarkerTheVetoAndTheClassLists) {
  vcl::TForm* form = NewSkinnedForm(400, 300);
  auto* own = new vcl::TStatusBar(form);
  own->SetParent(form);
  own->SetTag(-98);
  auto* vetoed = new vcl::TToolBar(form);
  vetoed->SetParent(form);
  auto* listed = new vcl::TPanel(form);
  listed->SetParent(form);
  TsSkinProvider* provider = TsSkinProvider::FromForm(form);
  ASSERT_NE(provider, nullptr);
  std::string sectionAsked = "unset";
  provider->OnSkinItem = [&](vcl::TComponent* item, bool& canBeAdded, std::string& section) {
    if (item == vetoed) canBeAdded = false;
    if (item == listed) {
      sectionAsked = section;
      section = "GROUPBOX";
    }
  };
  ShowForm(form);
  EXPECT_FALSE(Skinned(own)) << "the library's own windows are left alone";
  EXPECT_FALSE(Skinned(vetoed)) << "the application said no";
  EXPECT_FALSE(static_cast<bool>(vetoed->OnAdvancedCustomDraw));
  EXPECT_TRUE(Skinned(listed));
  EXPECT_EQ(sectionAsked, "");

  // Without the rule for other controls the provider adapts nothing.
  provider->OnSkinItem = nullptr;
  manager->SetActive(false);
  ProcessMessages();
  const TacSkinningRules rules = manager->SkinningRules();
  manager->SetSkinningRules(rules & ~(1u << srThirdParty));
  vcl::TForm* plain = NewSkinnedForm(300, 200);
  auto* button = new vcl::TButton(plain);
  button->SetParent(plain);
  manager->SetActive(true);
  ShowForm(plain);
  EXPECT_EQ(TsSkinProvider::FromForm(plain)->CtrlAdapter(), nullptr);
  EXPECT_FALSE(Skinned(button));
  manager->SetSkinningRules(rules);
}

}  // namespace

namespace {

LRESULT CALLBACK MdiChildProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefMDIChildProcA(wnd, msg, wParam, lParam);
}

// Activation, next-child, tiling and cascading of the client's children, as text.
std::string ExerciseMdi(HWND client, const std::vector<HWND>& children) {
  std::string seen;
  auto active = [&] {
    HWND wnd = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
    for (size_t i = 0; i < children.size(); ++i)
      if (children[i] == wnd) return std::to_string(i);
    return std::string("-");
  };
  auto places = [&] {
    std::string text;
    for (HWND child : children) {
      RECT r{};
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
      text += std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
              std::to_string(r.bottom) + ";";
    }
    return text;
  };
  // The same order to start from each time: the last activated on top.
  for (size_t i = children.size(); i-- > 0;) SendMessageA(client, WM_MDIACTIVATE, WPARAM(children[i]), 0);
  seen += "active " + active();
  SendMessageA(client, WM_MDINEXT, WPARAM(children[0]), 0);
  seen += " next " + active();
  SendMessageA(client, WM_MDITILE, MDITILE_VERTICAL, 0);
  ProcessMessages();
  seen += " tiled " + places();
  SendMessageA(client, WM_MDICASCADE, 0, 0);
  ProcessMessages();
  seen += " cascaded " + places();
  return seen;
}

TEST_F(ContainerProviderTest, MdiClientPaintsFromTheFormAndBehavesAsUnskinned) {
  const int baseline = TacMainWnd::LiveCount();
  vcl::TForm* form = NewSkinnedForm(560, 420);
  ShowForm(form);
  TsSkinProvider* provider = TsSkinProvider::FromForm(form);
  ASSERT_NE(provider, nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = MdiChildProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MergeonTestMdiChild";
  wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
  RegisterClassA(&wc);
  CLIENTCREATESTRUCT create{nullptr, 0xFF00};
  HWND client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 10, 10, 420, 320,
                                form->Handle(), nullptr, GetModuleHandleA(nullptr), &create);
  ASSERT_NE(client, nullptr);
  std::vector<HWND> children;
  for (const char* title : {"One", "Two", "Three"}) {
    MDICREATESTRUCTA child{"MergeonTestMdiChild", title, GetModuleHandleA(nullptr), CW_USEDEFAULT, CW_USEDEFAULT, 160,
                           120, WS_VISIBLE, 0};
    children.push_back(reinterpret_cast<HWND>(SendMessageA(client, WM_MDICREATE, 0, LPARAM(&child))));
    ASSERT_NE(children.back(), nullptr);
  }
  const LONG_PTR proc = GetWindowLongPtrA(client, GWLP_WNDPROC);
  const std::string unskinned = ExerciseMdi(client, children);

  TacMainWnd* raw = MakeAdapter<TacMDIWnd>(true, client, std::string(), manager, nullptr);
  auto* adapter = static_cast<TacMDIWnd*>(raw);
  adapter->SetProvider(provider);
  EXPECT_TRUE(raw->OwnsSkinLink) << "the adapter owns its placeholder link, and only it";
  EXPECT_EQ(ExerciseMdi(client, children), unskinned);

  // The background is the provider's frame image at the client's place, inside the client edge.
  RECT inner{};
  GetClientRect(client, &inner);
  auto surface = provider_test::NewSurface(inner.right, inner.bottom);
  adapter->PaintClientBg(surface->Canvas()->Handle(), false);
  vcl::TBitmap* cache = provider->SkinData()->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  const RECT place = adapter->ClientRectInCache();
  for (POINT p : {POINT{3, 3}, POINT{inner.right / 2, inner.bottom - 4}}) {
    auto image = provider_test::NewSurface(1, 1);
    BitBlt(image->Canvas()->Handle(), 0, 0, 1, 1, cache->Canvas()->Handle(), place.left + 2 + p.x, place.top + 2 + p.y,
           SRCCOPY);
    EXPECT_EQ(provider_test::PixelAt(surface.get(), p.x, p.y), provider_test::PixelAt(image.get(), 0, 0));
  }

  // Under a maximised child the client paints nothing of its own.
  SendMessageA(client, WM_MDIMAXIMIZE, WPARAM(children[1]), 0);
  auto marked = provider_test::NewSurface(inner.right, inner.bottom);
  PatBlt(marked->Canvas()->Handle(), 0, 0, inner.right, inner.bottom, WHITENESS);
  EXPECT_EQ(SendMessageA(client, WM_ERASEBKGND, WPARAM(marked->Canvas()->Handle()), 0), 1);
  EXPECT_EQ(provider_test::PixelAt(marked.get(), 3, 3), 0xFFFFFFu);
  SendMessageA(client, WM_MDIRESTORE, WPARAM(children[1]), 0);

  RemoveAdapter(client, true, false, raw);
  EXPECT_EQ(GetWindowLongPtrA(client, GWLP_WNDPROC), proc);
  EXPECT_EQ(TacMainWnd::LiveCount(), baseline + (provider->CtrlAdapter() ? provider->CtrlAdapter()->Count() : 0));
  EXPECT_EQ(ExerciseMdi(client, children), unskinned);
  DestroyWindow(client);
}

}  // namespace

namespace {

// A skinned form with a tool bar, a page control and a status bar left on the screen for a
// while, for a screenshot; skipped unless MERGEON_SHOWCASE_SECONDS says how long to show it.
TEST_F(ContainerProviderTest, Showcase) {
  const char* seconds = std::getenv("MERGEON_SHOWCASE_SECONDS");
  if (!seconds) GTEST_SKIP() << "set MERGEON_SHOWCASE_SECONDS to show the form";
  vcl::TForm* form = NewSkinnedForm(560, 400);
  form->SetCaption("Mergeon - pages, tool bar and status bar");
  auto* bar = new vcl::TToolBar(form);
  bar->SetParent(form);
  bar->SetAlign(vcl::alTop);
  bar->SetShowCaptions(true);
  bar->SetButtonWidth(64);
  bar->SetButtonHeight(26);
  for (const char* caption : {"Open", "Save", "Print", "Merge"}) {
    auto* button = new vcl::TToolButton(form);
    button->SetParent(bar);
    button->SetCaption(caption);
  }
  bar->Buttons(1)->SetDown(true);
  auto* status = new vcl::TStatusBar(form);
  status->SetParent(form);
  status->SetAlign(vcl::alBottom);
  for (const char* text : {"Ready", "640 x 480", "RGB 24 bits"}) {
    vcl::TStatusPanel* panel = status->Panels()->Add();
    panel->SetText(text);
    panel->SetWidth(150);
  }
  auto* pages = new vcl::TPageControl(form);
  pages->SetParent(form);
  pages->SetBounds(12, 44, 520, 280);
  for (const char* caption : {"Layers", "Channels", "History"}) {
    auto* sheet = new vcl::TTabSheet(form);
    sheet->SetPageControl(pages);
    sheet->SetCaption(caption);
    auto* button = new vcl::TButton(form);
    button->SetParent(sheet);
    button->SetBounds(16, 16, 100, 28);
    button->SetCaption(std::string("New ") + caption);
    auto* check = new vcl::TCheckBox(form);
    check->SetParent(sheet);
    check->SetBounds(16, 56, 160, 22);
    check->SetCaption("Visible");
  }
  pages->SetActivePageIndex(0);
  ShowForm(form);
  SetForegroundWindow(form->Handle());
  provider_test::KeepOnScreen(seconds);
}

}  // namespace

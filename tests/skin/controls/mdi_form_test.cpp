// A skinned MDI form: its provider's link puts the client adapter on the MDI client while the
// skin is active and takes it off when the skin goes or the form does, a maximised skinned child
// shows its minimise, restore and close buttons at the right of the MDI form's menu line, and
// those buttons act on the child. The screen suite shows tiled, cascaded and maximised children.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/controls/mdi_form.h"
#include "skin/controls/register_controls.h"
#include "skin/forms/adapters/mdi_wnd.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"

using namespace skin;

namespace {

class SkinnedMdiForm : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSkinnedControls();
    vcl::Application->OnException = [this](vcl::TObject*, vcl::Exception* e) { errors.push_back(e->Message()); };
    baseline = TacMainWnd::LiveCount();
    manager = controls_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active);
    parent.reset(new vcl::TForm(nullptr));
    parent->SetBounds(30, 30, 640, 480);
    parent->SetCaption("Mergeon MDI");
    parent->SetFormStyle(vcl::fsMDIForm);
    auto* menu = new vcl::TMainMenu(parent.get());
    for (const char* caption : {"&File", "&Window"}) {
      auto* item = new vcl::TMenuItem(menu);
      item->SetCaption(caption);
      menu->Items()->Add(item);
      auto* sub = new vcl::TMenuItem(menu);
      sub->SetCaption("&Tile");
      item->Add(sub);
    }
    parent->SetMenu(menu);
    parent->SetWindowMenu(menu->Items()->Items(1));
    provider = new TsSkinProvider(parent.get());
    provider->SkinData()->SetSkinManager(manager.get());
    parent->Show();
    controls_test::Pump();
  }
  void TearDown() override {
    children.clear();
    parent.reset();
    manager.reset();
    controls_test::Pump();
    vcl::Application->OnException = nullptr;
  }

  vcl::TForm* AddChild(const std::string& caption, int left, int top) {
    auto child = std::make_unique<vcl::TForm>(nullptr);
    child->SetCaption(caption);
    auto* childProvider = new TsSkinProvider(child.get());
    childProvider->SkinData()->SetSkinManager(manager.get());
    child->SetFormStyle(vcl::fsMDIChild);
    child->SetBounds(left, top, 240, 170);
    controls_test::Pump();
    children.push_back(std::move(child));
    return children.back().get();
  }

  TacMDIWnd* ClientAdapter() {
    return dynamic_cast<TacMDIWnd*>(GetWndAdapter(parent->ClientHandle()));
  }

  int baseline = 0;
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> parent;
  TsSkinProvider* provider = nullptr;
  std::vector<std::unique_ptr<vcl::TForm>> children;
  std::vector<std::string> errors;
};

TEST_F(SkinnedMdiForm, LinkSkinsTheClientWhileTheSkinIsActive) {
  ASSERT_NE(provider->MdiLink(), nullptr);
  EXPECT_EQ(MdiFormProvider, provider);
  TacMDIWnd* adapter = ClientAdapter();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(provider->MdiLink()->ClientAdapter(), adapter);
  EXPECT_EQ(adapter->Provider(), provider);
  EXPECT_TRUE(adapter->OwnsSkinLink);
  // Connecting again keeps the adapter there is.
  provider->MdiLink()->ConnectToClient();
  EXPECT_EQ(ClientAdapter(), adapter);

  manager->SetActive(false);
  controls_test::Pump();
  EXPECT_EQ(provider->MdiLink(), nullptr);
  EXPECT_EQ(ClientAdapter(), nullptr);
  manager->SetActive(true);
  controls_test::Pump();
  ASSERT_NE(provider->MdiLink(), nullptr);
  EXPECT_NE(ClientAdapter(), nullptr);

  // The form goes with its link and the link's adapter: nothing of them stays alive.
  parent.reset();
  EXPECT_EQ(MdiFormProvider, nullptr);
  EXPECT_EQ(TacMainWnd::LiveCount(), baseline);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, LinkOfAnUnskinnedProviderLeavesTheClientAlone) {
  auto plain = std::make_unique<vcl::TForm>(nullptr);
  plain->SetFormStyle(vcl::fsMDIForm);
  auto* unskinned = new TsSkinProvider(plain.get());
  // A section the skin does not have: the provider's link is not skinned.
  unskinned->SkinData()->SetSkinSection("NO SUCH SECTION");
  unskinned->SkinData()->ResolveSkinIndexes();
  ASSERT_FALSE(unskinned->SkinData()->IsSkinned(false));
  plain->HandleNeeded();
  TsMDIForm link(unskinned);
  EXPECT_EQ(link.Form(), plain.get());
  link.ConnectToClient();
  EXPECT_EQ(link.ClientAdapter(), nullptr);
  EXPECT_EQ(GetWndAdapter(plain->ClientHandle()), nullptr);
}

TEST_F(SkinnedMdiForm, MaximisedChildShowsItsButtonsInTheMenuLineAndTheyActOnIt) {
  vcl::TForm* a = AddChild("Alpha", 10, 10);
  vcl::TForm* b = AddChild("Beta", 60, 50);
  EXPECT_FALSE(provider->ChildButtonsShown());
  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  ASSERT_TRUE(provider->ChildButtonsShown());
  provider->LayoutTitleButtons();
  // Minimise, restore and close side by side at the right end of the menu line.
  const vcl::TRect shadow = provider->GetShadowMargins();
  const int w = provider->MdiButtonWidth();
  const int right = provider->FrameImageWidth() - provider->WndBorderWidth(true) - shadow.right;
  struct Case {
    TitleButtonData* button;
    int32_t code;
    int left;
  } cases[] = {{&provider->ChildClose, 101, right - w - 1},
               {&provider->ChildRestore, 102, right - 2 * w - 2},
               {&provider->ChildMinimize, 103, right - 3 * w - 3}};
  RECT window{};
  GetWindowRect(parent->Handle(), &window);
  for (const Case& c : cases) {
    EXPECT_EQ(c.button->Rect.left, c.left) << c.code;
    EXPECT_EQ(c.button->Rect.right - c.button->Rect.left, w) << c.code;
    EXPECT_GE(c.button->Rect.top, provider->WndSysBorderWidth(true) + provider->CaptionHeight(true)) << c.code;
    const vcl::TPoint centre{window.left + (c.button->Rect.left + c.button->Rect.right) / 2 - shadow.left,
                             window.top + (c.button->Rect.top + c.button->Rect.bottom) / 2 - shadow.top};
    EXPECT_EQ(provider->HitTest(centre), c.code);
  }
  // Left of the buttons the menu line is the menu.
  EXPECT_EQ(provider->HitTest({window.left + 40, window.top + provider->ChildClose.Rect.top + 2}), HTMENU);

  // Restore through its button: the child is normal again and the buttons go.
  auto click = [&](TitleButtonData& button, int32_t code) {
    const LPARAM at = MAKELPARAM(window.left + (button.Rect.left + button.Rect.right) / 2 - shadow.left,
                                 window.top + (button.Rect.top + button.Rect.bottom) / 2 - shadow.top);
    SendMessageA(parent->Handle(), WM_NCLBUTTONDOWN, WPARAM(code), at);
    SendMessageA(parent->Handle(), WM_NCLBUTTONUP, WPARAM(code), at);
    controls_test::Pump();
  };
  click(provider->ChildRestore, 102);
  EXPECT_FALSE(IsZoomed(b->Handle()));
  EXPECT_FALSE(provider->ChildButtonsShown());

  // Close through its button: the child hears SC_CLOSE and frees itself.
  bool closed = false;
  b->OnClose = [&](vcl::TObject*, vcl::TCloseAction& action) {
    closed = true;
    action = vcl::caNone;
  };
  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  provider->LayoutTitleButtons();
  click(provider->ChildClose, 101);
  EXPECT_TRUE(closed);
  EXPECT_EQ(parent->ActiveMDIChild(), b);
  (void)a;
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, TilingKeepsThePlatformSystemMenuBoxOffTheActiveChild) {
  AddChild("Alpha", 10, 10);
  vcl::TForm* b = AddChild("Beta", 60, 50);
  SetWindowLongPtrA(b->Handle(), GWL_STYLE, GetWindowLongPtrA(b->Handle(), GWL_STYLE) | WS_SYSMENU);
  parent->Tile();
  EXPECT_EQ(GetWindowLongPtrA(b->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  parent->Cascade();
  EXPECT_EQ(GetWindowLongPtrA(b->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  EXPECT_TRUE(errors.empty());
}

// ---- On the screen ----

class ScreenMdiForm : public SkinnedMdiForm {
 protected:
  void SetUp() override {
    if (!screen_test::OnScreen()) GTEST_SKIP() << "needs the X11 driver (tools/x11-test)";
    SkinnedMdiForm::SetUp();
  }
};

// The share of a child's title bar painted in the platform's own caption colours.
double PlatformCaptionShare(const screen_test::Capture& shot, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  const RECT title{r.left + 8, r.top + 4, r.right - 8, r.top + GetSystemMetrics(SM_CYCAPTION)};
  return shot.ShareOf(screen_test::Rgb(GetSysColor(COLOR_ACTIVECAPTION)), title) +
         shot.ShareOf(screen_test::Rgb(GetSysColor(COLOR_INACTIVECAPTION)), title);
}

TEST_F(ScreenMdiForm, ChildrenAreSkinnedWhenTiledCascadedAndMaximised) {
  vcl::TForm* a = AddChild("Alpha", 10, 10);
  vcl::TForm* b = AddChild("Beta", 80, 60);
  SetForegroundWindow(parent->Handle());
  screen_test::Pump(300);
  struct Step {
    const char* name;
    std::function<void()> arrange;
  } steps[] = {{"mdi-tiled", [&] { parent->Tile(); }},
               {"mdi-cascaded", [&] { parent->Cascade(); }}};
  for (const Step& step : steps) {
    step.arrange();
    screen_test::Pump(400);
    screen_test::Capture shot = screen_test::CaptureWindow(parent->Handle());
    screen_test::SaveCapture(shot, step.name);
    for (vcl::TForm* child : {a, b}) EXPECT_LT(PlatformCaptionShare(shot, child->Handle()), 0.05) << step.name;
  }

  // The menu line's right end before and after the child is maximised.
  provider->LayoutTitleButtons();
  RECT window{};
  GetWindowRect(parent->Handle(), &window);
  screen_test::Capture normal = screen_test::CaptureWindow(parent->Handle());
  b->SetWindowState(vcl::wsMaximized);
  screen_test::Pump(400);
  ASSERT_TRUE(provider->ChildButtonsShown());
  provider->LayoutTitleButtons();
  screen_test::Capture maximised = screen_test::CaptureWindow(parent->Handle());
  screen_test::SaveCapture(maximised, "mdi-maximised");
  const vcl::TRect shadow = provider->GetShadowMargins();
  // Each button's glyph appears where the menu line was plain (a minimise glyph is a short bar).
  int changedAll = 0, area = 0;
  for (TitleButtonData* button : {&provider->ChildMinimize, &provider->ChildRestore, &provider->ChildClose}) {
    RECT r = button->Rect;
    OffsetRect(&r, window.left - shadow.left, window.top - shadow.top);
    int changed = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) changed += normal.At(x, y) != maximised.At(x, y);
    EXPECT_GE(changed, 6) << button->HitCode;
    EXPECT_GT(maximised.ColourCount(r), 1) << button->HitCode;
    changedAll += changed;
    area += (r.right - r.left) * (r.bottom - r.top);
  }
  EXPECT_GT(changedAll, area / 10);

  b->SetWindowState(vcl::wsNormal);
  screen_test::Pump(400);
  screen_test::Capture restored = screen_test::CaptureWindow(parent->Handle());
  screen_test::SaveCapture(restored, "mdi-restored");
  EXPECT_FALSE(provider->ChildButtonsShown());
  EXPECT_LT(PlatformCaptionShare(restored, b->Handle()), 0.05);
  EXPECT_TRUE(errors.empty());
}

}  // namespace

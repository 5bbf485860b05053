// A skinned MDI form: its provider's link puts the client adapter on the MDI client while the
// skin is active and takes it off when the skin goes or the form does, a maximised skinned child
// shows its minimise, restore and close buttons at the right of the MDI form's menu line, and
// those buttons act on the child. The screen suite shows tiled, cascaded and maximised children.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/controls/mdi_form.h"
#include "skin/controls/register_controls.h"
#include "skin/controls/splitter.h"
#include "skin/engine/skin_painting.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/mdi_wnd.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/controls/skinned_form_fixture.h"
#include "tests/support/screen_capture.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/colours.h"
#include "vcl/stdctrls/extctrls.h"

using namespace skin;

namespace {

// Gives the child a menu of one "&Edit" item in group 1, to be merged into the MDI form's line;
// returns the item.
vcl::TMenuItem* GiveEditMenu(vcl::TForm* child) {
  auto* menu = new vcl::TMainMenu(child);
  auto* edit = new vcl::TMenuItem(menu);
  edit->SetCaption("&Edit");
  edit->SetGroupIndex(1);
  menu->Items()->Add(edit);
  child->SetMenu(menu);
  return edit;
}

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
    provider = vcl::New<TsSkinProvider>(parent.get());
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
    auto* childProvider = vcl::New<TsSkinProvider>(child.get());
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
  auto* unskinned = vcl::New<TsSkinProvider>(plain.get());
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

// Counts the messages of one kind a form receives.
struct MessageCounter {
  MessageCounter(vcl::TCustomForm* form, UINT msg)
      : link(form->WindowProc.Install([this, msg](vcl::TMessage& m, const vcl::TWindowProcNext& next) {
          if (m.Msg == msg) ++count;
          next(m);
        })) {}
  int count = 0;
  vcl::TWindowProcLink link;
};

TEST_F(SkinnedMdiForm, ChildSystemCommandsEndWithTheMdiFormPaintingAgain) {
  AddChild("Alpha", 10, 10);
  vcl::TForm* b = AddChild("Beta", 60, 50);
  b->OnClose = [](vcl::TObject*, vcl::TCloseAction& action) { action = vcl::caNone; };
  TsSkinProvider* childProvider = TsSkinProvider::FromForm(b);
  ASSERT_NE(childProvider, nullptr);
  struct Case {
    const char* name;
    UINT before;  // the command that makes the state the case starts from (0: normal)
    UINT command;
    bool zoomed, iconic;
  } const cases[] = {
      {"maximise", 0, SC_MAXIMIZE, true, false},
      {"restore", SC_MAXIMIZE, SC_RESTORE, false, false},
      {"minimise", SC_MAXIMIZE, SC_MINIMIZE, false, true},
      {"restore an icon", SC_MINIMIZE, SC_RESTORE, false, false},
      {"close", SC_MAXIMIZE, SC_CLOSE, true, false},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 3 && (IsZoomed(b->Handle()) || IsIconic(b->Handle())); ++i)
      SendMessageA(b->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_FALSE(IsZoomed(b->Handle()) || IsIconic(b->Handle())) << c.name;
    if (c.before) SendMessageA(b->Handle(), WM_SYSCOMMAND, c.before, 0);
    controls_test::Pump();
    MessageCounter frames(parent.get(), WM_NCPAINT);
    SendMessageA(b->Handle(), WM_SYSCOMMAND, c.command, 0);
    controls_test::Pump();
    EXPECT_EQ(IsZoomed(b->Handle()) != 0, c.zoomed) << c.name;
    EXPECT_EQ(IsIconic(b->Handle()) != 0, c.iconic) << c.name;
    EXPECT_EQ(provider->ChildButtonsShown(), c.zoomed) << c.name;
    // Neither form is left holding its painting, and the MDI form's frame was painted anew.
    EXPECT_EQ(provider->SkinData()->PaintFlags & pfUpdateAnnounced, 0) << c.name;
    EXPECT_EQ(childProvider->SkinData()->PaintFlags & pfUpdateAnnounced, 0) << c.name;
    EXPECT_EQ(provider->RedrawLockCount, 0) << c.name;
    EXPECT_EQ(childProvider->RedrawLockCount, 0) << c.name;
    EXPECT_TRUE(GetWindowLongA(parent->Handle(), GWL_STYLE) & WS_VISIBLE) << c.name;
    EXPECT_TRUE(IsWindowVisible(b->Handle())) << c.name;
    EXPECT_FALSE(provider->ChildMenuLoop) << c.name;
    EXPECT_GT(frames.count, 0) << c.name;
    // A restored child draws its own frame: the platform's system menu box stays off.
    if (c.command == SC_RESTORE) {
      EXPECT_EQ(GetWindowLongPtrA(b->Handle(), GWL_STYLE) & WS_SYSMENU, 0) << c.name;
    }
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, ChildMadeOverAMaximisedOneTakesItsPlaceWithTheButtons) {
  vcl::TForm* a = AddChild("Alpha", 10, 10);
  a->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  vcl::TForm* b = AddChild("Beta", 60, 50);
  b->Show();
  controls_test::Pump();
  EXPECT_FALSE(ChildOverMaximized);
  EXPECT_TRUE(IsZoomed(b->Handle()));
  EXPECT_FALSE(IsZoomed(a->Handle()));
  EXPECT_EQ(parent->ActiveMDIChild(), b);
  EXPECT_EQ(ActiveChildProvider, TsSkinProvider::FromForm(b));
  EXPECT_TRUE(provider->ChildButtonsShown());
  // A restore of the new child is the user's again.
  SendMessageA(b->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  controls_test::Pump();
  EXPECT_FALSE(IsZoomed(b->Handle()));
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, MenuLoopOverAMaximisedChildCoversItsButtons) {
  vcl::TForm* b = AddChild("Beta", 60, 50);
  SendMessageA(parent->Handle(), WM_ENTERMENULOOP, 0, 0);
  EXPECT_EQ(TsSkinProvider::MdiIconsCover(), nullptr) << "no maximised child, nothing to cover";
  SendMessageA(parent->Handle(), WM_EXITMENULOOP, 0, 0);

  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  SendMessageA(parent->Handle(), WM_ENTERMENULOOP, 0, 0);
  vcl::TForm* cover = TsSkinProvider::MdiIconsCover();
  ASSERT_NE(cover, nullptr);
  EXPECT_TRUE(provider->ChildMenuLoop);
  EXPECT_EQ(cover->Name(), "acMDIIcons");
  EXPECT_EQ(cover->Tag(), -98);
  EXPECT_TRUE(IsWindowVisible(cover->Handle()));
  EXPECT_NE(GetForegroundWindow(), cover->Handle()) << "shown without activation";
  RECT window{}, placed{};
  GetWindowRect(parent->Handle(), &window);
  GetWindowRect(cover->Handle(), &placed);
  EXPECT_EQ(placed.right, window.right - provider->WndBorderWidth(false));
  EXPECT_EQ(placed.right - placed.left, 60);
  EXPECT_EQ(placed.top, window.top + provider->WndBorderWidth(false) + provider->CaptionHeight(false));
  EXPECT_EQ(placed.bottom - placed.top, GetSystemMetrics(SM_CYMENU) + 3);
  // A second loop start keeps the one cover.
  SendMessageA(parent->Handle(), WM_ENTERMENULOOP, 0, 0);
  EXPECT_EQ(TsSkinProvider::MdiIconsCover(), cover);
  SendMessageA(parent->Handle(), WM_EXITMENULOOP, 0, 0);
  EXPECT_EQ(TsSkinProvider::MdiIconsCover(), nullptr);
  EXPECT_FALSE(provider->ChildMenuLoop);
  EXPECT_TRUE(errors.empty());
}

// A 24-bit picture of a window's size in the key colour, and how much of it a print changed.
struct PrintTarget {
  explicit PrintTarget(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    bitmap.SetPixelFormat(vcl::pf24bit);
    bitmap.SetSize(r.right - r.left, r.bottom - r.top);
    bitmap.Canvas()->Brush()->SetColor(vcl::TColor(0xFF00FF));
    bitmap.Canvas()->FillRect(vcl::TRect{0, 0, bitmap.Width(), bitmap.Height()});
  }
  int Changed(const RECT& area) {
    int changed = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        changed += (GetPixel(bitmap.Canvas()->Handle(), x, y) & 0xFFFFFF) != 0xFF00FF;
    return changed;
  }
  vcl::TBitmap bitmap;
};

TEST_F(SkinnedMdiForm, PrintShowsTheClientAndNothingOfAChildUnderAMaximisedOne) {
  vcl::TForm* a = AddChild("Alpha", 10, 10);
  vcl::TForm* b = AddChild("Beta", 60, 50);
  // The MDI form prints its client at the client's place.
  PrintTarget form(parent->Handle());
  SendMessageA(parent->Handle(), WM_PRINT, WPARAM(form.bitmap.Canvas()->Handle()), PRF_CLIENT | PRF_NONCLIENT);
  RECT client{};
  GetClientRect(parent->ClientHandle(), &client);
  MapWindowPoints(parent->ClientHandle(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  RECT window{};
  GetWindowRect(parent->Handle(), &window);
  OffsetRect(&client, -window.left, -window.top);
  EXPECT_EQ(form.Changed(client), (client.right - client.left) * (client.bottom - client.top));

  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  struct Case {
    vcl::TForm* child;
    bool painted;
  } const cases[] = {{a, false}, {b, true}};
  for (const Case& c : cases) {
    PrintTarget target(c.child->Handle());
    SendMessageA(c.child->Handle(), WM_PRINT, WPARAM(target.bitmap.Canvas()->Handle()), PRF_CLIENT | PRF_NONCLIENT);
    const int changed = target.Changed({0, 0, target.bitmap.Width(), target.bitmap.Height()});
    EXPECT_EQ(changed > 0, c.painted) << c.child->Caption();
  }
  EXPECT_TRUE(errors.empty());
}

// The MDI client shows the skin's "MDIAREA" section over the whole client, not the form's colour,
// whether the client fills the form or aligned panels take a side of it.
TEST_F(SkinnedMdiForm, ClientShowsTheSkinsMdiArea) {
  const int section = manager->FindSectionIndex("MDIAREA");
  ASSERT_GE(section, 0);
  const COLORREF area = COLORREF(vcl::ColorToRGB(manager->Sections[size_t(section)].Color));
  ASSERT_NE(area, COLORREF(vcl::ColorToRGB(provider->FormColor()))) << "the skin gives both the same colour";
  struct Case {
    const char* what;
    vcl::TAlign align;
  } const cases[] = {{"no aligned panel", vcl::alNone}, {"a panel on the left", vcl::alLeft},
                     {"a panel at the top", vcl::alTop}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<vcl::TPanel> panel;
    if (c.align != vcl::alNone) {
      panel.reset(new vcl::TPanel(nullptr));
      panel->SetBounds(0, 0, 90, 60);
      panel->SetAlign(c.align);
      panel->SetParent(parent.get());
    }
    provider->SkinData()->CacheStale = true;
    RedrawWindow(parent->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    controls_test::Pump();
    HWND client = parent->ClientHandle();
    PrintTarget target(client);
    SendMessageA(client, WM_PRINT, WPARAM(target.bitmap.Canvas()->Handle()), PRF_CLIENT | PRF_ERASEBKGND);
    const int w = target.bitmap.Width(), h = target.bitmap.Height();
    int same = 0, total = 0;
    for (int y = 4; y < h - 4; y += 7)
      for (int x = 4; x < w - 4; x += 7) {
        ++total;
        same += (GetPixel(target.bitmap.Canvas()->Handle(), x, y) & 0xFFFFFF) == area;
      }
    ASSERT_GT(total, 0);
    EXPECT_GT(double(same) / total, 0.95) << "the client does not show the MDI area";
    panel.reset();
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, SplittersHaveTheirBackgroundPaintedUnderAMaximisedChild) {
  auto* panel = new vcl::TPanel(parent.get());
  panel->SetParent(parent.get());
  panel->SetAlign(vcl::alLeft);
  panel->SetWidth(80);
  auto* splitter = new TsSplitter(parent.get());
  splitter->SetParent(parent.get());
  splitter->SetAlign(vcl::alLeft);
  splitter->SetLeft(90);
  controls_test::Pump();
  std::vector<vcl::TRect> asked;
  vcl::TWindowProcLink watch =
      parent->WindowProc.Install([&](vcl::TMessage& m, const vcl::TWindowProcNext& next) {
        if (m.Msg == SM_ALPHACMD && HIWORD(m.WParam) == cmdGetBackground && m.LParam) {
          auto* request = reinterpret_cast<TsBackgroundRequest*>(m.LParam);
          if (request->DrawIntoDC) asked.push_back(request->Rect);
        }
        next(m);
      });
  vcl::TForm* b = AddChild("Beta", 60, 50);
  HDC dc = GetDC(parent->ClientHandle());
  asked.clear();
  SendMessageA(parent->ClientHandle(), WM_ERASEBKGND, WPARAM(dc), 0);
  EXPECT_TRUE(asked.empty()) << "the client shows: it paints itself";
  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  asked.clear();
  SendMessageA(parent->ClientHandle(), WM_ERASEBKGND, WPARAM(dc), 0);
  ReleaseDC(parent->ClientHandle(), dc);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].left, splitter->Left());
  EXPECT_EQ(asked[0].right, splitter->Left() + splitter->Width());
  EXPECT_EQ(asked[0].bottom - asked[0].top, splitter->Height());
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, ThreadHookSkinsChildrenWithoutAProviderWhenTheFormShows) {
  InstallDialogsHook();
  parent->Hide();
  controls_test::Pump();
  auto plain = std::make_unique<vcl::TForm>(nullptr);
  plain->SetFormStyle(vcl::fsMDIChild);
  plain->SetBounds(20, 20, 200, 150);
  EXPECT_EQ(TsSkinProvider::FromForm(plain.get()), nullptr);
  parent->Show();
  controls_test::Pump();
  TsSkinProvider* automatic = TsSkinProvider::FromForm(plain.get());
  ASSERT_NE(automatic, nullptr);
  EXPECT_TRUE(automatic->Automatic());
  plain.reset();
  RemoveDialogsHook();
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, UnskinnedChildThatGoesRepaintsTheMenuLine) {
  auto child = std::make_unique<vcl::TForm>(nullptr);
  auto* childProvider = vcl::New<TsSkinProvider>(child.get());
  childProvider->SkinData()->SetSkinSection("NO SUCH SECTION");
  childProvider->SkinData()->ResolveSkinIndexes();
  child->SetFormStyle(vcl::fsMDIChild);
  child->SetBounds(20, 20, 200, 150);
  controls_test::Pump();
  ASSERT_FALSE(childProvider->SkinData()->IsSkinned(true));
  MessageCounter frames(parent.get(), WM_NCPAINT);
  child.reset();
  EXPECT_GT(frames.count, 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, MaximisedChildTextChangesLeaveTheMdiFormShownAndRepainted) {
  vcl::TForm* b = AddChild("Beta", 60, 50);
  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  MessageCounter frames(parent.get(), WM_NCPAINT);
  b->SetCaption("Gamma");
  EXPECT_TRUE(GetWindowLongA(parent->Handle(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(IsWindowVisible(b->Handle()));
  EXPECT_GT(frames.count, 0);
  char text[128]{};
  GetWindowTextA(parent->Handle(), text, sizeof(text));
  EXPECT_NE(std::string(text).find("Gamma"), std::string::npos) << text;
  EXPECT_TRUE(errors.empty());
}

TEST_F(SkinnedMdiForm, ActiveChildMenuStandsInTheMenuLineAfterTheChildIcon) {
  parent->Menu()->Items()->Items(1)->SetGroupIndex(5);
  vcl::TForm* b = AddChild("Beta", 60, 50);
  vcl::TMenuItem* edit = GiveEditMenu(b);
  controls_test::Pump();
  const std::vector<vcl::TMenuItem*> items = provider->MenuBarItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1], edit);
  EXPECT_EQ(provider->MenuBarPosition(edit), 1);
  b->SetWindowState(vcl::wsMaximized);
  controls_test::Pump();
  // The maximised child's system menu stands first.
  EXPECT_EQ(provider->MdiMenuItemOffset(), 1);
  EXPECT_EQ(provider->MenuBarPosition(edit), 2);
  char text[32]{};
  GetMenuStringA(GetMenu(parent->Handle()), 2, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&Edit");
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

// The share of the MDI form's title and menu line in the platform's own caption and menu colours.
double PlatformFrameShare(const screen_test::Capture& shot, HWND form, TsSkinProvider* provider) {
  RECT r{};
  GetWindowRect(form, &r);
  const int titleBottom = r.top + provider->WndSysBorderWidth(true) + provider->CaptionHeight(true);
  const RECT title{r.left + 8, r.top + 4, r.right - 8, titleBottom};
  const RECT line{r.left + 8, titleBottom + 1, r.right - 8, titleBottom + provider->MenuLineHeight()};
  return shot.ShareOf(screen_test::Rgb(GetSysColor(COLOR_ACTIVECAPTION)), title) +
         shot.ShareOf(screen_test::Rgb(GetSysColor(COLOR_INACTIVECAPTION)), title) +
         shot.ShareOf(screen_test::Rgb(GetSysColor(COLOR_MENU)), line);
}

TEST_F(ScreenMdiForm, MaximisedChildWithAMenuThroughRestoreMinimiseAndClose) {
  vcl::TForm* a = AddChild("Alpha", 10, 10);
  vcl::TForm* b = AddChild("Beta", 80, 60);
  vcl::TMenuItem* edit = GiveEditMenu(b);
  SetForegroundWindow(parent->Handle());
  screen_test::Pump(300);

  SendMessageA(b->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  screen_test::Pump(400);
  ASSERT_TRUE(IsZoomed(b->Handle()));
  screen_test::Capture maximised = screen_test::CaptureWindow(parent->Handle());
  screen_test::SaveCapture(maximised, "mdi-menu-maximised");
  EXPECT_LT(PlatformFrameShare(maximised, parent->Handle(), provider), 0.05);
  // The child's item stands in the menu line where the bar has it, drawn by the skin.
  RECT item{};
  ASSERT_TRUE(GetMenuItemRect(parent->Handle(), GetMenu(parent->Handle()), UINT(provider->MenuBarPosition(edit)), &item));
  EXPECT_GE(maximised.ColourCount(item), 2);
  // The child's icon stands first in the line.
  RECT icon{};
  ASSERT_TRUE(GetMenuItemRect(parent->Handle(), GetMenu(parent->Handle()), 0, &icon));
  EXPECT_GE(maximised.ColourCount(icon), 2);

  // A new title of the maximised child: the MDI form's frame stays skinned.
  b->SetCaption("Gamma");
  screen_test::Pump(300);
  screen_test::Capture retitled = screen_test::CaptureWindow(parent->Handle());
  screen_test::SaveCapture(retitled, "mdi-menu-retitled");
  EXPECT_LT(PlatformFrameShare(retitled, parent->Handle(), provider), 0.05);

  struct Step {
    const char* name;
    UINT command;
  } const steps[] = {{"mdi-menu-restored", SC_RESTORE}, {"mdi-menu-minimised", SC_MINIMIZE}};
  for (const Step& step : steps) {
    SendMessageA(b->Handle(), WM_SYSCOMMAND, step.command, 0);
    screen_test::Pump(400);
    screen_test::Capture shot = screen_test::CaptureWindow(parent->Handle());
    screen_test::SaveCapture(shot, step.name);
    EXPECT_FALSE(provider->ChildButtonsShown()) << step.name;
    EXPECT_LT(PlatformFrameShare(shot, parent->Handle(), provider), 0.05) << step.name;
    for (vcl::TForm* child : {a, b}) EXPECT_LT(PlatformCaptionShare(shot, child->Handle()), 0.05) << step.name;
  }

  // Closing the maximised child takes its menu out of the menu line; the platform maximises
  // the next child in its place, whose buttons and icon the line shows then.
  SendMessageA(b->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  SendMessageA(b->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  screen_test::Pump(300);
  ASSERT_TRUE(provider->ChildButtonsShown());
  EXPECT_EQ(provider->MenuBarItems().size(), 3u);
  // The child frees itself on closing.
  (void)children.back().release();
  children.pop_back();
  b->OnClose = [](vcl::TObject*, vcl::TCloseAction& action) { action = vcl::caFree; };
  SendMessageA(b->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  screen_test::PumpUntil([&] { return parent->MDIChildCount() == 1; }, 2000);
  screen_test::Pump(300);
  ASSERT_EQ(parent->MDIChildCount(), 1);
  screen_test::Capture closed = screen_test::CaptureWindow(parent->Handle());
  screen_test::SaveCapture(closed, "mdi-menu-closed");
  EXPECT_EQ(parent->ActiveMDIChild(), a);
  EXPECT_TRUE(IsZoomed(a->Handle()));
  EXPECT_TRUE(provider->ChildButtonsShown());
  EXPECT_EQ(provider->MenuBarItems().size(), 2u);
  EXPECT_LT(PlatformFrameShare(closed, parent->Handle(), provider), 0.05);
  EXPECT_TRUE(errors.empty());
}

// An outline drag of a child is drawn where the child stands on the screen.
TEST_F(ScreenMdiForm, OutlineOfAChildIsDrawnAroundTheChild) {
  vcl::TForm* b = AddChild("Beta", 80, 60);
  TsSkinProvider* childProvider = TsSkinProvider::FromForm(b);
  ASSERT_NE(childProvider, nullptr);
  childProvider->SetResizeMode(rmBorder);
  SetForegroundWindow(parent->Handle());
  screen_test::Pump(300);
  RECT r{};
  GetWindowRect(b->Handle(), &r);
  const RECT topEdge{r.left + 10, r.top, r.right - 10, r.top + 1};
  screen_test::Capture before = screen_test::CaptureScreen(topEdge);
  ASSERT_TRUE(childProvider->StartOutlineDrag(HTCAPTION, r.left + 30, r.top + 8));
  GdiFlush();
  screen_test::Capture during = screen_test::CaptureScreen(topEdge);
  int inverted = 0, width = 0;
  for (int x = topEdge.left; x < topEdge.right; ++x, ++width)
    inverted += during.At(x, r.top) == (~before.At(x, r.top) & 0xFFFFFF);
  EXPECT_GT(inverted, width * 9 / 10);
  childProvider->EndOutlineDrag();
  EXPECT_TRUE(errors.empty());
}

}  // namespace

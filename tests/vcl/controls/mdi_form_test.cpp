// MDI forms: the client window beside aligned controls, the children and the active child,
// tiling and cascading, the window menu and the maximised child's items in the menu bar,
// closing and freeing children, and an MDI form that goes before its children.
#include <gtest/gtest.h>

#include "tests/vcl/controls/controls_test_util.h"
#include "vcl/controls/menus.h"

using namespace vcl;
using namespace controls_test;

namespace {

class MdiFormTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    parent = NewTestForm(640, 480);
    parent->SetFormStyle(fsMDIForm);
    parent->Show();
  }
  void TearDown() override {
    children.clear();
    parent.reset();
    ControlsTest::TearDown();
  }

  // A child at a place of its own in the client, kept until the test ends.
  TForm* AddChild(const std::string& caption, int left = 10, int top = 10) {
    auto child = std::make_unique<TForm>(nullptr);
    child->SetCaption(caption);
    child->SetFormStyle(fsMDIChild);
    child->SetBounds(left, top, 200, 150);
    children.push_back(std::move(child));
    return children.back().get();
  }

  RECT ChildRect(TCustomForm* child) {
    RECT r{};
    GetWindowRect(child->Handle(), &r);
    MapWindowPoints(nullptr, parent->ClientHandle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  std::unique_ptr<TForm> parent;
  std::vector<std::unique_ptr<TForm>> children;
};

TEST_F(MdiFormTest, ClientWindowFillsWhatTheAlignedControlsLeave) {
  char className[32]{};
  ASSERT_NE(parent->ClientHandle(), nullptr);
  GetClassNameA(parent->ClientHandle(), className, sizeof(className));
  EXPECT_STREQ(className, "MDIClient");
  auto* bar = new TTestPanel(parent.get());
  bar->SetParent(parent.get());
  bar->SetHeight(30);
  bar->SetAlign(alTop);
  RECT client{}, area{};
  GetClientRect(parent->Handle(), &area);
  GetWindowRect(parent->ClientHandle(), &client);
  MapWindowPoints(nullptr, parent->Handle(), reinterpret_cast<POINT*>(&client), 2);
  EXPECT_EQ(client.top, 30);
  EXPECT_EQ(client.bottom, area.bottom);
  EXPECT_EQ(client.right - client.left, area.right);
  parent->SetBounds(100, 100, 500, 400);
  GetClientRect(parent->Handle(), &area);
  GetWindowRect(parent->ClientHandle(), &client);
  EXPECT_EQ(client.bottom - client.top, area.bottom - 30);
  // Other forms have no client window and nothing to arrange.
  auto plain = NewTestForm();
  plain->HandleNeeded();
  EXPECT_EQ(plain->ClientHandle(), nullptr);
  EXPECT_EQ(plain->ActiveMDIChild(), nullptr);
  plain->Tile();
  EXPECT_EQ(plain->MDIChildCount(), 0);
}

TEST_F(MdiFormTest, ChildrenLiveInTheClientAndTheLastShownIsActive) {
  TForm* a = AddChild("A");
  TForm* b = AddChild("B", 40, 40);
  TForm* c = AddChild("C", 70, 70);
  EXPECT_EQ(GetParent(a->Handle()), parent->ClientHandle());
  EXPECT_TRUE(GetWindowLongPtrA(a->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD);
  EXPECT_TRUE(a->Visible());
  ASSERT_EQ(parent->MDIChildCount(), 3);
  EXPECT_EQ(parent->ActiveMDIChild(), c);
  EXPECT_EQ(parent->MDIChildren(0), c);
  EXPECT_TRUE(c->Active());
  EXPECT_FALSE(b->Active());
  EXPECT_THROW(parent->MDIChildren(3), EListError);
  // Next and Previous walk the children; the one that was active answers Active no more.
  parent->Next();
  TCustomForm* next = parent->ActiveMDIChild();
  EXPECT_NE(next, c);
  EXPECT_TRUE(next->Active());
  EXPECT_FALSE(c->Active());
  parent->Previous();
  EXPECT_EQ(parent->ActiveMDIChild(), c);
  // The bounds of a child are in the client's coordinates.
  EXPECT_EQ(b->Left(), 40);
  EXPECT_EQ(ChildRect(b).left, 40);
  // A child cannot be hidden.
  EXPECT_THROW(b->Hide(), EInvalidOperation);
}

TEST_F(MdiFormTest, TileAndCascadeArrangeTheChildren) {
  TForm* a = AddChild("A", 5, 5);
  TForm* b = AddChild("B", 50, 60);
  struct Case {
    TTileMode mode;
    bool sideBySide;
  } cases[] = {{tbVertical, true}, {tbHorizontal, false}};
  for (const Case& t : cases) {
    parent->SetTileMode(t.mode);
    parent->Tile();
    // The client drops its scroll bars for the tiled children: the area is measured after.
    RECT client{};
    GetClientRect(parent->ClientHandle(), &client);
    RECT ra = ChildRect(a), rb = ChildRect(b);
    EXPECT_FALSE(ra.left == rb.left && ra.top == rb.top) << t.mode;
    if (t.sideBySide) {
      EXPECT_EQ(ra.top, rb.top) << t.mode;
      // The platform's tiling may leave a pixel of an odd extent over.
      EXPECT_NEAR(ra.right - ra.left + rb.right - rb.left, client.right, 1) << t.mode;
      EXPECT_EQ(ra.bottom - ra.top, client.bottom) << t.mode;
    } else {
      EXPECT_EQ(ra.left, rb.left) << t.mode;
      EXPECT_NEAR(ra.bottom - ra.top + rb.bottom - rb.top, client.bottom, 1) << t.mode;
      EXPECT_EQ(ra.right - ra.left, client.right) << t.mode;
    }
    // The form's own idea of the child's bounds follows the window.
    EXPECT_EQ(a->Left(), ra.left) << t.mode;
    EXPECT_EQ(a->Width(), ra.right - ra.left) << t.mode;
  }
  parent->Cascade();
  RECT top = ChildRect(parent->MDIChildren(0)), below = ChildRect(parent->MDIChildren(1));
  // The active child lies last on the pile, down and right of the one under it.
  EXPECT_GT(top.left, below.left);
  EXPECT_GT(top.top, below.top);
  EXPECT_EQ(top.right - top.left, below.right - below.left);
}

TEST_F(MdiFormTest, MaximisedChildPutsItsItemsInTheMenuBarAndTheWindowMenuListsChildren) {
  auto* menu = new TMainMenu(parent.get());
  auto* file = new TMenuItem(menu);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* windows = new TMenuItem(menu);
  windows->SetCaption("&Window");
  menu->Items()->Add(windows);
  auto* tile = new TMenuItem(menu);
  tile->SetCaption("&Tile");
  windows->Add(tile);
  parent->SetMenu(menu);
  parent->SetWindowMenu(windows);
  HMENU bar = GetMenu(parent->Handle());
  ASSERT_NE(bar, nullptr);
  const int plainItems = GetMenuItemCount(bar);
  EXPECT_EQ(plainItems, 2);
  TForm* a = AddChild("Alpha");
  AddChild("Beta", 30, 30);
  // The window menu gains a separator and one entry per child.
  HMENU windowList = GetSubMenu(bar, 1);
  EXPECT_EQ(GetMenuItemCount(windowList), 1 + 1 + 2);
  char text[64]{};
  GetMenuStringA(windowList, 3, text, sizeof(text), MF_BYPOSITION);
  EXPECT_NE(std::string(text).find("Beta"), std::string::npos) << text;
  // Maximised, the active child's system menu comes first in the bar and its minimise, restore
  // and close buttons last.
  a->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(a->Handle()));
  EXPECT_EQ(parent->ActiveMDIChild(), a);
  EXPECT_EQ(GetMenuItemCount(bar), plainItems + 4);
  EXPECT_NE(GetSubMenu(bar, 0), nullptr);
  EXPECT_EQ(GetMenuItemID(bar, plainItems + 3), static_cast<UINT>(SC_CLOSE));
  a->SetWindowState(wsNormal);
  EXPECT_EQ(GetMenuItemCount(bar), plainItems);
  // When the maximised child goes, the next one is maximised in its place; when the last goes,
  // the bar is the form's own again.
  a->SetWindowState(wsMaximized);
  children.erase(children.begin());
  ASSERT_EQ(parent->MDIChildCount(), 1);
  EXPECT_TRUE(IsZoomed(parent->MDIChildren(0)->Handle()));
  EXPECT_EQ(GetMenuItemCount(bar), plainItems + 4);
  EXPECT_EQ(GetMenuItemCount(windowList), 1 + 1 + 1);
  children.clear();
  EXPECT_EQ(GetMenuItemCount(bar), plainItems);
  EXPECT_EQ(GetMenuItemCount(windowList), 1);
}

// A menu of top-level items, each "caption:group".
TMainMenu* MenuOf(TComponent* owner, std::initializer_list<std::pair<const char*, uint8_t>> items) {
  auto* menu = new TMainMenu(owner);
  for (const auto& [caption, group] : items) {
    auto* item = new TMenuItem(menu);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    menu->Items()->Add(item);
  }
  return menu;
}

// The captions of a menu bar's items that are the library's (a maximised child's system menu
// and buttons are left out), joined by "|".
std::string BarCaptions(HMENU bar) {
  std::string captions;
  for (int i = 0; i < GetMenuItemCount(bar); ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(bar, UINT(i), TRUE, &info) || info.dwItemData == 0) continue;
    char text[64]{};
    GetMenuStringA(bar, UINT(i), text, sizeof(text), MF_BYPOSITION);
    captions += (captions.empty() ? "" : "|") + std::string(text);
  }
  return captions;
}

TEST_F(MdiFormTest, ActiveChildMenuMergesIntoTheMenuBarByGroupIndex) {
  parent->SetMenu(MenuOf(parent.get(), {{"File", 0}, {"Window", 5}, {"Help", 9}}));
  HMENU bar = GetMenu(parent->Handle());
  struct Case {
    std::initializer_list<std::pair<const char*, uint8_t>> childItems;
    const char* expected;
  } const cases[] = {
      // A group of the form's is replaced, a new one goes in by its index, the highest last.
      {{{"Edit", 1}}, "File|Edit|Window|Help"},
      {{{"Doc", 0}}, "Doc|Window|Help"},
      {{{"Tools", 7}, {"Sheet", 5}}, "File|Sheet|Tools|Help"},
      {{{"Extra", 12}}, "File|Window|Help|Extra"},
      {{}, "File|Window|Help"},
  };
  for (const Case& c : cases) {
    TForm* child = AddChild("Child");
    // The active child's menu merges as it is set.
    child->SetMenu(MenuOf(child, c.childItems));
    EXPECT_EQ(BarCaptions(bar), c.expected);
    children.pop_back();
    EXPECT_EQ(BarCaptions(bar), "File|Window|Help") << "the menu goes with its child";
  }
}

TEST_F(MdiFormTest, MergedItemsRunFromTheMenuBarAndFollowTheActiveChild) {
  parent->SetMenu(MenuOf(parent.get(), {{"File", 0}, {"Window", 5}}));
  HMENU bar = GetMenu(parent->Handle());
  TForm* a = AddChild("A");
  a->SetMenu(MenuOf(a, {{"Alpha", 1}}));
  TForm* b = AddChild("B", 40, 40);
  b->SetMenu(MenuOf(b, {{"Beta", 1}}));
  SendMessageA(parent->ClientHandle(), WM_MDIACTIVATE, WPARAM(b->Handle()), 0);
  EXPECT_EQ(BarCaptions(bar), "File|Beta|Window");
  int clicks = 0;
  b->Menu()->Items()->Items(0)->OnClick = [&](TObject*) { ++clicks; };
  SendMessageA(parent->Handle(), WM_COMMAND, b->Menu()->Items()->Items(0)->Command(), 0);
  EXPECT_EQ(clicks, 1);
  SendMessageA(parent->ClientHandle(), WM_MDIACTIVATE, WPARAM(a->Handle()), 0);
  EXPECT_EQ(BarCaptions(bar), "File|Alpha|Window");
  // A merged item that changes shows its change in the bar.
  a->Menu()->Items()->Items(0)->SetCaption("Alpha2");
  EXPECT_EQ(BarCaptions(bar), "File|Alpha2|Window");
  // Maximised, the child's system menu and buttons stay in the bar through a change.
  a->SetWindowState(wsMaximized);
  const int decorated = GetMenuItemCount(bar);
  EXPECT_EQ(decorated, 3 + 4);
  a->Menu()->Items()->Items(0)->SetCaption("Alpha3");
  parent->Menu()->Items()->Items(0)->SetCaption("File2");
  EXPECT_EQ(GetMenuItemCount(bar), decorated);
  EXPECT_NE(GetSubMenu(bar, 0), nullptr);
  EXPECT_EQ(GetMenuItemID(bar, decorated - 1), static_cast<UINT>(SC_CLOSE));
  EXPECT_EQ(BarCaptions(bar), "File2|Alpha3|Window");
  a->SetWindowState(wsNormal);
  EXPECT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MdiFormTest, ClosingAChildMinimisesItOrFreesItAsTheHandlerSays) {
  TForm* kept = AddChild("Kept");
  kept->Close();
  EXPECT_TRUE(IsIconic(kept->Handle()));
  EXPECT_EQ(kept->WindowState(), wsMinimized);
  parent->ArrangeIcons();
  EXPECT_TRUE(IsIconic(kept->Handle()));

  auto* freed = new TForm(nullptr);
  freed->SetFormStyle(fsMDIChild);
  bool destroyed = false;
  freed->OnDestroy = [&](TObject*) { destroyed = true; };
  freed->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  EXPECT_EQ(parent->ActiveMDIChild(), freed);
  EXPECT_EQ(parent->MDIChildCount(), 2);
  freed->Close();
  EXPECT_TRUE(PumpUntil([&] { return destroyed; }));
  EXPECT_EQ(parent->MDIChildCount(), 1);
  EXPECT_EQ(parent->MDIChildren(0), kept);
  EXPECT_TRUE(errors.empty());
}

TEST_F(MdiFormTest, MdiFormThatGoesFirstLeavesItsChildrenWithoutWindows) {
  TForm* a = AddChild("A");
  HWND wnd = a->Handle();
  parent.reset();
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_FALSE(a->HandleAllocated());
  children.clear();
  EXPECT_TRUE(errors.empty());
}

TEST(MdiChildWithoutParentTest, ChildNeedsAnMdiForm) {
  auto child = std::make_unique<TForm>(nullptr);
  try {
    child->SetFormStyle(fsMDIChild);
    FAIL() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Cannot create form. No MDI forms are currently active");
  }
  EXPECT_FALSE(child->HandleAllocated());
}

}  // namespace

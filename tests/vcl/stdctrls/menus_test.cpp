// Menus over the platform's menus: the item tree, the platform menu it builds, shortcuts,
// popup menus chosen from their real "#32768" windows, and the menu bar of a form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/vcl/stdctrls/stdctrls_test_util.h"
#include "vcl/controls/menus.h"
#include "vcl/stdctrls/stdctrls.h"
#include "vcl/classes/typeinfo.h"

using namespace vcl;

namespace {

std::string MenuString(HMENU menu, int position) {
  char text[256] = {};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
  return text;
}

UINT MenuState(HMENU menu, int position) { return GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION); }

TMenuItem* NewItem(TComponent* owner, const std::string& caption, TNotifyEvent onClick = nullptr) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  return item;
}

BOOL CALLBACK CollectPopup(HWND wnd, LPARAM param) {
  char cls[32] = {};
  GetClassNameA(wnd, cls, sizeof(cls));
  if (std::string(cls) == "#32768" && IsWindowVisible(wnd)) *reinterpret_cast<HWND*>(param) = wnd;
  return TRUE;
}

// Waits on a helper thread for the popup menu window of `threadId`, then presses keys in it.
struct MenuKeys {
  DWORD threadId;
  std::vector<WPARAM> keys;
  bool found = false;
};

DWORD WINAPI PressMenuKeys(void* param) {
  auto* job = static_cast<MenuKeys*>(param);
  for (int round = 0; round < 1500; ++round) {
    Sleep(20);
    HWND popup = nullptr;
    EnumWindows(CollectPopup, reinterpret_cast<LPARAM>(&popup));
    if (popup && GetWindowThreadProcessId(popup, nullptr) == job->threadId) {
      job->found = true;
      for (WPARAM key : job->keys) PostMessageA(popup, WM_KEYDOWN, key, 0);
      return 0;
    }
  }
  return 0;
}

// Shows the popup menu and chooses with the keyboard as a user would.
bool PopupAndPress(TPopupMenu& menu, std::vector<WPARAM> keys) {
  MenuKeys job{GetCurrentThreadId(), std::move(keys)};
  HANDLE thread = CreateThread(nullptr, 0, PressMenuKeys, &job, 0, nullptr);
  menu.Popup(50, 50);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return job.found;
}

}  // namespace

class MenusTest : public StdCtrlsTest {};

TEST_F(MenusTest, ShortCutTextBothWays) {
  struct Case {
    TShortCut shortCut;
    const char* text;
  } cases[] = {
      {ShortCut('S', TShiftState{ssCtrl}), "Ctrl+S"},
      {ShortCut(VK_DELETE, TShiftState{ssShift}), "Shift+Del"},
      {ShortCut(VK_F5, TShiftState{}), "F5"},
      {ShortCut('1', TShiftState{ssCtrl, ssAlt, ssShift}), "Shift+Ctrl+Alt+1"},
      {ShortCut(VK_RETURN, TShiftState{ssAlt}), "Alt+Enter"},
      {ShortCut(VK_PRIOR, TShiftState{}), "PgUp"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.shortCut) << c.text;
  }
  EXPECT_EQ(TextToShortCut("ctrl+s"), ShortCut('S', TShiftState{ssCtrl}));
  EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
  EXPECT_EQ(TextToShortCut("Nonsense"), 0);
  EXPECT_EQ(ShortCut(0x1234, TShiftState{}), 0);
  EXPECT_EQ(ShortCutToText(0), "");
}

TEST_F(MenusTest, ItemsBuildThePlatformMenu) {
  TPopupMenu menu(nullptr);
  TMenuItem* open = NewItem(&menu, "&Open");
  open->SetShortCut(TextToShortCut("Ctrl+O"));
  TMenuItem* line = NewItem(&menu, "-");
  TMenuItem* save = NewItem(&menu, "&Save");
  save->SetEnabled(false);
  TMenuItem* hidden = NewItem(&menu, "Hidden");
  hidden->SetVisible(false);
  TMenuItem* check = NewItem(&menu, "Grid");
  check->SetChecked(true);
  for (TMenuItem* item : {open, line, save, hidden, check}) menu.Items()->Add(item);

  HMENU handle = menu.Handle();
  ASSERT_EQ(GetMenuItemCount(handle), 4);
  EXPECT_EQ(MenuString(handle, 0), "&Open\tCtrl+O");
  EXPECT_TRUE(MenuState(handle, 1) & MF_SEPARATOR);
  EXPECT_TRUE(MenuState(handle, 2) & MF_GRAYED);
  EXPECT_EQ(MenuString(handle, 3), "Grid");
  EXPECT_TRUE(MenuState(handle, 3) & MF_CHECKED);
  EXPECT_EQ(GetMenuItemID(handle, 0), open->Command());

  // Changes after the menu exists reach it.
  hidden->SetVisible(true);
  save->SetCaption("Save &As");
  EXPECT_EQ(GetMenuItemCount(handle), 5);
  EXPECT_EQ(MenuString(handle, 2), "Save &As");
  delete line;
  EXPECT_EQ(GetMenuItemCount(handle), 4);
  EXPECT_EQ(menu.Items()->Count(), 4);
}

TEST_F(MenusTest, SubmenusAndTheirItems) {
  TPopupMenu menu(nullptr);
  TMenuItem* view = NewItem(&menu, "View");
  menu.Items()->Add(view);
  TMenuItem* zoom = NewItem(&menu, "Zoom");
  view->Add(zoom);
  HMENU handle = menu.Handle();
  HMENU submenu = GetSubMenu(handle, 0);
  ASSERT_NE(submenu, nullptr);
  EXPECT_EQ(submenu, view->Handle());
  EXPECT_EQ(MenuString(submenu, 0), "Zoom");
  EXPECT_EQ(menu.FindItem(zoom->Command(), TMenu::fkCommand), zoom);
  EXPECT_EQ(menu.FindItem(reinterpret_cast<UINT_PTR>(submenu), TMenu::fkHandle), view);
  EXPECT_EQ(view->Find("zoom"), zoom);
  EXPECT_EQ(zoom->GetParentMenu(), &menu);
  EXPECT_EQ(zoom->MenuIndex(), 0);
}

TEST_F(MenusTest, TreeErrors) {
  TPopupMenu menu(nullptr);
  TMenuItem* item = NewItem(&menu, "One");
  menu.Items()->Add(item);
  EXPECT_THROW(menu.Items()->Add(item), EMenuError);
  EXPECT_THROW(menu.Items()->Items(1), EMenuError);
  EXPECT_THROW(menu.Items()->Insert(5, NewItem(&menu, "Two")), EMenuError);
  TMenuItem stray(nullptr);
  EXPECT_THROW(menu.Items()->Remove(&stray), EMenuError);
}

TEST_F(MenusTest, RadioItemsOfAGroupAreExclusive) {
  TPopupMenu menu(nullptr);
  std::vector<TMenuItem*> items;
  for (const char* caption : {"Small", "Medium", "Large"}) {
    TMenuItem* item = NewItem(&menu, caption);
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetAutoCheck(true);
    menu.Items()->Add(item);
    items.push_back(item);
  }
  TMenuItem* other = NewItem(&menu, "Other group");
  other->SetRadioItem(true);
  other->SetGroupIndex(2);
  other->SetChecked(true);
  menu.Items()->Add(other);

  items[0]->SetChecked(true);
  items[2]->Click();
  EXPECT_FALSE(items[0]->Checked());
  EXPECT_TRUE(items[2]->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(MenuState(menu.Handle(), 2) & MF_CHECKED);
  EXPECT_FALSE(MenuState(menu.Handle(), 0) & MF_CHECKED);
}

TEST_F(MenusTest, ChoosingAPopupItemFiresItsOnClick) {
  TPopupMenu menu(nullptr);
  std::vector<std::string> clicks;
  bool popped = false, closed = false;
  menu.OnPopup = [&](TObject*) { popped = true; };
  menu.OnClose = [&](TObject*) { closed = true; };
  for (const char* caption : {"First", "Second", "Third"})
    menu.Items()->Add(NewItem(&menu, caption, [&clicks, caption](TObject*) { clicks.push_back(caption); }));

  ASSERT_TRUE(PopupAndPress(menu, {VK_DOWN, VK_DOWN, VK_RETURN}));
  EXPECT_EQ(clicks, std::vector<std::string>{"Second"});
  EXPECT_TRUE(popped);
  EXPECT_TRUE(closed);

  clicks.clear();
  ASSERT_TRUE(PopupAndPress(menu, {VK_ESCAPE}));
  EXPECT_TRUE(clicks.empty());
}

TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredByTheirEvent) {
  TPopupMenu menu(nullptr);
  menu.SetOwnerDraw(true);
  int measured = 0;
  TMenuItem* item = NewItem(&menu, "Drawn");
  item->OnMeasureItem = [&](TObject*, TCanvas* canvas, int& width, int& height) {
    ++measured;
    EXPECT_NE(canvas, nullptr);
    width = 120;
    height = 30;
  };
  menu.Items()->Add(item);
  menu.Items()->Add(NewItem(&menu, "Plain"));

  ASSERT_TRUE(PopupAndPress(menu, {VK_ESCAPE}));
  EXPECT_GE(measured, 1);
  EXPECT_TRUE(GetMenuState(menu.Handle(), 0, MF_BYPOSITION) & MF_OWNERDRAW);
}

TEST_F(MenusTest, MenuBarOfAFormRunsItsItems) {
  TForm* form = NewForm();
  auto* bar = new TMainMenu(form);
  TMenuItem* file = NewItem(form, "&File");
  bar->Items()->Add(file);
  int exits = 0;
  TMenuItem* exitItem = NewItem(form, "E&xit", [&](TObject*) { ++exits; });
  exitItem->SetShortCut(TextToShortCut("Ctrl+Q"));
  file->Add(exitItem);
  form->SetMenu(bar);
  form->Show();

  HMENU menuBar = GetMenu(form->Handle());
  ASSERT_EQ(menuBar, bar->Handle());
  EXPECT_EQ(MenuString(menuBar, 0), "&File");
  EXPECT_EQ(bar->WindowHandle(), form->Handle());

  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(exitItem->Command(), 0), 0);
  EXPECT_EQ(exits, 1);

  // A new item shows in the bar at once.
  bar->Items()->Add(NewItem(form, "&Help"));
  EXPECT_EQ(GetMenuItemCount(GetMenu(form->Handle())), 2);
  form->Hide();
}

TEST_F(MenusTest, ShortCutsRunEnabledItems) {
  TPopupMenu menu(nullptr);
  int saves = 0;
  TMenuItem* save = NewItem(&menu, "Save", [&](TObject*) { ++saves; });
  save->SetShortCut(ShortCut(VK_F2, TShiftState{}));
  menu.Items()->Add(save);
  TWMKey key;
  key.Msg = WM_KEYDOWN;
  key.WParam = VK_F2;
  EXPECT_TRUE(menu.IsShortCut(key));
  EXPECT_EQ(saves, 1);
  save->SetEnabled(false);
  EXPECT_FALSE(menu.IsShortCut(key));
  EXPECT_EQ(saves, 1);
}

TEST_F(MenusTest, PublishedPropertiesReachTheItems) {
  TPopupMenu menu(nullptr);
  TMenuItem item(nullptr);
  SetPropValue(&item, "Caption", "&Paste");
  SetPropValue(&item, "ShortCut", std::to_string(TextToShortCut("Ctrl+V")));
  SetPropValue(&item, "RadioItem", "True");
  SetPropValue(&item, "GroupIndex", "3");
  SetPropValue(&menu, "AutoPopup", "False");
  EXPECT_EQ(item.Caption(), "&Paste");
  EXPECT_EQ(ShortCutToText(item.ShortCut()), "Ctrl+V");
  EXPECT_TRUE(item.RadioItem());
  EXPECT_EQ(item.GroupIndex(), 3);
  EXPECT_FALSE(menu.AutoPopup());
}

TEST_F(MenusTest, ShortCutKeysPressedInTheFormRunTheirItems) {
  TForm* form = NewForm();
  auto* bar = new TMainMenu(form);
  TMenuItem* file = NewItem(form, "&File");
  bar->Items()->Add(file);
  std::vector<std::string> ran;
  auto item = [&](const char* caption, TShortCut shortCut) {
    TMenuItem* made = NewItem(form, caption, [&ran, caption](TObject*) { ran.push_back(caption); });
    made->SetShortCut(shortCut);
    file->Add(made);
    return made;
  };
  item("Save", TextToShortCut("Ctrl+S"));
  item("Refresh", ShortCut(VK_F5, TShiftState{}));
  item("Disabled", ShortCut(VK_F6, TShiftState{}))->SetEnabled(false);
  form->SetMenu(bar);
  // The popup menu of the focused control's parent has shortcuts of its own.
  auto* panel = new TGroupBox(form);
  panel->SetParent(form);
  panel->SetBounds(0, 0, 200, 100);
  auto* popup = new TPopupMenu(form);
  TMenuItem* copy = NewItem(form, "Copy", [&](TObject*) { ran.push_back("Copy"); });
  copy->SetShortCut(ShortCut(VK_F7, TShiftState{}));
  popup->Items()->Add(copy);
  panel->SetPopupMenu(popup);
  auto* edit = new TEdit(form);
  edit->SetParent(panel);
  edit->SetBounds(10, 20, 100, 21);
  std::vector<WORD> editKeys;
  edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { editKeys.push_back(key); };
  form->Show();
  edit->SetFocus();
  ASSERT_TRUE(edit->Focused());

  // Keys posted to the focused edit, taken through the application's message handling.
  auto press = [&](WORD key, bool ctrl) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageA(edit->Handle(), WM_KEYDOWN, key, 1);
    Pump();
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
  };
  struct Case {
    WORD key;
    bool ctrl;
    std::vector<std::string> ran;  // the items the key ran
    std::vector<WORD> editKeys;    // what reached the edit's OnKeyDown
  } cases[] = {
      {VK_F5, false, {"Refresh"}, {}},
      {'S', true, {"Save"}, {}},
      {'S', false, {}, {'S'}},      // the shortcut needs its Ctrl
      {VK_F6, false, {}, {VK_F6}},  // a disabled item leaves the key to the control
      {VK_F7, false, {"Copy"}, {}},
      {VK_F8, false, {}, {VK_F8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    ran.clear();
    editKeys.clear();
    press(c.key, c.ctrl);
    EXPECT_EQ(ran, c.ran);
    EXPECT_EQ(editKeys, c.editKeys);
  }

  // With the form itself focused the main menu still answers.
  edit->SetEnabled(false);
  panel->SetEnabled(false);
  ran.clear();
  ASSERT_EQ(GetFocus(), form->Handle());
  PostMessageA(form->Handle(), WM_KEYDOWN, VK_F5, 1);
  Pump();
  EXPECT_EQ(ran, (std::vector<std::string>{"Refresh"}));
  form->Hide();
}

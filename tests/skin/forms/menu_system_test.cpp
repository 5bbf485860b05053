// The system menu of a skinned form: its items follow the form's border style and state, the
// application's own items of the real system menu join it, and the skin submenu lists the
// available skins in columns of twenty and switches the skin.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/engine/skin_manager.h"
#include "skin/forms/adapters/dialog_wnd.h"
#include "skin/forms/system_menu.h"
#include "tests/skin/forms/provider_fixture.h"

using namespace provider_test;

namespace {

skin::TsSystemMenu* SystemMenuOf(vcl::TForm* form) {
  auto* provider = skin::TsSkinProvider::FromForm(form);
  return provider ? provider->SystemMenu() : nullptr;
}

TEST_F(ProviderTest, SystemMenuItemsFollowTheBorderStyleAndState) {
  struct Case {
    const char* name;
    vcl::TFormBorderStyle style;
    bool maximised;
    // visible / enabled of Restore, Move, Size, Minimize, Maximize, Close
    bool visible[6];
    bool enabled[6];
  };
  const Case cases[] = {
      {"dialog", vcl::bsDialog, false, {false, true, false, false, false, true}, {false, true, true, false, false, true}},
      {"maximised sizeable",
       vcl::bsSizeable,
       true,
       {true, true, true, true, true, true},
       {true, false, true, true, false, true}},
      {"normal sizeable",
       vcl::bsSizeable,
       false,
       {true, true, true, true, true, true},
       {false, true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    vcl::TForm* form = NewSkinnedForm(300, 200, c.style);
    ShowForm(form);
    if (c.maximised) {
      form->SetWindowState(vcl::wsMaximized);
      ProcessMessages();
    }
    skin::TsSystemMenu* menu = SystemMenuOf(form);
    ASSERT_NE(menu, nullptr) << c.name;
    menu->UpdateItems(true);
    vcl::TMenuItem* items[6] = {menu->ItemRestore, menu->ItemMove,     menu->ItemSize,
                                menu->ItemMinimize, menu->ItemMaximize, menu->ItemClose};
    for (int i = 0; i < 6; ++i) {
      ASSERT_NE(items[i], nullptr) << c.name << " item " << i;
      EXPECT_EQ(items[i]->Visible(), c.visible[i]) << c.name << " " << items[i]->Name();
      if (c.visible[i]) { EXPECT_EQ(items[i]->Enabled(), c.enabled[i]) << c.name << " " << items[i]->Name(); }
    }
    forms.clear();
  }
}

TEST_F(ProviderTest, SystemMenuTakesTheApplicationsItemsBeforeClose) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  HMENU real = GetSystemMenu(form->Handle(), FALSE);
  ASSERT_NE(real, nullptr);
  AppendMenuA(real, MF_STRING, 0x120, "&Extra\tCtrl+E");
  skin::TsSystemMenu* menu = SystemMenuOf(form);
  menu->UpdateItems(true);
  EXPECT_EQ(menu->ExtItemsCount, 1);
  vcl::TMenuItem* root = menu->Items();
  const int close = root->IndexOf(menu->ItemClose);
  ASSERT_GE(close, 2);
  vcl::TMenuItem* extra = root->Items(close - 2);
  EXPECT_EQ(extra->Caption(), "&Extra");
  EXPECT_EQ(extra->ShortCut(), vcl::scCtrl | 'E');
  EXPECT_TRUE(root->Items(close - 1)->IsLine());
  EXPECT_GT(close - 2, root->IndexOf(menu->ItemMaximize));
  ProcessMessages();
  extra->Click();
  MSG posted{};
  ASSERT_TRUE(PeekMessageA(&posted, form->Handle(), WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  EXPECT_EQ(posted.wParam, 0x120u);
}

TEST_F(ProviderTest, SkinSubmenuListsTheSkinsInColumnsAndSwitchesTheSkin) {
  vcl::TForm* form = NewSkinnedForm(300, 200);
  ShowForm(form);
  const int stored = manager->InternalSkins()->Count();
  // Forty-five skins in all.
  for (int i = stored; i < 45; ++i) manager->InternalSkins()->Add()->SetName("Extra skin " + std::to_string(100 + i));
  skin::TsSystemMenu* menu = SystemMenuOf(form);
  menu->UpdateItems(true);
  menu->MakeSkinSelectItems();
  menu->MakeSkinSelectItems();  // made again, it replaces the first one
  vcl::TMenuItem* skins = menu->Items()->Items(0);
  EXPECT_EQ(skins->Name(), "SkinSelectItem");
  EXPECT_EQ(skins->Caption(), "Available skins");
  EXPECT_TRUE(menu->Items()->Items(1)->IsLine());
  EXPECT_FALSE(menu->Items()->Items(2)->IsLine());
  ASSERT_EQ(skins->Count(), 45);
  std::vector<int> breaks;
  int checked = -1;
  for (int i = 0; i < skins->Count(); ++i) {
    vcl::TMenuItem* item = skins->Items(i);
    EXPECT_TRUE(item->RadioItem());
    EXPECT_EQ(item->Name(), "SkinSelectItem" + std::to_string(i));
    if (item->Break() == vcl::mbBreak) breaks.push_back(i);
    if (item->Checked()) checked = i;
  }
  EXPECT_EQ(breaks, (std::vector<int>{20, 40}));
  ASSERT_GE(checked, 0);
  EXPECT_EQ(skins->Items(checked)->Caption(), manager->SkinName());

  // The marker of a stored skin ends the name; accelerator marks are not part of it.
  const std::string current = manager->SkinName();
  vcl::TMenuItem* item = skins->Items(checked);
  item->SetCaption("Shine&White (internal) 2");
  item->Click();
  EXPECT_EQ(manager->SkinName(), "ShineWhite (internal)");
  EXPECT_EQ(manager->SkinName(), current);

  menu->RemoveSkinSelectItems();
  EXPECT_NE(menu->Items()->Items(0)->Name(), "SkinSelectItem");
  EXPECT_FALSE(menu->Items()->Items(0)->IsLine());
  while (manager->InternalSkins()->Count() > stored) manager->InternalSkins()->Delete(stored);
}

TEST_F(ProviderTest, DialogSystemMenuFollowsTheWindowsStyles) {
  struct Case {
    const char* name;
    DWORD style;
    // visible of Restore, Move, Size, Minimize, Maximize, Close
    bool visible[6];
  };
  const Case cases[] = {
      {"modal frame", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, {false, true, false, false, false, true}},
      {"sizeable with boxes", WS_OVERLAPPEDWINDOW, {true, true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    HWND wnd = CreateWindowExA(0, "STATIC", "Dialog", c.style, 40, 40, 320, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    std::unique_ptr<skin::TacDialogWnd> adapter(
        skin::MakeAdapter<skin::TacDialogWnd>(false, wnd, std::string("DIALOG"), manager, nullptr));
    adapter->InitFromStyles();
    ShowWindow(wnd, SW_SHOWNA);
    skin::TacSystemMenu menu(nullptr);
    menu.Dialog = adapter.get();
    menu.UpdateItems();
    vcl::TMenuItem* items[6] = {menu.ItemRestore, menu.ItemMove, menu.ItemSize,
                                menu.ItemMinimize, menu.ItemMaximize, menu.ItemClose};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(items[i]->Visible(), c.visible[i]) << c.name << " " << items[i]->Name();
    EXPECT_EQ(menu.ItemClose->ShortCut(), vcl::scAlt | VK_F4);
    EXPECT_TRUE(menu.VisibleClose());
    EXPECT_FALSE(menu.VisibleMax() || menu.VisibleMin() || menu.EnabledMax() || menu.EnabledMin() ||
                 menu.EnabledRestore());
    if (c.visible[3]) {
      // The command goes to the window; a minimised window cannot be sized.
      menu.ItemMinimize->Click();
      ProcessMessages();
      EXPECT_TRUE(IsIconic(wnd)) << c.name;
      menu.UpdateItems();
      EXPECT_FALSE(menu.ItemSize->Enabled()) << c.name;
    }
    adapter->Detach(true, false);
    adapter.reset();
    DestroyWindow(wnd);
  }
}

}  // namespace

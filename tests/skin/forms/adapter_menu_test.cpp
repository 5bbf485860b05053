// Popup menu windows get their skinned frame adapter from the hook while popups are skinned,
// and the list of popup adapters is empty again once the menus close.
#include <gtest/gtest.h>

#include <memory>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/adapters/menu_wnd.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "vcl/controls/forms.h"

using namespace skin;

namespace {

struct MenuSeen {
  HWND popup = nullptr;
  bool adapted = false;
  size_t adapters = 0;
  LRESULT shownAnswer = -1;
};
MenuSeen menuSeen;

BOOL CALLBACK FindPopup(HWND wnd, LPARAM) {
  char name[16] = {};
  GetClassNameA(wnd, name, sizeof name);
  if (std::string(name) == "#32768" && IsWindowVisible(wnd)) {
    menuSeen.popup = wnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK InspectAndCloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindPopup, 0);
  if (!menuSeen.popup) return;
  KillTimer(nullptr, id);
  menuSeen.adapted = dynamic_cast<TacMnuWnd*>(GetWndAdapter(menuSeen.popup)) != nullptr;
  menuSeen.adapters = PopupAdapters.size();
  SendMessageA(menuSeen.popup, SM_ALPHACMD, MAKEWPARAM(0, 14), 0);
  menuSeen.shownAnswer = SendMessageA(menuSeen.popup, SM_ALPHACMD, MAKEWPARAM(0, cmdSetUpdating), 0);
  EndMenu();
}

TEST(PopupMenuAdapter, SkinsThePopupWhileOpenAndLeavesNoAdapterBehind) {
  auto manager = adapter_test::LoadInternalSkin();
  ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
  std::unique_ptr<vcl::TForm> form(new vcl::TForm(nullptr));
  form->Show();
  InstallDialogsHook();
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "First");
  AppendMenuA(menu, MF_STRING, 2, "Second");
  menuSeen = MenuSeen{};
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, InspectAndCloseMenu);
  TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, form->Handle(), nullptr);
  KillTimer(nullptr, timer);
  DestroyMenu(menu);
  ASSERT_NE(menuSeen.popup, nullptr);
  EXPECT_TRUE(menuSeen.adapted);
  EXPECT_EQ(menuSeen.adapters, 1u);
  EXPECT_EQ(menuSeen.shownAnswer, 1) << "the shown flag is answered in the result";
  // Wine keeps the popup window for reuse; once it is destroyed the list is empty.
  if (IsWindow(menuSeen.popup)) DestroyWindow(menuSeen.popup);
  EXPECT_TRUE(PopupAdapters.empty());
  RemoveDialogsHook();
}

}  // namespace

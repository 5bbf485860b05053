// The system menu of a skinned form opens where a user asks for it: on a click on the title
// icon, on Alt+Space and on a right click on the title, whether the popups are skinned or the
// platform's.
#include <gtest/gtest.h>

#include <string>

#include "tests/skin/forms/provider_fixture.h"

using namespace skin;
using namespace provider_test;

namespace {

HWND seenMenu = nullptr;

BOOL CALLBACK FindMenuWindow(HWND wnd, LPARAM) {
  char name[16] = {};
  GetClassNameA(wnd, name, sizeof name);
  if (std::string(name) == "#32768" && IsWindowVisible(wnd)) {
    seenMenu = wnd;
    return FALSE;
  }
  return TRUE;
}

// Closes the menu as soon as it is open, remembering that it was.
void CALLBACK CloseOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, 0);
  if (!seenMenu) return;
  KillTimer(nullptr, id);
  EndMenu();
}

class ProviderSystemMenu : public ProviderTest {};

TEST_F(ProviderSystemMenu, OpensOnTheIconOnAltSpaceAndOnARightClickOnTheTitle) {
  struct Way {
    const char* what;
    void (*ask)(vcl::TForm*, TsSkinProvider*);
  };
  const Way ways[] = {
      {"click on the title icon",
       [](vcl::TForm* form, TsSkinProvider* provider) {
         RECT window, icon = provider->TitleIconRect();
         GetWindowRect(form->Handle(), &window);
         POINT p{window.left + (icon.left + icon.right) / 2, window.top + (icon.top + icon.bottom) / 2};
         SendMessageA(form->Handle(), WM_NCLBUTTONDOWN, HTSYSMENU, MAKELPARAM(p.x, p.y));
         // With the platform's popups the menu waits on a timer for a possible double click.
         if (!provider->SkinData()->GetSkinManager()->SkinnedPopups())
           SendMessageA(form->Handle(), WM_TIMER, kSystemMenuTimer, 0);
       }},
      {"Alt+Space",
       [](vcl::TForm* form, TsSkinProvider*) { SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, ' '); }},
      {"right click on the title",
       [](vcl::TForm* form, TsSkinProvider*) {
         RECT window;
         GetWindowRect(form->Handle(), &window);
         POINT p{window.left + 80, window.top + 10};
         SendMessageA(form->Handle(), WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(p.x, p.y));
       }},
  };
  const bool skinnedPopups = manager->SkinnedPopups();
  for (bool skinned : {true, false}) {
    manager->SetSkinnedPopups(skinned);
    vcl::TForm* form = NewSkinnedForm(320, 220);
    form->SetCaption("System menu");
    ShowForm(form);
    auto* provider = TsSkinProvider::FromForm(form);
    for (const Way& way : ways) {
      seenMenu = nullptr;
      const UINT_PTR timer = SetTimer(nullptr, 0, 10, CloseOpenMenu);
      way.ask(form, provider);
      KillTimer(nullptr, timer);
      EXPECT_NE(seenMenu, nullptr) << way.what << (skinned ? ", skinned popups" : ", platform popups");
      ProcessMessages();
    }
  }
  manager->SetSkinnedPopups(skinnedPopups);
}

}  // namespace

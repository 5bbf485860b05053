// The thread hook skins a standard dialog as it is created and leaves nothing behind when the
// dialog closes; forms with a provider of their own and the library's own forms are left alone.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/skin_provider.h"
#include "tests/skin/forms/adapter_skin_fixture.h"
#include "tests/support/dialog_answerer.h"
#include "vcl/controls/forms.h"

using namespace skin;

namespace {

struct DialogSeen {
  HWND dialog = nullptr;
  bool adapted = false;
  bool answersSkinned = false;
  int childAdapters = 0;
  int providers = 0;
};
DialogSeen seen;
WPARAM closeCommand = IDOK;

BOOL CALLBACK FindDialog(HWND wnd, LPARAM) {
  if (GetWndClassName(wnd) == "#32770" && IsWindowVisible(wnd)) {
    seen.dialog = wnd;
    return FALSE;
  }
  return TRUE;
}

int CountAdaptedChildren(HWND wnd) {
  int count = 0;
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT))
    count += (GetWndAdapter(child) ? 1 : 0) + CountAdaptedChildren(child);
  return count;
}

// Runs inside the message box's own loop: looks at the dialog, then closes it.
void CALLBACK InspectAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
  if (!seen.dialog) return;
  KillTimer(nullptr, id);
  seen.adapted = GetWndAdapter(seen.dialog) != nullptr;
  seen.answersSkinned = WndAnswersAlphaCmd(seen.dialog, cmdIsSkinned);
  seen.childAdapters = CountAdaptedChildren(seen.dialog);
  for (TacProvider* p : ProviderList) seen.providers += p ? 1 : 0;
  PostMessageA(seen.dialog, WM_COMMAND, MAKEWPARAM(closeCommand, BN_CLICKED), 0);
}

class DialogsHook : public ::testing::Test {
 protected:
  void SetUp() override {
    manager = adapter_test::LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    InstallDialogsHook();
    seen = DialogSeen{};
    closeCommand = IDOK;
  }
  void TearDown() override {
    RemoveDialogsHook();
    manager.reset();
  }
  std::unique_ptr<TsSkinManager> manager;
};

TEST_F(DialogsHook, MessageBoxIsSkinnedWhileOpenAndLeavesNothingBehind) {
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, InspectAndClose);
  const int answer = MessageBoxA(nullptr, "Skinned?", "Mergeon", MB_OK);
  KillTimer(nullptr, timer);
  EXPECT_EQ(answer, IDOK);
  ASSERT_NE(seen.dialog, nullptr);
  EXPECT_TRUE(seen.adapted);
  EXPECT_TRUE(seen.answersSkinned);
  EXPECT_GE(seen.childAdapters, 1) << "the OK button and the text";
  EXPECT_EQ(seen.providers, 1);

  // The dialog is gone: its provider and adapters go at the hook's next call.
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
  EXPECT_FALSE(IsWindow(seen.dialog));
}

TEST_F(DialogsHook, ColourDialogIsSkinnedWithItsChildrenAndLeavesNothingBehind) {
  closeCommand = IDCANCEL;
  COLORREF custom[16] = {};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof(choose);
  choose.lpCustColors = custom;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, InspectAndClose);
  EXPECT_FALSE(ChooseColorA(&choose));
  KillTimer(nullptr, timer);
  ASSERT_NE(seen.dialog, nullptr);
  EXPECT_TRUE(seen.adapted);
  EXPECT_GE(seen.childAdapters, 3) << "its buttons, texts and edits";
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
}

TEST_F(DialogsHook, OpenDialogIsSkinnedAndClosesCleanly) {
  closeCommand = IDCANCEL;
  char file[MAX_PATH] = {};
  OPENFILENAMEA open{};
  open.lStructSize = sizeof(open);
  open.lpstrFilter = "All Image Files\0*.jpg;*.bmp\0";
  open.lpstrFile = file;
  open.nMaxFile = MAX_PATH;
  open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, InspectAndClose);
  EXPECT_FALSE(GetOpenFileNameA(&open));
  KillTimer(nullptr, timer);
  ASSERT_NE(seen.dialog, nullptr);
  EXPECT_TRUE(seen.adapted);
  EXPECT_GE(seen.childAdapters, 2);
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// A dialog the program opens has its form as owner (GetParent answers the owner): it is a
// top-level window all the same and is skinned; a child dialog is not.
HWND NewDialog(HWND owner, DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME) {
  struct {
    DLGTEMPLATE head;
    WORD menu, cls, title, pad;
  } tmpl{};
  tmpl.head.style = style;
  tmpl.head.cx = 200;
  tmpl.head.cy = 120;
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tmpl.head, owner, PlainDialogProc, 0);
}

TEST_F(DialogsHook, OwnedDialogsAreSkinnedChildDialogsAreNot) {
  std::unique_ptr<vcl::TForm> owner(new vcl::TForm(nullptr));
  owner->SetTag(-98);
  owner->HandleNeeded();
  HWND owned = NewDialog(owner->Handle());
  ASSERT_NE(owned, nullptr);
  ASSERT_EQ(GetParent(owned), owner->Handle()) << "GetParent names the owner of a popup";
  HWND child = NewDialog(owner->Handle(), WS_CHILD);
  ASSERT_NE(child, nullptr);
  // The hook skinned the owned one as it was created.
  EXPECT_TRUE(WndAnswersAlphaCmd(owned, cmdIsSkinned));
  EXPECT_NE(GetWndAdapter(owned), nullptr);
  EXPECT_FALSE(WndAnswersAlphaCmd(child, cmdIsSkinned));
  EXPECT_FALSE(TrySkinTopWindow(child, nullptr));
  DestroyWindow(child);
  DestroyWindow(owned);
  FreeReleasedProviders();
  EXPECT_TRUE(ProviderList.empty());
}

// The adapters draw a dialog's controls in the controls' own font, which stays the controls'
// owner's: it is alive after the adapters went, and the owner deletes it once.
TEST_F(DialogsHook, AdaptersLeaveTheControlsFontsToTheirOwner) {
  std::unique_ptr<vcl::TForm> owner(new vcl::TForm(nullptr));
  owner->SetTag(-98);
  owner->SetBounds(0, 0, 100, 100);
  owner->HandleNeeded();
  HWND dialog = NewDialog(owner->Handle());
  ASSERT_NE(dialog, nullptr);
  HFONT font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  struct Control {
    const char* cls;
    DWORD style;
  };
  const Control controls[] = {
      {"BUTTON", BS_PUSHBUTTON},     {"BUTTON", BS_AUTOCHECKBOX},  {"BUTTON", BS_GROUPBOX},
      {"STATIC", SS_LEFT},           {"COMBOBOX", CBS_DROPDOWNLIST}, {"COMBOBOX", CBS_DROPDOWN},
      {"SysListView32", LVS_REPORT}, {"SysLink", 0},
  };
  int y = 4;
  std::vector<HWND> windows;
  for (const Control& c : controls) {
    HWND wnd = CreateWindowExA(0, c.cls, "<a>Text</a>", WS_CHILD | WS_VISIBLE | c.style, 4, y, 160, 40, dialog,
                               nullptr, nullptr, nullptr);
    y += 44;
    if (!wnd) continue;  // a class this platform does not have
    SendMessageA(wnd, WM_SETFONT, WPARAM(font), FALSE);
    windows.push_back(wnd);
    if (std::string(c.cls) == "SysListView32") {
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = 100;
      column.pszText = const_cast<char*>("Name");
      SendMessageA(wnd, LVM_INSERTCOLUMNA, 0, LPARAM(&column));
    }
  }
  SetWindowPos(dialog, nullptr, 0, 0, 220, y + 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The hook skinned the dialog as it was created; its controls came later.
  ASSERT_TRUE(WndAnswersAlphaCmd(dialog, cmdIsSkinned));
  for (TacProvider* p : ProviderList) {
    if (p && p->Window == dialog) {
      EXPECT_TRUE(p->SkinChildWindows(dialog));
    }
  }
  ShowWindow(dialog, SW_SHOWNA);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  for (HWND wnd : windows) {
    adapter_test::PrintWindowPixels(wnd);
    EXPECT_EQ(HFONT(SendMessageA(wnd, WM_GETFONT, 0, 0)), font);
  }
  EXPECT_GE(CountAdaptedChildren(dialog), 5);
  // The adapters go with the hook; the dialog and its controls stay.
  RemoveDialogsHook();
  EXPECT_EQ(GetObjectType(font), DWORD(OBJ_FONT)) << "the font was deleted by an adapter";
  // The controls go; the platform's link control (last) deletes the font it was given itself.
  for (HWND wnd : windows)
    if (ClassNameOf(wnd) != "SysLink") DestroyWindow(wnd);
  EXPECT_EQ(GetObjectType(font), DWORD(OBJ_FONT));
  DestroyWindow(dialog);
  DeleteObject(font);
}

TEST_F(DialogsHook, InactiveManagerLeavesDialogsAlone) {
  manager->SetActive(false);
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, InspectAndClose);
  MessageBoxA(nullptr, "Plain", "Mergeon", MB_OK);
  KillTimer(nullptr, timer);
  ASSERT_NE(seen.dialog, nullptr);
  EXPECT_FALSE(seen.adapted);
  EXPECT_EQ(seen.providers, 0);
}

TEST_F(DialogsHook, FormsWithAProviderOrOfTheLibraryAreLeftAlone) {
  // A form that answers for its own provider.
  struct ProvidedForm : vcl::TForm {
    using vcl::TForm::TForm;
    void WndProc(vcl::TMessage& m) override {
      if (m.Msg == SM_ALPHACMD && m.WParamHi() == cmdGetProvider) {
        m.Result = 1;
        return;
      }
      vcl::TForm::WndProc(m);
    }
  };
  std::unique_ptr<vcl::TForm> provided(new ProvidedForm(nullptr));
  std::unique_ptr<vcl::TForm> own(new vcl::TForm(nullptr));
  own->SetTag(-98);
  std::unique_ptr<vcl::TForm> plain(new vcl::TForm(nullptr));
  for (vcl::TForm* form : {provided.get(), own.get(), plain.get()}) form->HandleNeeded();
  EXPECT_FALSE(TrySkinTopWindow(provided->Handle(), nullptr));
  EXPECT_FALSE(TrySkinTopWindow(own->Handle(), nullptr));
  EXPECT_TRUE(TrySkinTopWindow(plain->Handle(), nullptr));
  EXPECT_FALSE(TrySkinTopWindow(plain->Handle(), nullptr)) << "one provider per form";
  int automatic = 0;
  for (int i = 0; i < plain->ComponentCount(); ++i) automatic += plain->Components(i)->Is<TsSkinProvider>() ? 1 : 0;
  EXPECT_EQ(automatic, 1);
  plain->Show();
  plain.reset();
  for (TacProvider* p : ProviderList) EXPECT_EQ(p, nullptr) << "the form's provider left the list with it";
}

}  // namespace

#include "skin/forms/adapters/dialogs_hook.h"

#include "skin/forms/adapters/panel_adapter.h"

#include <algorithm>
#include <cctype>

#include "skin/engine/bitmap_ops.h"
#include "skin/engine/paint/item_painters.h"
#include "skin/engine/window_messages.h"
#include "skin/forms/adapters/button_adapters.h"
#include "skin/forms/adapters/combo_box_wnd.h"
#include "skin/forms/adapters/dialog_wnd.h"
#include "skin/forms/adapters/edit_wnd.h"
#include "skin/forms/adapters/list_view_wnd.h"
#include "skin/forms/adapters/menu_wnd.h"
#include "skin/forms/adapters/panel_adapter.h"
#include "skin/forms/adapters/scroll_support.h"
#include "skin/forms/adapters/spin_adapter.h"
#include "skin/forms/adapters/static_adapters.h"
#include "skin/forms/adapters/tab_adapters.h"
#include "skin/forms/adapters/tool_bar_adapter.h"
#include "skin/forms/adapters/tree_view_wnd.h"
#include "skin/forms/skin_provider.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"
#include "vcl/graphics/colours.h"

namespace skin {

std::vector<TacProvider*> ProviderList;
POINT MessageBoxPos{-1, -1};
std::function<vcl::TComponent*(vcl::TCustomForm* form)> CreateAutoProvider = [](vcl::TCustomForm* form) {
  // The form owns its automatic provider; an automatic provider makes no skinned menu.
  TsSkinProvider* provider = TsSkinProvider::CreateForForm(form);
  if (provider) provider->SetMakeSkinMenu(false);
  return static_cast<vcl::TComponent*>(provider);
};

namespace {

HHOOK dialogsHook = nullptr;

constexpr uintptr_t kPopupMenuAtom = 0x8000;
constexpr uintptr_t kDialogAtom = 0x8002;

bool ApplicationGoing() {
  return !vcl::Application || vcl::Application->ComponentState().Contains(vcl::csDestroying);
}

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(uint8_t(c)));
  return text;
}

bool HasDescendantOfClass(HWND wnd, const std::string& lowerName) {
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (Lower(GetWndClassName(child)) == lowerName) return true;
    if (HasDescendantOfClass(child, lowerName)) return true;
  }
  return false;
}

// A top-level window is one that is no child: an owned popup (every dialog the component
// library opens has the active form as owner) is top-level too, although GetParent names its
// owner.
bool IsTopLevel(uint32_t style) { return (style & WS_CHILD) == 0; }

bool ProviderFor(HWND wnd) {
  return std::any_of(ProviderList.begin(), ProviderList.end(), [wnd](TacProvider* p) {
    return p && (p->Window == wnd || (p->Owner() && dynamic_cast<vcl::TWinControl*>(p->Owner()) &&
                                      static_cast<vcl::TWinControl*>(p->Owner())->WindowHandle() == wnd));
  });
}

bool SkinnedDialogVisible() {
  return std::any_of(ProviderList.begin(), ProviderList.end(), [](TacProvider* p) {
    return p && p->DialogAdapter && !p->DialogAdapter->Detached && IsWindowVisible(p->Window);
  });
}

// The form whose window it is; the handle is read without making one.
vcl::TCustomForm* FormOfWindow(HWND wnd) {
  if (!vcl::Screen) return nullptr;
  for (int i = vcl::Screen->CustomFormCount() - 1; i >= 0; --i) {
    vcl::TCustomForm* form = vcl::Screen->CustomForms(i);
    if (form && form->HandleAllocated() && form->WindowHandle() == wnd) return form;
  }
  return nullptr;
}

}  // namespace

// ---- Providers ---------------------------------------------------------------------------------

TacProvider::TacProvider(vcl::TComponent* owner) : vcl::TComponent(owner) {}

TacProvider::~TacProvider() {
  std::replace(ProviderList.begin(), ProviderList.end(), this, static_cast<TacProvider*>(nullptr));
  if (FormProvider) return;  // the form frees its provider component
  for (auto& child : ChildAdapters) {
    if (child) child->Detach(false, false);
  }
  ChildAdapters.clear();
  if (DialogAdapter) {
    DialogAdapter->FreeBars();
    DialogAdapter->Detach(IsWindow(Window) != FALSE, true);
  }
  DialogAdapter.reset();
}

bool TacProvider::InitDialog(HWND wnd) {
  Window = wnd;
  if (DialogAdapter || !DefaultManager || !DefaultManager->Active()) return true;
  CheckStyle = uint32_t(GetWindowLongA(wnd, GWL_STYLE));
  LeftScrollBar = (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  if (ScrollSupport().UninitializeFlatSB) ScrollSupport().UninitializeFlatSB(wnd);
  DialogAdapter.reset(MakeAdapter<TacDialogWnd>(false, wnd, std::string("DIALOG"), DefaultManager, nullptr));
  DialogAdapter->Provider = this;
  if (MessageBoxPos.x != -1 || MessageBoxPos.y != -1)
    SetWindowPos(wnd, nullptr, MessageBoxPos.x, MessageBoxPos.y, 0, 0, SWP_NOSIZE | SWP_NOREDRAW | SWP_NOOWNERZORDER);
  if (!SkinChildWindows(wnd)) {
    std::replace(ProviderList.begin(), ProviderList.end(), this, static_cast<TacProvider*>(nullptr));
    return false;
  }
  DialogAdapter->InitFromStyles();
  SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdSkinSet), LPARAM(DefaultManager));
  return true;
}

bool TacProvider::SkinChildWindows(HWND wnd) {
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!SkinChildWindows(child)) return false;
    if ((GetWindowLongA(child, GWL_STYLE) & WS_CHILD) && !AddChildAdapter(child)) return false;
  }
  return true;
}

bool TacProvider::AddChildAdapter(HWND wnd) {
  if (!wnd) return false;
  if (WndAnswersAlphaCmd(wnd, cmdIsSkinned)) return true;
  CreatingDialogChildren = true;
  const std::string name = Lower(GetWndClassName(wnd));
  const uint32_t style = uint32_t(GetWindowLongA(wnd, GWL_STYLE));
  TsSkinManager* manager = DialogAdapter ? DialogAdapter->Manager : DefaultManager;
  TacMainWnd* adapter = nullptr;
  // Dialog mode is set before the adapter starts: it decides what the adapter takes over.
  auto make = [&](auto* tag, const char* section, bool dialogMode = false) {
    using T = std::remove_pointer_t<decltype(tag)>;
    T* made = new T(wnd, std::string(section), manager, nullptr);
    made->DialogMode = dialogMode;
    made->Start(true);
    adapter = made;
  };
  const uint32_t staticType = style & SS_TYPEMASK;
  // A dialog with edits or combo boxes paints some of its client itself (colour and font
  // dialogs): its WM_PAINT then goes to its own procedure.
  if (DialogAdapter && (name == "edit" || name == "combobox" || name == "combolbox" || name == "comboboxex32"))
    DialogAdapter->ValidateOnPaint = false;
  if (name == "static") {
    if (staticType == SS_ICON || staticType == SS_BITMAP)
      make(static_cast<TacIconWnd*>(nullptr), "CHECKBOX");
    else if (staticType != SS_OWNERDRAW && staticType != SS_GRAYRECT && staticType != SS_WHITERECT &&
             staticType != SS_ETCHEDFRAME && staticType != SS_BLACKFRAME && staticType != SS_GRAYFRAME &&
             staticType != SS_WHITEFRAME && staticType != SS_ETCHEDHORZ && staticType != SS_ETCHEDVERT &&
             staticType != SS_BLACKRECT && staticType != SS_ENHMETAFILE)
      make(static_cast<TacStaticWnd*>(nullptr), "CHECKBOX");
  } else if (name == "#32770" || name == "shbrowseforfolder") {
    make(static_cast<TacTransPanelWnd*>(nullptr), "CHECKBOX");
  } else if (name == "button") {
    const uint32_t type = style & 0xF;
    if (type == BS_GROUPBOX || type == 15)
      make(static_cast<TacGroupBoxWnd*>(nullptr), "GROUPBOX");
    else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON)
      make(static_cast<TacBtnWnd*>(nullptr), "BUTTON");
    else if (type != BS_OWNERDRAW)
      make(static_cast<TacCheckBoxWnd*>(nullptr), "CHECKBOX");
  } else if (name == "edit") {
    if (IsWindowVisible(wnd)) make(static_cast<TacEditWnd*>(nullptr), "EDIT", true);
  } else if (name == "listbox") {
    make(static_cast<TacEditWnd*>(nullptr), "EDIT", true);
  } else if (name == "combolbox") {
    make(static_cast<TacEditWnd*>(nullptr), "COMBOBOX");
  } else if (name == "combobox" || name == "comboboxex32") {
    make(static_cast<TacComboBoxWnd*>(nullptr), "COMBOBOX", name == "combobox");
  } else if (name == "syslistview32") {
    make(static_cast<TacListViewWnd*>(nullptr), "EDIT", true);
  } else if (name == "systreeview32") {
    make(static_cast<TacTreeViewWnd*>(nullptr), "EDIT", true);
  } else if (name == "systabcontrol32") {
    // An owner-drawn tab control draws its tabs itself.
    if (!(style & TCS_OWNERDRAWFIXED)) make(static_cast<TacTabControlWnd*>(nullptr), "PAGECONTROL");
  } else if (name == "link window" || name == "syslink") {
    make(static_cast<TacLinkWnd*>(nullptr), "CHECKBOX");
  } else if (name == "msctls_updown32") {
    make(static_cast<TacSpinWnd*>(nullptr), "SPEEDBUTTON_SMALL");
    static_cast<TacSpinWnd*>(adapter)->ButtonOffset = 2;
  } else if (name == "toolbarwindow32") {
    make(static_cast<TacToolBarWnd*>(nullptr), (style & TBSTYLE_WRAPABLE) ? "BAR" : "CHECKBOX");
  } else if (name == "tpanel" || name == "tsilentpaintpanel") {
    make(static_cast<TacDlgPanelWnd*>(nullptr), "PANEL");
  } else if (name == "scrollbar") {
    // Only the size grip of a dialog; real scroll-bar controls keep their own look.
    if (style & (SBS_SIZEGRIP | SBS_SIZEBOX)) make(static_cast<TacSizerWnd*>(nullptr), "CHECKBOX");
  }
  if (adapter) {
    adapter->ReadGeometry();
    ChildAdapters.emplace_back(adapter);
  }
  CreatingDialogChildren = false;
  return true;
}

// ---- The hook ----------------------------------------------------------------------------------

std::string GetWndClassName(HWND wnd) {
  char name[128] = {};
  const int length = wnd ? GetClassNameA(wnd, name, sizeof name) : 0;
  return std::string(name, size_t(std::max(length, 0)));
}

void FreeReleasedProviders() {
  // Collected first: freeing a provider clears its own entry.
  std::vector<TacProvider*> released;
  for (TacProvider* p : ProviderList)
    if (p && !p->FormProvider && (!p->DialogAdapter || p->DialogAdapter->Detached || !IsWindow(p->Window)) &&
        !(p->DialogAdapter && p->DialogAdapter->InDispatch()))
      released.push_back(p);
  for (TacProvider* p : released) delete p;
  ProviderList.erase(std::remove(ProviderList.begin(), ProviderList.end(), nullptr), ProviderList.end());
}

bool TrySkinTopWindow(HWND wnd, const CREATESTRUCTA* createInfo) {
  if (!DefaultManager || ApplicationGoing() || !wnd) return false;
  if (WndAnswersAlphaCmd(wnd, cmdIsSkinned)) return false;
  std::string className;
  if (createInfo && createInfo->lpszClass && uintptr_t(createInfo->lpszClass) >= 0x10000)
    className = createInfo->lpszClass;
  if (className.empty()) className = GetWndClassName(wnd);
  if (ProviderFor(wnd)) return false;
  const TacSkinningRules rules = DefaultManager->SkinningRules();
  vcl::TCustomForm* form = FormOfWindow(wnd);
  if (form && !form->ComponentState().Contains(vcl::csLoading)) {
    if (form->Tag() == -98 || className == "TApplication" || className == "TQRStandardPreview" ||
        className == "TfcPopup")
      return false;
    // A form that has a provider of its own is left to it.
    if (SendMessageA(wnd, SM_ALPHACMD, MAKEWPARAM(0, cmdGetProvider), 0) != 0) return false;
    const bool messageForm = form->ClassNameIs("TMessageForm");
    if (!(rules & (1u << (messageForm ? srStdDialogs : srStdForms)))) return false;
    if (!CreateAutoProvider) return false;
    auto* provider = new TacProvider(form);
    ProviderList.push_back(provider);
    provider->Window = wnd;
    provider->FormProvider = CreateAutoProvider(form);
    if (!provider->FormProvider) {
      delete provider;
      return false;
    }
    // The children of an MDI form are no top-level windows: the hook never sees them come.
    if (form->FormStyle() == vcl::fsMDIForm) SkinMdiChildren(form);
    return true;
  }
  if (!IsTopLevel(uint32_t(GetWindowLongA(wnd, GWL_STYLE))) || className != "#32770" ||
      !(rules & (1u << srStdDialogs)))
    return false;
  if (!DefaultManager->Active() || !DefaultManager->SkinData()->Active) return false;
  // A dialog opened from a skinned dialog keeps the platform's look, except file dialogs.
  if (SkinnedDialogVisible() && !HasDescendantOfClass(wnd, "toolbarwindow32")) return false;
  auto* provider = new TacProvider(nullptr);
  ProviderList.push_back(provider);
  if (!provider->InitDialog(wnd)) delete provider;
  return true;
}

void SkinMdiChildren(vcl::TCustomForm* mdiForm) {
  if (!mdiForm || mdiForm->FormStyle() != vcl::fsMDIForm) return;
  std::vector<HWND> children;
  for (int i = 0; i < mdiForm->MDIChildCount(); ++i)
    if (vcl::TCustomForm* child = mdiForm->MDIChildren(i); child && child->HandleAllocated())
      children.push_back(child->WindowHandle());
  for (HWND child : children)
    if (IsWindow(child) && !WndAnswersAlphaCmd(child, cmdIsSkinned)) TrySkinTopWindow(child, nullptr);
}

LRESULT CALLBACK DialogsCBTProc(int code, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallNextHookEx(dialogsHook, code, wParam, lParam);
  try {
    if (ApplicationGoing() || !DefaultManager) return result;
    switch (code) {
      case HCBT_CREATEWND: {
        FreeReleasedProviders();
        HWND wnd = reinterpret_cast<HWND>(wParam);
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const CREATESTRUCTA* cs = create ? create->lpcs : nullptr;
        if (!wnd || !cs) break;
        const uintptr_t atom = uintptr_t(cs->lpszClass);
        if (atom == kPopupMenuAtom) {
          // Popup menus get their skinned frame; the platform here has no desktop composition.
          if (DefaultManager->SkinnedPopups() && DefaultManager->Active() && DefaultManager->SkinData()->Active &&
              !WndAnswersAlphaCmd(wnd, cmdIsSkinned))
            PopupAdapters.push_back(
                MakeAdapter<TacMnuWnd>(false, wnd, std::string("MAINMENU"), DefaultManager, nullptr));
        } else if (atom == kDialogAtom) {
          TrySkinTopWindow(wnd, nullptr);
        } else if (atom >= 0x10000) {
          if (std::string(cs->lpszClass) == "TPUtilWindow") break;
          vcl::TCustomForm* main = vcl::Application ? vcl::Application->MainForm() : nullptr;
          if (!main || !main->HandleAllocated()) break;
          if (cs->style != 0 && cs->dwExStyle != 0 && main->WindowHandle() != wnd && IsTopLevel(uint32_t(cs->style)))
            TrySkinTopWindow(wnd, cs);
        }
        break;
      }
      case HCBT_DESTROYWND:
        FreeReleasedProviders();
        break;
      case HCBT_ACTIVATE:
        FreeReleasedProviders();
        TrySkinTopWindow(reinterpret_cast<HWND>(wParam), nullptr);
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing unwinds into the platform: a window that could not be skinned keeps its look.
  }
  return result;
}

void InstallDialogsHook() {
  if (dialogsHook) return;
  dialogsHook = SetWindowsHookExA(WH_CBT, DialogsCBTProc, nullptr, GetCurrentThreadId());
}

void RemoveDialogsHook() {
  if (dialogsHook) UnhookWindowsHookEx(dialogsHook);
  dialogsHook = nullptr;
  std::vector<TacProvider*> dialogs;
  for (TacProvider* p : ProviderList)
    if (p && !p->FormProvider) dialogs.push_back(p);
  for (TacProvider* p : dialogs) delete p;
  ProviderList.erase(std::remove(ProviderList.begin(), ProviderList.end(), nullptr), ProviderList.end());
  ClearPopupAdapters();
}

bool DialogsHookInstalled() { return dialogsHook != nullptr; }

void PrintChildWindows(HWND wnd, HDC dc) {
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const int saved = SaveDC(dc);
    RECT r{};
    GetWindowRect(child, &r);
    POINT at{r.left, r.top};
    ScreenToClient(wnd, &at);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - at.x, origin.y - at.y, nullptr);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & WS_CHILD) && (style & WS_VISIBLE)) SendMessageA(child, WM_PRINT, WPARAM(dc), 0);
    PrintChildWindows(child, dc);
    RestoreDC(dc, saved);
  }
}

void SendToChildWindows(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, msg, wParam, lParam);
}


}  // namespace skin

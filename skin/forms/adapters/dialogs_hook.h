// The thread hook that skins windows nobody skinned on purpose: the platform's standard
// dialogs (top-level windows of class "#32770": message boxes, open and save, colour and font
// dialogs) get a dialog frame adapter and one adapter per child window through the class map;
// forms without a skin provider get an automatic provider. A form that has a provider (it answers SM_ALPHACMD 4) is left to it, and so are
// the library's own windows (Tag -98).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "skin/forms/adapters/scroll_wnd.h"
#include "vcl/classes/component.h"

namespace vcl {
class TCustomForm;
}

namespace skin {

class TacProvider;
class TacDialogWnd;

class TacProvider : public vcl::TComponent {
  VCL_CLASS(TacProvider, vcl::TComponent)
  explicit TacProvider(vcl::TComponent* owner);
  ~TacProvider() override;

  // Gives a standard dialog its frame adapter and its children theirs; false when the
  // children could not be adapted.
  bool InitDialog(HWND wnd);
  // Adapts the children of wnd (their own children first); the class map decides.
  bool SkinChildWindows(HWND wnd);
  // The class map: the adapter a child window of a dialog gets by its class; true for every window.
  bool AddChildAdapter(HWND wnd);

  bool LeftScrollBar = false;
  HWND Window = nullptr;
  vcl::TComponent* FormProvider = nullptr;  // the automatic provider of a form (the form owns it)
  std::unique_ptr<TacDialogWnd> DialogAdapter;
  std::vector<std::unique_ptr<TacMainWnd>> ChildAdapters;
};

// The providers the hook made (entries are null once removed). This unit owns the list and
// frees the dialogs' providers; a form's provider belongs to its form.
extern std::vector<TacProvider*> ProviderList;
// Position for the next message box (-1, -1: none).
extern POINT MessageBoxPos;
// The automatic provider of a form without one (owned by the form): a TsSkinProvider made for
// the form. Unset: forms without a provider stay unskinned.
extern std::function<vcl::TComponent*(vcl::TCustomForm* form)> CreateAutoProvider;

// Installs the CBT hook on the calling thread (once); removing it frees every dialog provider.
void InstallDialogsHook();
void RemoveDialogsHook();
bool DialogsHookInstalled();

LRESULT CALLBACK DialogsCBTProc(int code, WPARAM wParam, LPARAM lParam);
// The decision: true when a provider was made for the window.
bool TrySkinTopWindow(HWND wnd, const CREATESTRUCTA* createInfo);
// Every MDI child of the MDI form that is not skinned yet gets its automatic provider.
void SkinMdiChildren(vcl::TCustomForm* mdiForm);
// Frees the dialog providers whose dialog is gone.
void FreeReleasedProviders();
std::string GetWndClassName(HWND wnd);
// Prints the visible child windows into the DC at their places (WM_PRINT), deepest last.
void PrintChildWindows(HWND wnd, HDC dc);
void SendToChildWindows(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace skin

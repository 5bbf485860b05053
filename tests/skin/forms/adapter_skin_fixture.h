// The program's own skin loaded by a skin manager, for the adapter tests: the skin the build
// packs, read from its packed file in the build tree; and what the tests read back of an adapted
// window (its printed pixels, the window state an adapter must give back).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "skin/engine/skin_manager.h"
#include "skin/forms/adapters/control_adapters.h"
#include "skin/forms/skin_provider.h"
#include "tests/support/pixel_surface.h"
#include "vcl/controls/controls.h"
#include "vcl/controls/forms.h"
#include "vcl/runtime/win.h"

namespace adapter_test {

// The class library's standard controls in the manager's ThirdParty lists, each in the list of
// its kind (a program names them in its manager's form data).
inline void ListStandardClasses(skin::TsSkinManager* manager) {
  static const char* const lists[skin::ThirdPartyCount] = {
      "TEdit\nTMemo\nTMaskEdit\nTRichEdit\nTListBox\nTCheckListBox",
      "TButton",
      "TBitBtn",
      "TCheckBox\nTRadioButton",
      "TComboBox",
      "TStringGrid\nTDrawGrid",
      "TGroupBox\nTRadioGroup",
      "TListView",
      "TPanel",
      "TTreeView",
      "",
      "",
      "",
      "TPageControl",
      "TTabControl",
      "TToolBar",
      "TStatusBar",
      "TSpeedButton"};
  for (int i = 0; i < skin::ThirdPartyCount; ++i) manager->ThirdPartyLists[size_t(i)]->SetText(lists[i]);
}

// A provider for the form (the form owns it) that follows the manager, with its control adapter
// made: the form's controls adapted. It is made as the program makes its own, completed by its
// AfterConstruction; call it before the form is shown, so that the form's window comes up with
// the skinned frame.
inline skin::TacCtrlAdapter* AdaptFormControls(vcl::TCustomForm* form, skin::TsSkinManager* manager) {
  skin::TsSkinProvider* provider = skin::TsSkinProvider::FromForm(form);
  if (!provider || provider->Automatic() || provider->Form() != form)
    provider = vcl::New<skin::TsSkinProvider>(form);
  provider->SkinData()->SetSkinManager(manager);
  provider->AdaptControls();
  return provider->CtrlAdapter();
}

// The control adapter of the form's provider now (the provider makes a new one when the skin
// comes back).
inline skin::TacCtrlAdapter* FormCtrlAdapter(vcl::TCustomForm* form) {
  skin::TsSkinProvider* provider = skin::TsSkinProvider::FromForm(form);
  return provider ? provider->CtrlAdapter() : nullptr;
}

// The window adapter of the control's item, or null.
inline skin::TacMainWnd* ItemAdapterOf(skin::TacCtrlAdapter* adapter, vcl::TWinControl* control) {
  if (!adapter) return nullptr;
  for (auto& item : adapter->AdapterItems)
    if (item->Control == control && item->WndAdapter && !item->WndAdapter->Detached) return item->WndAdapter;
  return nullptr;
}

// The speed-button handler of the control's graphic item, or null.
inline skin::TacSpeedButtonHandler* ItemHandlerOf(skin::TacCtrlAdapter* adapter, vcl::TControl* control) {
  if (!adapter) return nullptr;
  for (auto& item : adapter->GraphicItems)
    if (item->Control == control) return item->ButtonHandler.get();
  return nullptr;
}

// Frees the form's provider: every adapted control is given back.
inline void RemoveFormProvider(vcl::TCustomForm* form) {
  if (!form) return;
  for (int i = form->ComponentCount() - 1; i >= 0; --i)
    if (auto* provider = dynamic_cast<skin::TsSkinProvider*>(form->Components(i))) delete provider;
}

inline int ItemCount(skin::TacCtrlAdapter* adapter) {
  return adapter ? int(adapter->AdapterItems.size() + adapter->GraphicItems.size()) : 0;
}

inline std::unique_ptr<skin::TsSkinManager> LoadInternalSkin() {
  std::string path = MERGEON_INTERNAL_SKIN;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  const size_t slash = path.rfind('\\');
  std::string name = path.substr(slash + 1);
  name = name.substr(0, name.rfind('.'));
  auto manager = std::make_unique<skin::TsSkinManager>(nullptr);
  manager->SetSkinDirectory(path.substr(0, slash + 1));
  manager->SetSkinName(name);
  ListStandardClasses(manager.get());
  return manager;
}

// The program's skin and an empty hidden form, for tests that adapt the form's controls.
class SkinAndFormTest : public ::testing::Test {
 protected:
  // Fails the test where the skin does not load.
  void LoadSkinAndMakeForm(int width, int height) {
    manager = LoadInternalSkin();
    ASSERT_TRUE(manager->SkinData()->Active) << manager->LastLoadError();
    form.reset(new vcl::TForm(nullptr));
    form->SetBounds(0, 0, width, height);
  }

  std::unique_ptr<skin::TsSkinManager> manager;
  std::unique_ptr<vcl::TForm> form;
};

// The window's look as WM_PRINT gives it with the flags, as rows of pixels without alpha.
inline std::vector<uint32_t> PrintWindowPixels(HWND wnd, UINT flags = PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND) {
  RECT r{};
  GetWindowRect(wnd, &r);
  TPixelSurface surface(r.right - r.left, r.bottom - r.top);
  PatBlt(surface.DC(), 0, 0, surface.Width(), surface.Height(), WHITENESS);
  SendMessageA(wnd, WM_PRINT, WPARAM(surface.DC()), flags);
  return surface.RgbPixels();
}

// What an adapter changes on a control's window and must give back exactly when it goes.
struct WindowState {
  LONG_PTR proc;
  LONG style, exStyle;
  int links;
  bool operator==(const WindowState&) const = default;
};

inline WindowState StateOf(vcl::TWinControl* control) {
  HWND wnd = control->Handle();
  return WindowState{GetWindowLongPtrA(wnd, GWLP_WNDPROC), GetWindowLongA(wnd, GWL_STYLE),
                     GetWindowLongA(wnd, GWL_EXSTYLE), control->WindowProc.LinkCount()};
}

}  // namespace adapter_test

#include "skin/engine/hooked_forms.h"

#include <algorithm>

#include "skin/engine/common_data.h"
#include "skin/engine/component_state.h"
#include "skin/engine/show_animations.h"
#include "skin/engine/skin_manager.h"
#include "skin/engine/skin_utils.h"
#include "skin/engine/window_messages.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"

namespace skin {

std::vector<vcl::TComponent*> HookedForms;

namespace {

int lockDepth = 0;

bool ApplicationMinimised() { return vcl::Application && IsIconic(vcl::Application->Handle()); }


void SendToForm(vcl::TCustomForm* form, vcl::TMessage& message) {
  if (form->HandleAllocated()) SendMessageA(form->Handle(), message.Msg, message.WParam, message.LParam);
  PassMessageToChildControls(form, message);
  if (form->FormStyle() == vcl::fsMDIForm && form->ClientHandle())
    SendMessageA(form->ClientHandle(), message.Msg, message.WParam, message.LParam);
}

// The provider of a visible top-level form skinned by the manager, else null.
IacProviderOwner* LockableProvider(vcl::TComponent* entry, TsSkinManager* manager) {
  auto* form = dynamic_cast<vcl::TCustomForm*>(entry);
  if (!form || IsDestroying(form) || !form->HandleAllocated() || form->FormStyle() == vcl::fsMDIChild ||
      form->Parent() || !form->Visible() || IsIconic(form->Handle()))
    return nullptr;
  auto* provider = reinterpret_cast<IacProviderOwner*>(SendAlphaCmdWnd(form->Handle(), cmdGetProvider, 0));
  if (!provider) return nullptr;
  TsCommonData* link = provider->ProviderSkinLink();
  if (!link || link->GetSkinManager() != manager) return nullptr;
  return provider;
}

bool SkinChangeAnimated(TsSkinManager* manager) {
  return manager && manager->AnimEffects() && manager->AnimEffects()->SkinChanging()->Active;
}

}  // namespace

void RegisterHookedForm(vcl::TComponent* form) { HookedForms.push_back(form); }

void UnregisterHookedForm(vcl::TComponent* form) {
  auto found = std::find(HookedForms.begin(), HookedForms.end(), form);
  if (found == HookedForms.end()) return;
  *found = HookedForms.back();
  HookedForms.pop_back();
}

void BroadcastToHookedForms(vcl::TMessage& message) {
  // The list is read again every step: a handler may register or unregister forms.
  for (size_t i = 0; i < HookedForms.size(); ++i) {
    auto* form = dynamic_cast<vcl::TCustomForm*>(HookedForms[i]);
    if (!form || IsDestroying(form)) continue;
    SendToForm(form, message);
  }
  // The windows form skinning skinned by itself (system dialogs) have no form to reach.
  if (ThreadHookProcs.AdapterWindows)
    for (HWND window : ThreadHookProcs.AdapterWindows())
      if (IsWindow(window) && IsWindowVisible(window)) SendMessageA(window, message.Msg, message.WParam, message.LParam);
}

void BroadcastToAppForms(vcl::TMessage& message) {
  // Every form of the screen, whoever owns it: forms made by code are often owned by another
  // form or by nobody, and they must follow the skin as well.
  if (vcl::Screen) {
    for (int i = vcl::Screen->FormCount() - 1; i >= 0; --i) {
      if (i >= vcl::Screen->FormCount()) continue;
      vcl::TCustomForm* form = vcl::Screen->Forms(i);
      if (!form || form->FormStyle() == vcl::fsMDIChild || IsDestroying(form) ||
          form->ComponentState().Contains(vcl::csLoading))
        continue;
      // Skinned forms hear it through the hooked list.
      if (form->HandleAllocated() && WndAnswersAlphaCmd(form->Handle(), cmdIsSkinned)) continue;
      SendToForm(form, message);
    }
  }
  BroadcastToHookedForms(message);
}

void LockFormsRedraw(TsSkinManager* manager) {
  if (lockDepth++ > 0 || ApplicationMinimised()) return;
  if (manager && manager == DefaultManager && SkinChangeAnimated(manager)) AnimationInProgress = true;
  for (size_t i = 0; i < HookedForms.size(); ++i) {
    IacProviderOwner* provider = LockableProvider(HookedForms[i], manager);
    if (!provider) continue;
    provider->SetSkinChangeLock(true);
    SendMessageA(provider->ProviderForm()->Handle(), WM_SETREDRAW, 0, 0);
  }
}

void UnlockFormsRedraw(TsSkinManager* manager, bool repaint) {
  if (lockDepth == 0 || --lockDepth > 0 || ApplicationMinimised()) return;
  if (manager && manager == DefaultManager) AnimationInProgress = false;
  for (size_t i = 0; i < HookedForms.size(); ++i) {
    IacProviderOwner* provider = LockableProvider(HookedForms[i], manager);
    if (!provider) continue;
    vcl::TCustomForm* form = provider->ProviderForm();
    HWND handle = form->Handle();
    if (!repaint) {
      SendMessageA(handle, WM_SETREDRAW, 1, 0);
      provider->SetSkinChangeLock(false);
      continue;
    }
    if (SkinChangeAnimated(manager)) {
      TacSkinChanging* changing = manager->AnimEffects()->SkinChanging();
      if (provider->DrawsNonClientArea())
        AnimShowControl(form, changing->Time, 255, changing->Mode);
      else
        AnimShowControl(form, 0, 255, atFading);
    }
    SendMessageA(handle, WM_SETREDRAW, 1, 0);
    provider->SetSkinChangeLock(false);
    if (provider->DrawsNonClientArea()) {
      OSVERSIONINFOA info{};
      info.dwOSVersionInfoSize = sizeof info;
      if (GetVersionExA(&info) && info.dwMajorVersion < 6) SetWindowRgn(handle, nullptr, FALSE);
      provider->UpdateWindowRegion();
      RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    } else {
      RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    }
  }
}

// The icons stay until the process ends: freeing them from a static destructor would run
// after the graphics objects they depend on are gone.
vcl::TIcon* AppIconSmall() {
  static vcl::TIcon* icon = ShellFileIcon(vcl::ParamStr(0), 1).release();
  return icon;
}

vcl::TIcon* AppIconLarge() {
  static vcl::TIcon* icon = ShellFileIcon(vcl::ParamStr(0), 0).release();
  return icon;
}

}  // namespace skin

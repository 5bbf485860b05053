#include "skin/forms/form_skinning_startup.h"

#include "skin/engine/skin_manager.h"
#include "skin/forms/adapters/dialog_wnd.h"
#include "skin/forms/adapters/dialogs_hook.h"
#include "skin/forms/dwm_services.h"

namespace skin {

namespace {

// The windows of the dialogs the hook skinned: skin changes and refreshes reach them too.
std::vector<HWND> DialogAdapterWindows() {
  std::vector<HWND> windows;
  for (TacProvider* provider : ProviderList)
    if (provider && provider->DialogAdapter && provider->DialogAdapter->Wnd)
      windows.push_back(provider->DialogAdapter->Wnd);
  return windows;
}

}  // namespace

void RegisterFormSkinning() {
  ThreadHookProcs.Install = InstallDialogsHook;
  ThreadHookProcs.Remove = RemoveDialogsHook;
  ThreadHookProcs.AdapterWindows = DialogAdapterWindows;
  ThreadHookProcs.CompositionEnabled = IsCompositionEnabled;
}

}  // namespace skin

#include "skin/forms/form_skinning_startup.h"

#include "skin/engine/skin_manager.h"
#include "skin/forms/adapters/dialogs_hook.h"

namespace skin {

void RegisterFormSkinning() {
  ThreadHookProcs.Install = InstallDialogsHook;
  ThreadHookProcs.Remove = RemoveDialogsHook;
}

}  // namespace skin

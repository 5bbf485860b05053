// Start-up of form skinning: hands the skin engine the thread hook that skins dialogs, pop-up
// menus and forms without a provider as they are created. The engine cannot call up into this
// library, so a program that wants its skin manager to install the hook calls this once.
#pragma once

namespace skin {

void RegisterFormSkinning();

}  // namespace skin

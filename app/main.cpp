// Program start-up: the application object, the libraries' start-up registrations (the
// placement cursors, the picture formats behind the open dialogs, the skinned controls that
// the form data names, the thread hook that skins the system dialogs), the main form from its form data, and the message loop until that
// form closes.
#include "app/main_form.h"
#include "formats/file_format_list.h"
#include "placement/window_hook.h"
#include "skin/controls/register_controls.h"
#include "skin/forms/form_skinning_startup.h"
#include "vcl/controls/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace vcl;
  try {
    Application->Initialize();
    placement::RegisterPlacementCursors();
    formats::RegisterPictureFormats();
    skin::RegisterSkinnedControls();
    skin::RegisterFormSkinning();
    Application->SetTitle("Mergeon");
    app::TForm1* mainForm = nullptr;
    Application->CreateForm(mainForm);
    Application->Run();
    formats::UnregisterPictureFormats();
  } catch (...) {
    Application->HandleException(Application);
    return 1;
  }
  return 0;
}

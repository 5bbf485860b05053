// Program start-up: the application object, the start-up registrations of the libraries (the
// placement cursors), an empty main form captioned "Mergeon" until the main form of its own
// exists, and the message loop until that form closes.
#include "placement/window_hook.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace vcl;
  try {
    Application->Initialize();
    placement::RegisterPlacementCursors();
    Application->SetTitle("Mergeon");
    TForm* mainForm = nullptr;
    Application->CreateForm(mainForm);
    mainForm->SetCaption("Mergeon");
    mainForm->SetPosition(poDefaultPosOnly);
    mainForm->SetBounds(0, 0, 800, 600);
    Application->Run();
  } catch (...) {
    Application->HandleException(Application);
    return 1;
  }
  return 0;
}

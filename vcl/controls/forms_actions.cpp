// TCustomForm: the actions of its controls, and the system commands it passes to the
// application.
#include <functional>

#include "vcl/controls/actions.h"
#include "vcl/controls/application.h"
#include "vcl/controls/forms.h"

namespace vcl {

namespace {

// Calls `visit` for the visible controls inside `container` (children before their own
// children) until one answers true.
bool AnyShowingClient(TWinControl* container, const std::function<bool(TControl*)>& visit) {
  if (!container->Showing()) return false;
  for (int i = 0; i < container->ControlCount(); ++i) {
    TControl* control = container->Controls(i);
    if (control->Visible() && visit(control)) return true;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win && win->ControlCount() > 0 && AnyShowingClient(win, visit)) return true;
  }
  return false;
}

}  // namespace

void TCustomForm::UpdateActions() {
  if (ComponentState().Contains(csDesigning) || !Showing()) return;
  InitiateAction();
  AnyShowingClient(this, [](TControl* control) {
    if (control->ControlStyle().Contains(csActionClient)) control->InitiateAction();
    return false;
  });
}

void TCustomForm::CMActionExecute(TMessage& message) {
  if (ComponentState().Contains(csDesigning) || !Showing()) return;
  auto* action = reinterpret_cast<TBasicAction*>(message.LParam);
  auto execute = [action](TControl* control) { return control && control->ExecuteAction(action); };
  if (execute(ActiveControl()) || execute(this) || AnyShowingClient(this, execute)) message.Result = 1;
}

void TCustomForm::CMActionUpdate(TMessage& message) {
  if (ComponentState().Contains(csDesigning) || !Showing()) return;
  auto* action = reinterpret_cast<TBasicAction*>(message.LParam);
  auto update = [action](TControl* control) { return control && control->UpdateAction(action); };
  if (update(ActiveControl()) || update(this) || AnyShowingClient(this, update)) message.Result = 1;
}

void TCustomForm::WMSysCommand(TMessage& message) {
  const UINT command = static_cast<UINT>(message.WParam & 0xFFF0);
  // Minimising the main form minimises the application: its window goes iconic and takes the
  // forms it owns along.
  if (command == SC_MINIMIZE && Application && Application->MainForm() == this) {
    Application->WndProc(message);
    return;
  }
  // An aligned form is placed by its parent: it does not move on its own.
  if (command != SC_MOVE || ComponentState().Contains(csDesigning) || Align() == alNone ||
      WindowState() == wsMinimized)
    TScrollingWinControl::Dispatch(message);
  if ((command == SC_MINIMIZE || command == SC_RESTORE) && !ComponentState().Contains(csDesigning) &&
      Align() != alNone)
    RequestAlign();
}

}  // namespace vcl

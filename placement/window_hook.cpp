#include "placement/window_hook.h"

#include <algorithm>
#include <memory>

#include "vcl/controls/application.h"
#include "vcl/controls/controls.h"
#include "vcl/classes/filer.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/screen.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/utilwindow.h"

using namespace vcl;

namespace placement {

namespace {

THookList* g_hookList = nullptr;

// The list is not freed when the program ends: static destructors run after the platform may
// have torn down its window state (seen after a common dialog had run), and freeing the list
// means restoring window procedures and destroying its utility window, which then faults. The
// process's windows and memory go with it anyway; FreeHookList remains for an orderly release.

void ReportHookException(TObject* sender) {
  if (Application != nullptr) Application->HandleException(sender);
}

}  // namespace

// ---- TFormWindowHook -------------------------------------------------------------------------

VCL_PUBLISHED(TFormWindowHook, p) {
  p.Bool("Active", &TFormWindowHook::Active, &TFormWindowHook::SetActive, true)
      .Component("WinControl", &TFormWindowHook::WinControl, &TFormWindowHook::SetWinControl)
      .Stored(&TFormWindowHook::IsWinControlStored)
      .Event("BeforeMessage", &TFormWindowHook::BeforeMessage)
      .Event("AfterMessage", &TFormWindowHook::AfterMessage);
}

TFormWindowHook::TFormWindowHook(TComponent* owner) : TComponent(owner) {}

TFormWindowHook::~TFormWindowHook() {
  SetActive(false);
  SetWinControl(nullptr);
}

void TFormWindowHook::SetActive(bool value) {
  if (active_ == value) return;
  if (value)
    HookControl();
  else
    UnhookControl();
}

TWinControl* TFormWindowHook::WinControl() const {
  return record_ != nullptr ? record_->Control() : control_;
}

void TFormWindowHook::SetWinControl(TWinControl* value) {
  if (value == WinControl()) return;
  bool wasActive = active_;
  UnhookControl();
  control_ = value;
  if (value != nullptr) value->FreeNotification(this);
  if (wasActive) HookControl();
}

void TFormWindowHook::HookControl() {
  if (control_ != nullptr && !ComponentState().Contains(csDestroying))
    GetHookList()->GetControlHook(control_)->AddHook(this);
  active_ = true;
}

void TFormWindowHook::UnhookControl() {
  TControlHook* former = record_;
  if (former != nullptr) {
    former->RemoveHook(this);
    // A record left without hooks is freed later, never inside a message that may be running
    // on its window; also when the hook is switched off rather than moved, so that no record
    // outlives its control.
    THookList* list = HookListIfAny();
    if (former->HookCount() == 0 && list != nullptr && list->Handle() != nullptr)
      PostMessageA(list->Handle(), WM_HOOK_FREERECORD, 0, reinterpret_cast<LPARAM>(former));
  }
  active_ = false;
}

void TFormWindowHook::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove &&
      (component == static_cast<TComponent*>(WinControl()) || component == Owner() || Owner() == nullptr))
    SetWinControl(nullptr);
}

void TFormWindowHook::DoAfterMessage(TMessage& message, bool& handled) {
  if (AfterMessage) AfterMessage(this, message, handled);
}

void TFormWindowHook::DoBeforeMessage(TMessage& message, bool& handled) {
  if (BeforeMessage) BeforeMessage(this, message, handled);
}

bool TFormWindowHook::IsForm() const {
  TWinControl* control = WinControl();
  return control != nullptr && static_cast<TComponent*>(control) == Owner() && control->Is<TCustomForm>();
}

bool TFormWindowHook::IsWinControlStored() const {
  TWinControl* control = WinControl();
  return control != nullptr && !control->Is<TCustomForm>();
}

void TFormWindowHook::DefineProperties(TFiler* filer) {
  TComponent::DefineProperties(filer);
  bool hasData;
  if (auto* ancestor = dynamic_cast<TFormWindowHook*>(filer->Ancestor()))
    hasData = IsForm() != ancestor->IsForm();
  else
    hasData = IsForm();
  filer->DefineProperty(
      "IsForm",
      [this](TReader* reader) {
        if (reader->ReadBoolean())
          if (auto* form = dynamic_cast<TCustomForm*>(Owner())) SetWinControl(form);
      },
      [this](TWriter* writer) { writer->WriteBoolean(IsForm()); }, hasData);
}

// ---- TControlHook ----------------------------------------------------------------------------

TControlHook::~TControlHook() {
  destroying_ = true;
  if (THookList* list = HookListIfAny()) list->Remove(this);
  while (!hooks_.empty()) RemoveHook(hooks_.back());
  SetControl(nullptr);
  RemoveSubclass();
}

void TControlHook::AddHook(TFormWindowHook* hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) {
    hooks_.push_back(hook);
    hook->record_ = this;
    SetControl(hook->control_);
  }
  InstallSubclass();
}

void TControlHook::RemoveHook(TFormWindowHook* hook) {
  hook->record_ = nullptr;
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
  if (hooks_.empty()) RemoveSubclass();
}

void TControlHook::SetControl(TWinControl* control) {
  if (control == control_) return;
  RemoveSubclass();
  control_ = control;
  if (!hooks_.empty()) InstallSubclass();
}

bool TControlHook::ControlDestroying() const {
  return control_ != nullptr && control_->ComponentState().Contains(csDestroying);
}

void TControlHook::InstallSubclass() {
  if (control_ == nullptr || destroying_ || ControlDestroying() ||
      control_->ComponentState().Contains(csDesigning))
    return;
  control_->HandleNeeded();
  if (link_.Installed()) return;
  // The link stays with the control when its window is destroyed and made again.
  link_ = control_->WindowProc.Install(
      [this](TMessage& message, const TWindowProcNext& next) { SubclassProc(message, next); }, wlWindow);
}

void TControlHook::RemoveSubclass() { link_.Remove(); }

void TControlHook::SubclassProc(TMessage& message, const TWindowProcNext& next) {
  // A record without a control passes everything on (it is on its way out).
  if (control_ == nullptr) {
    next(message);
    return;
  }
  UINT msg = message.Msg;
  bool handled = false;
  if (msg != WM_QUIT) CallHooks(false, message, handled);
  if (!handled || msg == WM_DESTROY) {
    try {
      next(message);
    } catch (...) {
      // The after-hooks see the message also when the window's own handling failed.
      CallHooks(true, message, handled);
      throw;
    }
    CallHooks(true, message, handled);
  }
}

void TControlHook::CallHooks(bool after, TMessage& message, bool& handled) {
  if (hooks_.empty() || control_ == nullptr || destroying_ || ControlDestroying()) return;
  // A handler may detach hooks: walk a copy, skipping those that left meanwhile.
  std::vector<TFormWindowHook*> hooks = hooks_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    TFormWindowHook* hook = *it;
    if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) continue;
    try {
      if (after)
        hook->DoAfterMessage(message, handled);
      else
        hook->DoBeforeMessage(message, handled);
    } catch (...) {
      ReportHookException(hook);
    }
    if (handled) break;
  }
}

// ---- THookList -------------------------------------------------------------------------------

THookList::THookList() {
  handle_ = AllocateHWnd([this](TMessage& message) { WndProc(message); });
}

THookList::~THookList() {
  while (!items_.empty()) {
    TControlHook* record = items_.back();
    items_.pop_back();
    delete record;
  }
  DeallocateHWnd(handle_);
}

bool THookList::Contains(const TControlHook* record) const {
  return std::find(items_.begin(), items_.end(), record) != items_.end();
}

TControlHook* THookList::FindControlHook(TWinControl* control) const {
  if (control == nullptr) return nullptr;
  for (TControlHook* record : items_)
    if (record->Control() == control) return record;
  return nullptr;
}

TControlHook* THookList::GetControlHook(TWinControl* control) {
  if (TControlHook* found = FindControlHook(control)) return found;
  auto record = std::make_unique<TControlHook>();
  items_.push_back(record.get());
  TControlHook* made = record.release();
  made->SetControl(control);
  return made;
}

void THookList::Remove(TControlHook* record) {
  items_.erase(std::remove(items_.begin(), items_.end(), record), items_.end());
}

void THookList::WndProc(TMessage& message) {
  try {
    auto* record = reinterpret_cast<TControlHook*>(message.LParam);
    switch (message.Msg) {
      case WM_HOOK_REINSTALL:
        if (Contains(record)) record->InstallSubclass();
        break;
      case WM_HOOK_FREERECORD:
        if (Contains(record) && record->HookCount() == 0) delete record;
        break;
      default:
        message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
        break;
    }
  } catch (...) {
    ReportHookException(this);
  }
}

THookList* GetHookList() {
  if (g_hookList == nullptr) g_hookList = new THookList();
  return g_hookList;
}

THookList* HookListIfAny() { return g_hookList; }

void FreeHookList() {
  THookList* list = g_hookList;
  g_hookList = nullptr;
  delete list;
}

void RegisterPlacementCursors() {
  if (Screen == nullptr) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (HCURSOR hand = LoadCursorA(instance, "RX_HANDCUR")) Screen->SetCursors(crHandCursor, hand);
  if (HCURSOR drag = LoadCursorA(instance, "RX_DRAGCUR")) Screen->SetCursors(crDragCursor, drag);
}

}  // namespace placement

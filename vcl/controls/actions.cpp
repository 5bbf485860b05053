// Actions, their links to the controls that offer them, and action lists.
#include "vcl/controls/actions.h"

#include <algorithm>

#include "vcl/controls/application.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/classes/typeinfo.h"

namespace vcl {

// ---- TBasicActionLink ---------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink() {
  if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
  if (value == action_) return;
  if (action_) action_->UnRegisterChanges(this);
  action_ = value;
  if (action_) action_->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* component) {
  if (!action_) return false;
  TBasicAction* action = action_;
  action->SetActionComponent(component);
  try {
    bool result = action->Execute();
    action->SetActionComponent(nullptr);
    return result;
  } catch (...) {
    action->SetActionComponent(nullptr);
    throw;
  }
}

bool TBasicActionLink::Update() { return action_ && action_->Update(); }

void TBasicActionLink::Change() {
  if (OnChange) OnChange(action_);
}

void TBasicActionLink::ActionFreed() { SetAction(nullptr); }

// ---- TControlActionLink -------------------------------------------------------------------

TCustomAction* TControlActionLink::CustomAction() const { return dynamic_cast<TCustomAction*>(Action()); }

void TControlActionLink::ActionFreed() {
  // Drops the control's Action, which frees this link: nothing may follow.
  client_->SetAction(nullptr);
}

// Each setter runs before the action stores the new value: the client follows only while it
// still shows the old one.
void TControlActionLink::SetCaption(const std::string& value) {
  if (TCustomAction* action = CustomAction(); action && client_->Caption() == action->Caption())
    client_->SetCaption(value);
}

void TControlActionLink::SetEnabled(bool value) {
  if (TCustomAction* action = CustomAction(); action && client_->Enabled() == action->Enabled())
    client_->SetEnabled(value);
}

void TControlActionLink::SetHint(const std::string& value) {
  if (TCustomAction* action = CustomAction(); action && client_->Hint() == action->Hint()) client_->SetHint(value);
}

void TControlActionLink::SetVisible(bool value) {
  if (TCustomAction* action = CustomAction(); action && client_->Visible() == action->Visible())
    client_->SetVisible(value);
}

// ---- TBasicAction -------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
  // The clients let go while the whole action still exists; each removes its link.
  while (!clients_.empty()) {
    TBasicActionLink* link = clients_.back();
    link->ActionFreed();
    // A link that did not unregister is dropped all the same.
    if (!clients_.empty() && clients_.back() == link) {
      link->action_ = nullptr;
      clients_.pop_back();
    }
  }
}

bool TBasicAction::Execute() {
  if (TNotifyEvent handler = OnExecute) {
    handler(this);
    return true;
  }
  return false;
}

bool TBasicAction::Update() {
  if (TNotifyEvent handler = OnUpdate) {
    handler(this);
    return true;
  }
  return false;
}

void TBasicAction::SetActionComponent(TComponent* value) {
  if (actionComponent_ == value) return;
  if (actionComponent_) actionComponent_->RemoveFreeNotification(this);
  actionComponent_ = value;
  if (actionComponent_) actionComponent_->FreeNotification(this);
}

void TBasicAction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == actionComponent_) actionComponent_ = nullptr;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
  link->action_ = this;
  if (std::find(clients_.begin(), clients_.end(), link) == clients_.end()) clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
  auto it = std::find(clients_.begin(), clients_.end(), link);
  if (it == clients_.end()) return;
  clients_.erase(it);
  link->action_ = nullptr;
}

void TBasicAction::Change() {
  // A copy: a client may drop its action in its handler.
  std::vector<TBasicActionLink*> clients = clients_;
  for (TBasicActionLink* link : clients)
    if (std::find(clients_.begin(), clients_.end(), link) != clients_.end()) link->Change();
}

// ---- TContainedAction ---------------------------------------------------------------------

TContainedAction::TContainedAction(TComponent* owner) : TBasicAction(owner) {}

TContainedAction::~TContainedAction() {
  if (actionList_) actionList_->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* value) {
  if (value == actionList_) return;
  if (actionList_) actionList_->RemoveAction(this);
  if (value) value->AddAction(this);
}

int TContainedAction::Index() const {
  if (!actionList_) return -1;
  const auto& list = actionList_->actions_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TContainedAction::SetIndex(int value) {
  if (!actionList_) return;
  auto& list = actionList_->actions_;
  int count = static_cast<int>(list.size());
  value = std::clamp(value, 0, count - 1);
  int current = Index();
  if (current == value) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + value, this);
}

void TContainedAction::SetCategory(const std::string& value) {
  if (value == category_) return;
  category_ = value;
  if (actionList_) actionList_->Change();
}

TComponent* TContainedAction::GetParentComponent() const { return actionList_; }

void TContainedAction::SetParentComponent(TComponent* value) {
  if (auto* list = dynamic_cast<TCustomActionList*>(value)) SetActionList(list);
}

namespace {

// Offers the action to the forms through the application window; true when one handled it.
bool SendToApplication(UINT msg, TBasicAction* action) {
  return Application && SendMessageA(Application->Handle(), msg, 0, reinterpret_cast<LPARAM>(action)) == 1;
}

}  // namespace

bool TContainedAction::Execute() {
  if (actionList_ && actionList_->ExecuteAction(this)) return true;
  if (Application && Application->ExecuteAction(this)) return true;
  if (TBasicAction::Execute()) return true;
  return SendToApplication(CM_ACTIONEXECUTE, this);
}

bool TContainedAction::Update() {
  if (actionList_ && actionList_->UpdateAction(this)) return true;
  if (Application && Application->UpdateAction(this)) return true;
  if (TBasicAction::Update()) return true;
  return SendToApplication(CM_ACTIONUPDATE, this);
}

// ---- TCustomAction ------------------------------------------------------------------------

TCustomAction::TCustomAction(TComponent* owner) : TContainedAction(owner) {}

void TCustomAction::SetCaption(const std::string& value) {
  if (value == caption_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetCaption(value);
  caption_ = value;
  Change();
}

void TCustomAction::SetChecked(bool value) {
  if (value == checked_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetChecked(value);
  checked_ = value;
  if (value) UncheckGroup();
  Change();
}

void TCustomAction::UncheckGroup() {
  TCustomActionList* list = ActionList();
  if (groupIndex_ <= 0 || !list) return;
  for (int i = 0; i < list->ActionCount(); ++i) {
    auto* other = dynamic_cast<TCustomAction*>(list->Actions(i));
    if (other && other != this && other->groupIndex_ == groupIndex_) other->SetChecked(false);
  }
}

void TCustomAction::SetEnabled(bool value) {
  if (value == enabled_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetEnabled(value);
  enabled_ = value;
  Change();
}

void TCustomAction::SetGroupIndex(int value) {
  if (value == groupIndex_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetGroupIndex(value);
  groupIndex_ = value;
  // A group holds one checked action: a checked one joining unchecks the others.
  if (checked_) UncheckGroup();
  Change();
}

void TCustomAction::SetHint(const std::string& value) {
  if (value == hint_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetHint(value);
  hint_ = value;
  Change();
}

void TCustomAction::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetImageIndex(value);
  imageIndex_ = value;
  Change();
}

void TCustomAction::SetVisible(bool value) {
  if (value == visible_) return;
  for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) link->SetVisible(value);
  visible_ = value;
  Change();
}

bool TCustomAction::Execute() {
  Update();
  if (!enabled_) return false;
  if (autoCheck_ && (!checked_ || groupIndex_ == 0)) SetChecked(!checked_);
  return TContainedAction::Execute();
}

TAction::TAction(TComponent* owner) : TCustomAction(owner) {}
TAction::~TAction() = default;

// ---- TCustomActionList --------------------------------------------------------------------

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList() {
  Destroying();
  while (!actions_.empty()) delete actions_.back();
}

TContainedAction* TCustomActionList::Actions(int index) const {
  if (index < 0 || index >= ActionCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return actions_[static_cast<size_t>(index)];
}

void TCustomActionList::SetImages(TCustomImageList* value) {
  if (value == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  // The clients take the pictures of the new list.
  for (TContainedAction* action : std::vector<TContainedAction*>(actions_)) action->Change();
  Change();
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (TActionEvent handler = OnExecute) handler(action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (TActionEvent handler = OnUpdate) handler(action, handled);
  return handled;
}

void TCustomActionList::GetChildren(const TGetChildProc& proc, TComponent* root) {
  for (TContainedAction* action : std::vector<TContainedAction*>(actions_))
    if (action->Owner() == root) proc(action);
}

void TCustomActionList::AddAction(TContainedAction* action) {
  actions_.push_back(action);
  action->actionList_ = this;
  action->FreeNotification(this);
  Change();
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
  auto it = std::find(actions_.begin(), actions_.end(), action);
  if (it == actions_.end()) return;
  actions_.erase(it);
  action->actionList_ = nullptr;
  action->RemoveFreeNotification(this);
  if (!ComponentState().Contains(csDestroying)) Change();
}

void TCustomActionList::Change() {
  if (TNotifyEvent handler = OnChange) handler(this);
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) SetImages(nullptr);
  if (auto* action = dynamic_cast<TContainedAction*>(component)) RemoveAction(action);
}

TActionList::TActionList(TComponent* owner) : TCustomActionList(owner) {}
TActionList::~TActionList() = default;

// ---- Published properties ----------------------------------------------------------------

VCL_PUBLISHED(TAction, p) {
  p.String("Caption", &TAction::Caption, &TAction::SetCaption)
      .Bool("AutoCheck", &TAction::AutoCheck, &TAction::SetAutoCheck, false)
      .String("Category", &TAction::Category, &TAction::SetCategory)
      .Bool("Checked", &TAction::Checked, &TAction::SetChecked, false)
      .Bool("Enabled", &TAction::Enabled, &TAction::SetEnabled, true)
      .Integer("GroupIndex", &TAction::GroupIndex, &TAction::SetGroupIndex, 0)
      .String("Hint", &TAction::Hint, &TAction::SetHint)
      .Integer("ImageIndex", &TAction::ImageIndex, &TAction::SetImageIndex, -1)
      .Bool("Visible", &TAction::Visible, &TAction::SetVisible, true)
      .Event("OnExecute", &TAction::OnExecute)
      .Event("OnUpdate", &TAction::OnUpdate);
}

VCL_PUBLISHED(TActionList, p) {
  p.Component("Images", &TActionList::Images, &TActionList::SetImages)
      .Event("OnChange", &TActionList::OnChange)
      .Event("OnExecute", &TActionList::OnExecute)
      .Event("OnUpdate", &TActionList::OnUpdate);
}

}  // namespace vcl

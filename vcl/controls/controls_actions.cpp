// TControl and TWinControl: actions, reading order (BiDiMode), the change notice and the
// mirroring of children.
#include <vector>

#include "vcl/controls/actions.h"
#include "vcl/controls/controls.h"

namespace vcl {

// ---- Actions ----------------------------------------------------------------------------------

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* value) {
  if (!value) {
    actionLink_.reset();
    controlStyle_.Exclude(csActionClient);
    return;
  }
  if (value == Action()) return;
  controlStyle_.Include(csActionClient);
  if (!actionLink_) actionLink_ = CreateActionLink();
  actionLink_->SetAction(value);
  actionLink_->OnChange = [this](TObject* sender) {
    if (sender == Action()) ActionChange(sender, false);
  };
  // An action still being read only fills what the control has not set itself.
  ActionChange(value, value->ComponentState().Contains(csLoading));
  value->FreeNotification(this);
}

std::unique_ptr<TControlActionLink> TControl::CreateActionLink() {
  return std::make_unique<TControlActionLink>(this);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action) return;
  if (!checkDefaults || Caption().empty() || Caption() == Name()) SetCaption(action->Caption());
  if (!checkDefaults || Enabled()) SetEnabled(action->Enabled());
  if (!checkDefaults || Hint().empty()) SetHint(action->Hint());
  if (!checkDefaults || Visible()) SetVisible(action->Visible());
}

void TControl::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

bool TControl::UpdateAction(TBasicAction* action) {
  if (!action->HandlesTarget(this)) return false;
  action->UpdateTarget(this);
  return true;
}

bool TControl::ExecuteAction(TBasicAction* action) {
  if (!action->HandlesTarget(this)) return false;
  action->ExecuteTarget(this);
  return true;
}

// ---- Reading order ------------------------------------------------------------------------

void TControl::SetBiDiMode(TBiDiMode value) {
  if (biDiMode_ == value) return;
  biDiMode_ = value;
  parentBiDiMode_ = false;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool value) {
  if (parentBiDiMode_ == value) return;
  parentBiDiMode_ = value;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

void TControl::CMParentBiDiModeChanged(TMessage&) {
  if (!parentBiDiMode_) return;
  if (parent_) SetBiDiMode(parent_->BiDiMode());
  parentBiDiMode_ = true;
}

void TControl::CMBiDiModeChanged(TMessage&) {
  // The text's layout does not change here (left to right throughout, see IsRightToLeft);
  // the children that follow their parent take the new mode.
  if (auto* self = dynamic_cast<TWinControl*>(this)) self->NotifyControls(CM_PARENTBIDIMODECHANGED);
}

// ---- The change notice --------------------------------------------------------------------

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<LPARAM>(this)); }

// ---- Mirroring ----------------------------------------------------------------------------

void TWinControl::FlipChildren(bool allLevels) {
  if (ControlCount() == 0) return;
  std::vector<TControl*> sideAligned;
  for (int i = 0; i < ControlCount(); ++i)
    if (Controls(i)->Align() == alLeft || Controls(i)->Align() == alRight) sideAligned.push_back(Controls(i));
  WithAlignDisabled([&] {
    DoFlipChildren();
    for (auto it = sideAligned.rbegin(); it != sideAligned.rend(); ++it)
      (*it)->SetAlign((*it)->Align() == alLeft ? alRight : alLeft);
  });
  if (!allLevels) return;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* child = dynamic_cast<TWinControl*>(Controls(i))) child->FlipChildren(true);
}

void TWinControl::DoFlipChildren() {
  const int width = ClientWidth();
  std::vector<TControl*> children;
  for (int i = 0; i < ControlCount(); ++i) children.push_back(Controls(i));
  for (TControl* child : children) {
    child->SetLeft(width - child->Width() - child->Left());
    // A control held on one side is held on the other; one held on both stays so.
    TAnchors anchors = child->Anchors();
    if (anchors.Contains(akLeft) && !anchors.Contains(akRight))
      child->SetAnchors(anchors.Exclude(akLeft).Include(akRight));
    else if (anchors.Contains(akRight) && !anchors.Contains(akLeft))
      child->SetAnchors(anchors.Exclude(akRight).Include(akLeft));
  }
}

}  // namespace vcl

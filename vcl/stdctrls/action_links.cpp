// Buttons and their actions: the links, and what each button takes from its action.
#include "vcl/stdctrls/action_links.h"

#include "vcl/graphics/imagelist.h"

namespace vcl {

// ---- TButtonControl ---------------------------------------------------------------------------

void TButtonActionLink::SetChecked(bool value) {
  auto* action = CustomAction();
  if (!action || button_->GetChecked() != action->Checked()) return;
  button_->SetClicksDisabled(true);
  try {
    button_->SetChecked(value);
  } catch (...) {
    button_->SetClicksDisabled(false);
    throw;
  }
  button_->SetClicksDisabled(false);
}

std::unique_ptr<TControlActionLink> TButtonControl::CreateActionLink() {
  return std::make_unique<TButtonActionLink>(this);
}

void TButtonControl::ActionChange(TObject* sender, bool checkDefaults) {
  TWinControl::ActionChange(sender, checkDefaults);
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action || (checkDefaults && GetChecked())) return;
  const bool disabled = clicksDisabled_;
  clicksDisabled_ = true;
  try {
    SetChecked(action->Checked());
  } catch (...) {
    clicksDisabled_ = disabled;
    throw;
  }
  clicksDisabled_ = disabled;
}

// ---- TSpeedButton -----------------------------------------------------------------------------

void TSpeedButtonActionLink::SetChecked(bool value) {
  auto* action = CustomAction();
  if (action && button_->GroupIndex() != 0 && button_->AllowAllUp() && button_->Down() == action->Checked())
    button_->SetDown(value);
}

void TSpeedButtonActionLink::SetGroupIndex(int value) {
  auto* action = CustomAction();
  if (action && button_->GroupIndex() == action->GroupIndex()) button_->SetGroupIndex(value);
}

std::unique_ptr<TControlActionLink> TSpeedButton::CreateActionLink() {
  return std::make_unique<TSpeedButtonActionLink>(this);
}

void TSpeedButton::ActionChange(TObject* sender, bool checkDefaults) {
  TGraphicControl::ActionChange(sender, checkDefaults);
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action) return;
  if (checkDefaults || GroupIndex() == 0) SetGroupIndex(action->GroupIndex());
  if (!checkDefaults || !Down()) SetDown(action->Checked());
  // A button without a picture of its own shows the action's, on the platform's key colour.
  TCustomImageList* images = action->ActionList() ? action->ActionList()->Images() : nullptr;
  if (Glyph()->Empty() && images && action->ImageIndex() >= 0 && action->ImageIndex() < images->Count()) {
    TBitmap* glyph = Glyph();
    glyph->SetSize(images->Width(), images->Height());
    glyph->Canvas()->Brush()->SetColor(clFuchsia);
    glyph->Canvas()->FillRect(Rect(0, 0, images->Width(), images->Height()));
    images->Draw(glyph->Canvas(), 0, 0, action->ImageIndex());
  }
}

}  // namespace vcl

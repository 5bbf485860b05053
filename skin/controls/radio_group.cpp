#include "skin/controls/radio_group.h"

#include <algorithm>

#include "skin/engine/skin_manager.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"

namespace skin {

// ---- TsGroupButton ----

TsGroupButton::TsGroupButton(TsRadioGroup* group) : TsRadioButton(group), group_(group) {
  SkinData()->SetSkinManager(group->SkinData()->HasOwnManager() ? group->SkinData()->GetSkinManager() : nullptr);
  SkinData()->SetSkinSection("RADIOBUTTON");
  SetShowFocus(true);
  group->buttons_.push_back(this);
  SetVisible(false);
  SetEnabled(group->Enabled());
  SetParentShowHint(false);
  OnClick = [group](vcl::TObject* sender) { group->ButtonClick(sender); };
  SetTabStop(false);
  SkinData()->SetCustomFont(group->SkinData()->CustomFont());
  SetAnimatEvents(group->AnimatEvents());
  // The group gives every button its place and size.
  SetAutoSize(false);
  SetParent(group);
}

TsGroupButton::~TsGroupButton() {
  auto& list = group_->buttons_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

int TsGroupButton::Index() const {
  const auto& list = group_->buttons_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

bool TsGroupButton::CanModify() {
  inConsent_ = true;
  bool result = false;
  try {
    result = group_->CanChange(Index());
  } catch (...) {
    inConsent_ = false;
    throw;
  }
  inConsent_ = false;
  return result;
}

void TsGroupButton::WndProc(vcl::TMessage& message) {
  if (message.Msg == vcl::CN_COMMAND) {
    if (inCommand_ || inConsent_ || IsLoading(this)) return;
    inCommand_ = true;
    try {
      const WORD code = HIWORD(message.WParam);
      if ((code == BN_CLICKED || code == BN_DOUBLECLICKED) && !GetReadOnly() && group_->CanChange(Index()))
        TsRadioButton::WndProc(message);
    } catch (vcl::Exception& e) {
      if (vcl::Application) vcl::Application->HandleException(this);
    }
    inCommand_ = false;
    return;
  }
  TsRadioButton::WndProc(message);
}

void TsGroupButton::KeyPress(char& key) {
  TsRadioButton::KeyPress(key);
  group_->KeyPress(key);
  if ((key == 8 || key == ' ') && !group_->CanChange(Index())) key = 0;
}

void TsGroupButton::KeyDown(WORD& key, vcl::TShiftState shift) {
  TsRadioButton::KeyDown(key, shift);
  group_->KeyDown(key, shift);
}

// ---- TsRadioGroup ----

TsRadioGroup::TsRadioGroup(vcl::TComponent* owner) : TsGroupBox(owner), items_(std::make_unique<vcl::TStringList>()) {
  items_->OnChange = [this](vcl::TObject* sender) { ItemsChange(sender); };
  SetControlStyle(vcl::TControlStyle{vcl::csSetCaption, vcl::csDoubleClicks});
}

TsRadioGroup::~TsRadioGroup() {
  SetButtonCount(0);
  items_->OnChange = nullptr;
}

bool TsRadioGroup::CanChange(int newIndex) {
  bool allow = true;
  if (OnChanging) OnChanging(this, newIndex, allow);
  return allow;
}

void TsRadioGroup::SetItemIndex(int value) {
  if (reading_ || IsLoading(this)) {
    itemIndex_ = value;
    return;
  }
  value = std::clamp(value, -1, ButtonCount() - 1);
  if (value == itemIndex_) return;
  if (itemIndex_ >= 0 && itemIndex_ < ButtonCount()) buttons_[size_t(itemIndex_)]->SetChecked(false);
  itemIndex_ = value;
  if (itemIndex_ >= 0) buttons_[size_t(itemIndex_)]->SetChecked(true);
}

void TsRadioGroup::SetColumns(int value) {
  value = std::clamp(value, 1, 16);
  if (value == columns_) return;
  columns_ = value;
  ArrangeButtons();
  Invalidate();
}

void TsRadioGroup::ButtonClick(vcl::TObject* sender) {
  if (clickGuard_) return;
  auto it = std::find(buttons_.begin(), buttons_.end(), sender);
  if (it == buttons_.end()) return;
  itemIndex_ = int(it - buttons_.begin());
  Changed();
  Click();
}

void TsRadioGroup::Loaded() {
  TsGroupBox::Loaded();
  UpdateButtons();
  if (itemIndex_ >= 0 && itemIndex_ < ButtonCount()) {
    clickGuard_ = true;
    try {
      buttons_[size_t(itemIndex_)]->SetChecked(true);
    } catch (...) {
      clickGuard_ = false;
      throw;
    }
    clickGuard_ = false;
  } else {
    itemIndex_ = std::clamp(itemIndex_, -1, ButtonCount() - 1);
  }
}

void TsRadioGroup::ReadState(vcl::TReader* reader) {
  reading_ = true;
  try {
    TsGroupBox::ReadState(reader);
  } catch (...) {
    reading_ = false;
    throw;
  }
  reading_ = false;
  UpdateButtons();
}

void TsRadioGroup::ItemsChange(vcl::TObject*) {
  if (!reading_ && !IsLoading(this)) {
    if (itemIndex_ >= items_->Count()) itemIndex_ = items_->Count() - 1;
    UpdateButtons();
  }
  for (TsGroupButton* button : buttons_) button->SkinData()->Loaded();
}

void TsRadioGroup::UpdateButtons() {
  if (reading_ || IsLoading(this)) return;
  SetButtonCount(items_->Count());
  for (int i = 0; i < ButtonCount(); ++i) buttons_[size_t(i)]->SetCaption(items_->Strings(i));
  if (itemIndex_ >= 0 && itemIndex_ < ButtonCount() && !buttons_[size_t(itemIndex_)]->Checked()) {
    clickGuard_ = true;
    buttons_[size_t(itemIndex_)]->SetChecked(true);
    clickGuard_ = false;
  }
  ArrangeButtons();
  Invalidate();
}

void TsRadioGroup::SetButtonCount(int count) {
  while (ButtonCount() < count) new TsGroupButton(this);
  while (ButtonCount() > count) delete buttons_.back();
}

void TsRadioGroup::ArrangeButtons() {
  if (buttons_.empty() || reading_ || IsLoading(this)) return;
  const int tm = vcl::ScreenTextExtent(Font(), "W").cy;
  const int count = ButtonCount();
  const int rows = (count + columns_ - 1) / columns_;
  const int cw = (Width() - 10) / columns_;
  const int avail = Height() - tm - 5;
  const int rh = avail / rows;
  const int top0 = (avail % rows) / 2 + tm + 1;
  for (int i = 0; i < count; ++i) {
    TsGroupButton* button = buttons_[size_t(i)];
    button->SkinData()->SetSkinManager(SkinData()->HasOwnManager() ? SkinData()->GetSkinManager() : nullptr);
    int x = (i / rows) * cw + 8;
    if (UseRightToLeftAlignment()) x = (i / rows) * cw + cw - button->Width() + 8;
    const int y = (i % rows) * rh + top0;
    button->SetBounds(x, y, cw, rh);
    button->SetVisible(true);
  }
}

void TsRadioGroup::WndProc(vcl::TMessage& message) {
  if (IsAlphaCmd(message, cmdSkinRefresh) && ForOwnManager(message, SkinData())) ArrangeButtons();
  TsGroupBox::WndProc(message);
  switch (message.Msg) {
    case WM_SIZE:
      ArrangeButtons();
      break;
    case vcl::CM_FONTCHANGED:
      ArrangeButtons();
      break;
    case vcl::CM_ENABLEDCHANGED:
      for (TsGroupButton* button : buttons_) {
        button->SetEnabled(Enabled());
        button->SkinData()->CacheStale = true;
      }
      break;
  }
}

VCL_PUBLISHED(TsRadioGroup, p) {
  using C = TsRadioGroup;
  p.Set("AnimatEvents", &C::AnimatEvents, &C::SetAnimatEvents, AnimatEventNames, DefaultAnimatEvents)
      .Integer("Columns", &C::Columns, &C::SetColumns, 1)
      .Integer("ItemIndex", &C::ItemIndex, &C::SetItemIndex, -1)
      .Object("Items", &C::Items, &C::SetItems)
      .Event("OnChanging", &C::OnChanging);
}

}  // namespace skin

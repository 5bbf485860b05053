// TsRadioGroup: a skinned group box holding one TsGroupButton per line of Items, arranged in
// columns, with the checked one in ItemIndex; OnChanging may refuse a change the user makes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "skin/controls/group_box.h"
#include "skin/controls/radio_button.h"
#include "vcl/classes/stringlist.h"

namespace skin {

class TsRadioGroup;

using TacIndexChangingEvent = std::function<void(vcl::TObject* Sender, int NewIndex, bool& AllowChange)>;

// A radio button of a group: it asks its group before it is checked by the user.
class TsGroupButton : public TsRadioButton {
  VCL_CLASS(TsGroupButton, TsRadioButton)
 public:
  explicit TsGroupButton(TsRadioGroup* group);
  ~TsGroupButton() override;

  bool CanModify() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void KeyPress(char& key) override;
  void KeyDown(WORD& key, vcl::TShiftState shift) override;

 private:
  int Index() const;

  TsRadioGroup* group_;
  bool inCommand_ = false;
  bool inConsent_ = false;
};

class TsRadioGroup : public TsGroupBox {
  VCL_CLASS(TsRadioGroup, TsGroupBox)
 public:
  explicit TsRadioGroup(vcl::TComponent* owner);
  ~TsRadioGroup() override;

  vcl::TStrings* Items() const { return items_.get(); }
  void SetItems(vcl::TStrings* value) { items_->Assign(value); }
  int ItemIndex() const { return itemIndex_; }
  // From code: clamped to -1..count-1, not asked of OnChanging.
  void SetItemIndex(int value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
  int ButtonCount() const { return int(buttons_.size()); }
  TsGroupButton* Buttons(int index) const { return buttons_.at(size_t(index)); }

  TacIndexChangingEvent OnChanging;

  virtual bool CanChange(int newIndex);
  // The buttons belong to the group: they are neither streamed nor mirrored.
  void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override {}
  void FlipChildren(bool allLevels) override {}
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void ReadState(vcl::TReader* reader) override;

 private:
  friend class TsGroupButton;
  void ItemsChange(vcl::TObject* sender);
  void UpdateButtons();
  void SetButtonCount(int count);
  void ArrangeButtons();
  void ButtonClick(vcl::TObject* sender);

  std::unique_ptr<vcl::TStringList> items_;
  std::vector<TsGroupButton*> buttons_;
  int itemIndex_ = -1;
  int columns_ = 1;
  TacAnimatEvents animatEvents_ = DefaultAnimatEvents;
  bool reading_ = false;
  bool clickGuard_ = false;
};

}  // namespace skin

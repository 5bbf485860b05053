// The manager's animation settings: which mouse events animate buttons, and how dialogs,
// forms, page changes and skin changes are animated.
#pragma once

#include <cstdint>
#include <memory>

#include "vcl/runtime/persistent.h"

namespace skin {

class TsSkinManager;

enum TacAnimType : uint8_t { atFading = 0, atAero = 1 };
enum TacBtnEvent : uint8_t { beMouseEnter, beMouseLeave, beMouseDown, beMouseUp };
using TacBtnEvents = uint8_t;  // a set of TacBtnEvent, bit (1 << event)
constexpr TacBtnEvents AllBtnEvents = 0x0F;

// The mouse events a control may cross-fade on; aeGlobalDef defers to the manager's button
// settings.
enum TacAnimatEvent : uint8_t { aeMouseEnter, aeMouseLeave, aeMouseDown, aeMouseUp, aeGlobalDef };
using TacAnimatEvents = uint8_t;  // a set of TacAnimatEvent, bit (1 << event)
// The button event that stands for each animation event (mouse up for aeGlobalDef).
extern const TacBtnEvent AnimEventToBtnEvent[5];

class TacBtnEffects : public vcl::TPersistent {
  VCL_CLASS(TacBtnEffects, vcl::TPersistent)
  TacBtnEffects();
  ~TacBtnEffects() override;
  TacBtnEvents Events = AllBtnEvents;
  TsSkinManager* Manager = nullptr;
};

class TacFormAnimation : public vcl::TPersistent {
  VCL_CLASS(TacFormAnimation, vcl::TPersistent)
  TacFormAnimation(uint16_t time = 0, TacAnimType mode = atAero);
  ~TacFormAnimation() override;
  void Assign(vcl::TPersistent* source) override;
  uint16_t Time;  // milliseconds
  bool Active = true;
  TacAnimType Mode;
};

class TacFormShow : public TacFormAnimation {
  VCL_CLASS(TacFormShow, TacFormAnimation)
  TacFormShow();
};
class TacPageChange : public TacFormAnimation {
  VCL_CLASS(TacPageChange, TacFormAnimation)
  TacPageChange();
};
class TacDialogShow : public TacFormAnimation {
  VCL_CLASS(TacDialogShow, TacFormAnimation)
  TacDialogShow();
};
class TacSkinChanging : public TacFormAnimation {
  VCL_CLASS(TacSkinChanging, TacFormAnimation)
  TacSkinChanging();
};

class TacAnimEffects : public vcl::TPersistent {
  VCL_CLASS(TacAnimEffects, vcl::TPersistent)
  explicit TacAnimEffects(TsSkinManager* manager = nullptr);
  ~TacAnimEffects() override;

  TacBtnEffects* Buttons() const { return buttons_.get(); }
  TacDialogShow* DialogShow() const { return dialogShow_.get(); }
  TacFormShow* FormShow() const { return formShow_.get(); }
  TacSkinChanging* SkinChanging() const { return skinChanging_.get(); }
  TacPageChange* PageChange() const { return pageChange_.get(); }
  TsSkinManager* Manager() const { return manager_; }
  void SetManager(TsSkinManager* manager);

 private:
  std::unique_ptr<TacBtnEffects> buttons_;
  std::unique_ptr<TacDialogShow> dialogShow_;
  std::unique_ptr<TacFormShow> formShow_;
  std::unique_ptr<TacSkinChanging> skinChanging_;
  std::unique_ptr<TacPageChange> pageChange_;
  TsSkinManager* manager_;
};

}  // namespace skin

// TsButton: the platform's push button drawn from its skin section (background, border mask
// and caption by state), with a window region cut to the mask's transparent corners and a
// short cross-fade between states. Without an active skin it is the platform button.
#pragma once

#include <cstdint>

#include "skin/controls/button_region.h"
#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

class TsButton : public vcl::TButton, public IacSkinLinked {
  VCL_CLASS(TsButton, vcl::TButton)
 public:
  explicit TsButton(vcl::TComponent* owner);
  ~TsButton() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }

  // Forces the pressed look.
  bool Down() const { return down_; }
  void SetDown(bool value);
  // How far the dotted focus frame lies outside the caption.
  int32_t FocusMargin() const { return focusMargin_; }
  void SetFocusMargin(int32_t value) { focusMargin_ = value; }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool value);
  // Hides the platform's setter: the skinned caption is composed again.
  void SetWordWrap(bool value);

  vcl::TNotifyEvent OnMouseEnter, OnMouseLeave;

  // 0 normal, 1 hot (focused, under the mouse or default), 2 pressed.
  virtual int32_t CurrentState();
  void SetButtonStyle(bool isDefault) override;
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void CreateParams(vcl::TCreateParams& params) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

  virtual void DrawCaption(const vcl::TRect& rect, uint32_t flags);
  virtual void PaintCaption();
  virtual vcl::TRect CaptionRect();
  void PrepareCache();
  void PaintHandler(HDC dc, bool printing = false);

 private:
  bool Skinned() const;
  bool ShouldBeOwnerDrawn() const;
  void SetOwnerDrawn(bool value);
  vcl::TPoint GetTextSize();
  void FadeTo(TacAnimatEvent event, bool halve);

  std::unique_ptr<TsCommonData> skinData_;
  bool pressed_ = false;
  bool down_ = false;
  int32_t focusMargin_ = 1;
  TsDisabledKind disabledKind_{dkBlended};
  TsFadeTimer* fadeTimer_ = nullptr;
  TacAnimatEvents animatEvents_ = DefaultAnimatEvents;
  bool showFocus_ = true;
  bool defaultFlag_ = false;
  TacButtonRegion region_;
};

}  // namespace skin

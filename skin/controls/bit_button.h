// TsBitBtn: the platform's bitmap button drawn from its skin section, with a glyph from Glyph
// or an image list placed beside the caption; the twin of TsButton (same states, press flash,
// cross-fade and window region). Without a skin the platform draws it, unless its glyph has
// per-pixel alpha, which the class draws itself.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/button_glyphs.h"
#include "skin/controls/button_region.h"
#include "skin/controls/control_support.h"
#include "skin/controls/speed_button.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "vcl/stdctrls/buttons.h"

namespace skin {

class TsBitBtn : public vcl::TBitBtn, public IacSkinLinked {
  VCL_CLASS(TsBitBtn, vcl::TBitBtn)
 public:
  explicit TsBitBtn(vcl::TComponent* owner);
  ~TsBitBtn() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }

  bool Down() const { return down_; }
  void SetDown(bool value);
  int32_t FocusMargin() const { return focusMargin_; }
  void SetFocusMargin(int32_t value) { focusMargin_ = value; }
  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value) { SetAndInvalidate(disabledKind_, value); }
  TsDisabledGlyphKind DisabledGlyphKind() const { return disabledGlyphKind_; }
  void SetDisabledGlyphKind(TsDisabledGlyphKind value) { SetAndInvalidate(disabledGlyphKind_, value); }
  bool Grayed() const { return grayed_; }
  void SetGrayed(bool value) { SetAndInvalidate(grayed_, value); }
  int32_t Blend() const { return blend_; }
  void SetBlend(int32_t value);
  int32_t TextOffset() const { return textOffset_; }
  void SetTextOffset(int32_t value) { SetAndInvalidate(textOffset_, value); }
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t value) { SetAndInvalidate(imageIndex_, value); }
  vcl::TCustomImageList* Images() const { return images_; }
  void SetImages(vcl::TCustomImageList* value);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool value) { SetAndInvalidate(showCaption_, value); }
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool value) { SetAndInvalidate(showFocus_, value); }
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value) { SetAndInvalidate(alignment_, value); }
  bool DrawOverBorder() const { return drawOverBorder_; }
  void SetDrawOverBorder(bool value) { SetAndInvalidate(drawOverBorder_, value); }
  vcl::TAlignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(vcl::TAlignment value) { SetAndInvalidate(textAlignment_, value); }
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
  bool Reflected() const { return reflected_; }
  void SetReflected(bool value) { SetAndInvalidate(reflected_, value); }

  vcl::TNotifyEvent OnMouseEnter, OnMouseLeave;
  TBmpPaintEvent OnPaint;

  virtual int32_t CurrentState();
  bool HasListImage() const;
  int32_t GlyphWidth() const;
  int32_t GlyphHeight() const;
  vcl::TRect CaptionRect();
  vcl::TRect GlyphRect();

  void AfterConstruction() override;
  void SetButtonStyle(bool isDefault) override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  void DrawItem(const DRAWITEMSTRUCT& drawItem) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void PrepareCache();

 private:
  template <class T>
  void SetAndInvalidate(T& field, T value) {
    if (field == value) return;
    field = value;
    skinData_->Invalidate();
  }
  bool Skinned() const { return skinData_ && skinData_->IsSkinned(); }
  // Glyph and caption places in the client area for the state.
  void PlaceGlyphAndText(vcl::TPoint& glyphPos, vcl::TRect& textRect);
  void PaintCaption(vcl::TCanvas* canvas, bool skinned);
  void PaintBorder(int32_t state);
  TButtonGlyphSource GlyphSource(bool intoCache);
  void OwnerDrawUnskinned(const DRAWITEMSTRUCT& drawItem);
  void FadeTo(TacAnimatEvent event, bool halve);

  std::unique_ptr<TsCommonData> skinData_;
  bool pressed_ = false;
  bool down_ = false;
  int32_t focusMargin_ = 1;
  TsDisabledKind disabledKind_{dkBlended};
  TsFadeTimer* fadeTimer_ = nullptr;
  TsDisabledGlyphKind disabledGlyphKind_{dgBlended};
  bool grayed_ = false;
  int32_t blend_ = 0;
  int32_t textOffset_ = 0;
  int32_t imageIndex_ = -1;
  vcl::TCustomImageList* images_ = nullptr;
  bool showCaption_ = true;
  bool showFocus_ = true;
  vcl::TAlignment alignment_ = vcl::taCenter;
  bool drawOverBorder_ = true;
  vcl::TAlignment textAlignment_ = vcl::taCenter;
  TacAnimatEvents animatEvents_ = DefaultAnimatEvents;
  bool reflected_ = false;
  bool defaultFlag_ = false;
  TacButtonRegion region_;
};

}  // namespace skin

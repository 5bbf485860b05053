// TsSpeedButton: the platform's windowless speed button drawn from its skin section
// (background and border mask by state, caption, glyph from Glyph or an image list), with
// separator, divider and drop-down styles and a cross-fade between states. Groups, Down and
// AllowAllUp keep the platform's meaning.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "skin/controls/button_glyphs.h"
#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "vcl/controls/menus.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

// Fired with a button's freshly composed image.
using TBmpPaintEvent = std::function<void(vcl::TObject* Sender, vcl::TBitmap* Bmp)>;

class TsSpeedButton : public vcl::TSpeedButton, public IacSkinLinked {
  VCL_CLASS(TsSpeedButton, vcl::TSpeedButton)
 public:
  explicit TsSpeedButton(vcl::TComponent* owner);
  ~TsSpeedButton() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }

  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value);
  TsDisabledGlyphKind DisabledGlyphKind() const { return disabledGlyphKind_; }
  void SetDisabledGlyphKind(TsDisabledGlyphKind value);
  bool Grayed() const { return grayed_; }
  void SetGrayed(bool value);
  // Glyph transparency in the normal state, 0..100.
  int32_t Blend() const { return blend_; }
  void SetBlend(int32_t value);
  int32_t TextOffset() const { return textOffset_; }
  void SetTextOffset(int32_t value);
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t value);
  vcl::TCustomImageList* Images() const { return images_; }
  void SetImages(vcl::TCustomImageList* value);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool value);
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);
  vcl::TToolButtonStyle ButtonStyle() const { return buttonStyle_; }
  void SetButtonStyle(vcl::TToolButtonStyle value);
  vcl::TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(vcl::TPopupMenu* value);
  bool DrawOverBorder() const { return drawOverBorder_; }
  void SetDrawOverBorder(bool value);
  vcl::TAlignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(vcl::TAlignment value);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
  bool Reflected() const { return reflected_; }
  void SetReflected(bool value);

  vcl::TNotifyEvent OnMouseEnter, OnMouseLeave;
  TBmpPaintEvent OnPaint;

  // 2 down or held, 1 hot, 0 normal.
  virtual int32_t CurrentState();
  virtual vcl::TRect CaptionRect();
  virtual vcl::TRect GlyphRect();
  int32_t GlyphWidth();
  int32_t GlyphHeight();
  int32_t ArrowWidth() const { return buttonStyle_ == vcl::tbsDropDown ? 16 : 0; }
  int32_t GlyphMargin() const { return Margin() < 0 ? 0 : Margin() + 3; }
  bool HasListImage();
  // Composes the cache now and shows it at once.
  void UpdateView();

  void Invalidate() override;
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  virtual void PrepareCache();
  virtual void PaintCaption();
  virtual void PaintGlyph(vcl::TCanvas* canvas);

 private:
  vcl::TPoint GetTextSize();
  int32_t TextAreaWidth();
  void ApplyShowCaption();
  void Refresh(bool respectUpdateLock);
  void RepaintWithAnimation(bool halve, TacAnimatEvent event);
  void StartAnimation(bool halve);
  void StopAnimation();
  void PaintUnskinned();
  void PaintPart(const vcl::TRect& rect, int32_t state, vcl::TPoint position, const TsBackgroundInfo& bg);
  TButtonGlyphSource GlyphSource(bool intoCache);

  int32_t lastGlyphCount_ = 0;
  int32_t lastSpacing_ = 0;
  bool lastDown_ = false;
  int32_t lastState_ = -1;
  bool lastEnabled_ = true;
  std::unique_ptr<TsCommonData> skinData_;
  TsDisabledKind disabledKind_{dkBlended};
  TsAnimTimer* animTimer_ = nullptr;
  TsDisabledGlyphKind disabledGlyphKind_{dgBlended};
  bool grayed_ = false;
  int32_t blend_ = 0;
  int32_t textOffset_ = 0;
  int32_t imageIndex_ = -1;
  vcl::TCustomImageList* images_ = nullptr;
  bool showCaption_ = true;
  vcl::TAlignment alignment_ = vcl::taCenter;
  vcl::TToolButtonStyle buttonStyle_ = vcl::tbsButton;
  vcl::TPopupMenu* dropdownMenu_ = nullptr;
  bool drawOverBorder_ = true;
  vcl::TAlignment textAlignment_ = vcl::taCenter;
  TacAnimatEvents animatEvents_ = DefaultAnimatEvents;
  bool reflected_ = false;
  bool menuShown_ = false;
  vcl::TButtonLayout lastLayout_ = vcl::blGlyphLeft;
  std::string storedCaption_;
};

}  // namespace skin

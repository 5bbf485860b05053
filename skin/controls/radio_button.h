// TsRadioButton: the platform's radio button drawn from its skin section, its mark from the
// skin's global "RADIOCHECKED" / "RADIOUNCHECKED" masks or from glyphs of the user's. While
// skinned it handles the mouse and the keyboard itself, so that ReadOnly and a group's consent
// can refuse a change; it sizes itself to mark and caption while AutoSize is on.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "skin/engine/fade_timers.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

class TsRadioButton : public vcl::TRadioButton, public IacSkinLinked {
  VCL_CLASS(TsRadioButton, vcl::TRadioButton)
 public:
  explicit TsRadioButton(vcl::TComponent* owner);
  ~TsRadioButton() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }

  TsDisabledKind DisabledKind() const { return disabledKind_; }
  void SetDisabledKind(TsDisabledKind value);
  vcl::TBitmap* GlyphChecked() const { return glyphChecked_.get(); }
  void SetGlyphChecked(vcl::TBitmap* value);
  vcl::TBitmap* GlyphUnChecked() const { return glyphUnChecked_.get(); }
  void SetGlyphUnChecked(vcl::TBitmap* value);
  int32_t TextIndent() const { return textIndent_; }
  void SetTextIndent(int32_t value);
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool value);
  int32_t Margin() const { return margin_; }
  void SetMargin(int32_t value);
  TacAnimatEvents AnimatEvents() const { return animatEvents_; }
  void SetAnimatEvents(TacAnimatEvents value) { animatEvents_ = value; }
  // Hides the platform's setter: wrapping switches AutoSize off.
  void SetWordWrap(bool value);
  bool ReadOnly() { return GetReadOnly(); }
  void SetReadOnly(bool value) { readOnly_ = value; }

  virtual bool GetReadOnly() { return readOnly_; }
  // Whether the user may check the button now (a radio group asks its OnChanging).
  virtual bool CanModify() { return true; }

  // Where the check mark goes; (0, 0, 16, 16) without a skin mark or glyph.
  vcl::TRect GlyphRect();
  int CheckMaskIndex(bool checked);
  // The frame of the mark shown: 2 pressed, 1 hot, 0 normal.
  int32_t MarkState();
  bool Pressed() const { return pressed_; }

  void Invalidate() override;
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;
  vcl::TAlignment GetControlsAlignment() override;

 protected:
  void Loaded() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  void PrepareCache();
  bool AnswerRadioSkinCommand(vcl::TMessage& message);
  bool HandleSkinnedFocusAndHover(vcl::TMessage& message);
  bool HandleSkinnedMessage(vcl::TMessage& message);
  bool FilterUnskinnedMessage(vcl::TMessage& message);
  void PaintHandler(HDC dc);

 private:
  vcl::TBitmap* CustomGlyph();
  void PaintText();
  void PaintGlyph();
  void PaintToDC(HDC dc);
  void FadeTo(TacAnimatEvent event, bool halve);
  void FocusWithoutClick();
  bool MarkAtLeft() { return GetControlsAlignment() == vcl::taRightJustify; }

  std::unique_ptr<TsCommonData> skinData_;
  TsDisabledKind disabledKind_{dkBlended};
  std::unique_ptr<vcl::TBitmap> glyphUnChecked_;
  std::unique_ptr<vcl::TBitmap> glyphChecked_;
  int32_t textIndent_ = 0;
  bool showFocus_ = true;
  int32_t margin_ = 2;
  TsFadeTimer* fadeTimer_ = nullptr;
  TacAnimatEvents animatEvents_ = DefaultAnimatEvents;
  bool pressed_ = false;
  bool readOnly_ = false;
  bool painting_ = false;
};

}  // namespace skin

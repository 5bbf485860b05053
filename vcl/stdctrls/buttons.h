// Buttons with pictures: TSpeedButton (windowless, groups of exclusive buttons, flat tool
// buttons) and TBitBtn (an owner-drawn BUTTON window), and the glyph drawing they share.
#pragma once

#include <memory>
#include <string>

#include "vcl/graphics/bitmap.h"
#include "vcl/graphics/canvas.h"
#include "vcl/controls/controls.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

// A button's picture: a bitmap holding up to four images side by side (up, disabled, down,
// held down). The colour of the bottom-left pixel is transparent. A missing disabled image is
// drawn embossed from the up image.
class TButtonGlyph {
 public:
  TButtonGlyph();
  TButtonGlyph(const TButtonGlyph&) = delete;
  TButtonGlyph& operator=(const TButtonGlyph&) = delete;

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* value);
  TNumGlyphs NumGlyphs() const { return numGlyphs_; }
  // 1 to 4; other values are ignored.
  void SetNumGlyphs(TNumGlyphs value);

  // Where glyph and caption go in `client` (moved by `offset`); the caption's rectangle comes
  // back in textBounds. Margin -1 centres, Spacing -1 spreads.
  void CalcLayout(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
                  TButtonLayout layout, int margin, int spacing, TPoint& glyphPos, TRect& textBounds) const;
  // Draws glyph and caption for the state; returns the caption's rectangle.
  TRect Draw(TCanvas* canvas, const TRect& client, const TPoint& offset, const std::string& caption,
             TButtonLayout layout, int margin, int spacing, TButtonState state, bool transparent) const;

  // Fired when the glyph changes.
  TNotifyEvent OnChange;

 private:
  void DrawGlyph(TCanvas* canvas, const TPoint& pos, TButtonState state, bool transparent) const;
  void DrawText(TCanvas* canvas, const std::string& caption, TRect bounds, TButtonState state) const;

  std::unique_ptr<TBitmap> glyph_;
  TNumGlyphs numGlyphs_ = 1;
};

// ---- TSpeedButton ----------------------------------------------------------------------------

class TSpeedButton : public TGraphicControl {
  VCL_CLASS(TSpeedButton, TGraphicControl)
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  // Buttons of the same parent with the same GroupIndex (not 0) are pressed one at a time.
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  // Whether the pressed button of a group can be released, leaving none pressed.
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  // A flat button shows its frame only while the mouse is over it.
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(TBitmap* value) { glyph_.SetGlyph(value); }
  TNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(TNumGlyphs value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // The state the button shows (up, disabled, down, held down).
  TButtonState State() const { return state_; }
  bool MouseInControl() const { return mouseInControl_; }

  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  friend class TSpeedButtonActionLink;

  // Group and Down follow the action; an empty glyph takes the action's picture
  // (action_links.cpp).
  void ActionChange(TObject* sender, bool checkDefaults) override;
  std::unique_ptr<TControlActionLink> CreateActionLink() override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMMouseEnter(TMessage& message) override;
  void CMMouseLeave(TMessage& message) override;
  // Tells the siblings of the group that this one is down.
  void UpdateExclusive();

  TButtonState state_ = bsUp;

 private:
  void ButtonPressed(int groupIndex, TSpeedButton* sender);

  TButtonGlyph glyph_;
  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  bool flat_ = false;
  bool dragging_ = false;
  bool mouseInControl_ = false;
  bool transparent_ = true;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
};

// ---- TBitBtn ---------------------------------------------------------------------------------

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

class TBitBtn : public TButton {
  VCL_CLASS(TBitBtn, TButton)
  explicit TBitBtn(TComponent* owner);
  ~TBitBtn() override;

  // A standard button: its caption, modal result and Default/Cancel.
  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind value);
  TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(TBitmap* value);
  TNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(TNumGlyphs value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);

  void Click() override;
  void SetButtonStyle(bool isDefault) override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // Draws frame, default and focus marks, glyph and caption.
  virtual void DrawItem(const DRAWITEMSTRUCT& drawItem);

 private:
  TButtonGlyph glyph_;
  std::unique_ptr<TCanvas> canvas_;
  TBitBtnKind kind_ = bkCustom;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool isFocused_ = false;
};

// The caption and modal result of a standard button kind.
std::string BitBtnCaption(TBitBtnKind kind);
TModalResult BitBtnModalResult(TBitBtnKind kind);

}  // namespace vcl

// TsCustomComboEdit: a skinned mask edit with a small button inside its right edge that opens
// a popup form under the edit (descendants make the popup) or raises OnButtonClick. The button
// shows a glyph from the caller's image list or one of the built-in glyph strips.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/controls/mask_edit.h"
#include "skin/controls/speed_button.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"
#include "vcl/graphics/imagelist.h"
#include "vcl/stdctrls/buttons.h"

namespace skin {

class TsCustomComboEdit;

// The built-in glyph strips, 48 x 16 each: three 16 x 16 frames (normal, hot, pressed) of a
// document, a folder, a calendar, an ellipsis and a calculator, in that order. Drawn once per
// process; the key colour 0xFF00FF is transparent.
enum TsDefaultGlyph : int32_t { dgNone = -1, dgDocument, dgFolder, dgCalendar, dgEllipsis, dgCalculator };
int32_t DefaultGlyphCount();
vcl::TBitmap* DefaultGlyph(int32_t index);

// The edit's button: a skinned speed button sized to its glyph, drawn over the edit's own image.
class TsEditButton : public TsSpeedButton {
  VCL_CLASS(TsEditButton, TsSpeedButton)
  explicit TsEditButton(TsCustomComboEdit* edit);
  ~TsEditButton() override;

  // Composes the button over the edit's cached image.
  void PrepareCache() override;
  // Draws the composed button (or the plain one) onto a DC at a point.
  void PaintTo(HDC dc, vcl::TPoint point);
  int32_t SkinState() const;

 protected:
  void Paint() override;

 private:
  void DrawGlyphAt(vcl::TCanvas* canvas, vcl::TPoint origin);

  TsCustomComboEdit* edit_;
};

// Where the button's glyph comes from.
class TsGlyphMode : public vcl::TPersistent {
  VCL_CLASS(TsGlyphMode, vcl::TPersistent)
  TsGlyphMode(TsCustomComboEdit* edit, TsEditButton* button);
  ~TsGlyphMode() override;

  vcl::TCustomImageList* Images() const { return images_; }
  void SetImages(vcl::TCustomImageList* value);
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t value);
  int32_t ImageIndexHot() const { return imageIndexHot_; }
  void SetImageIndexHot(int32_t value);
  int32_t ImageIndexPressed() const { return imageIndexPressed_; }
  void SetImageIndexPressed(int32_t value);
  // Glyph transparency 0..100 and greyed look.
  int32_t Blend() const { return blend_; }
  void SetBlend(int32_t value);
  bool Grayed() const { return grayed_; }
  void SetGrayed(bool value);
  std::string Hint() const;
  void SetHint(const std::string& value);

  // Whether the own image list has an image at ImageIndex.
  bool HasOwnImage() const;
  // The image index for a state (0 normal, 1 hot, 2 pressed), ImageIndex when out of range.
  int32_t ImageIndexFor(int32_t state) const;
  // Frames in the glyph strip: image width / image height, 1 when not a whole number.
  int32_t NumGlyphs() const;
  // One frame's width (0 for a currency edit) and height.
  int32_t GlyphWidth() const;
  int32_t GlyphHeight() const;
  // Sizes the button to the glyph and repaints it.
  void UpdateButton();

 private:
  TsCustomComboEdit* edit_;
  TsEditButton* button_;
  vcl::TCustomImageList* images_ = nullptr;
  int32_t imageIndex_ = -1;
  int32_t imageIndexHot_ = -1;
  int32_t imageIndexPressed_ = -1;
  int32_t blend_ = 0;
  bool grayed_ = false;
};

enum TsPopupAlign : uint8_t { epaRight, epaLeft };

class TsCustomComboEdit : public TsMaskEdit {
  VCL_CLASS(TsCustomComboEdit, TsMaskEdit)
  explicit TsCustomComboEdit(vcl::TComponent* owner);
  ~TsCustomComboEdit() override;

  void AfterConstruction() override;
  void Loaded() override;
  void WndProc(vcl::TMessage& message) override;
  void Invalidate() override;

  TsEditButton* Button() const { return button_; }
  TsGlyphMode* GlyphMode() const { return glyphMode_.get(); }
  vcl::TShortCut ClickKey() const { return clickKey_; }
  void SetClickKey(vcl::TShortCut value) { clickKey_ = value; }
  // Blocks typing, paste, cut and the popup; Enter and Esc still reach the form.
  virtual bool GetReadOnly() const { return readOnly_; }
  bool ReadOnly() const { return GetReadOnly(); }
  void SetReadOnly(bool value);
  // Typing, pasting and cutting allowed.
  bool DirectInput() const { return directInput_; }
  void SetDirectInput(bool value);
  vcl::TAlignment EditAlignment() const { return editAlignment_; }
  void SetEditAlignment(vcl::TAlignment value);
  TsPopupAlign PopupAlign() const { return popupAlign_; }
  void SetPopupAlign(TsPopupAlign value) { popupAlign_ = value; }
  int32_t PopupWidth() const { return popupWidth_; }
  void SetPopupWidth(int32_t value) { popupWidth_ = value; }
  bool ShowButton() const { return showButton_; }
  void SetShowButton(bool value);
  void SetDisabledKind(TsDisabledKind value) override;
  int32_t DefaultGlyphIndex() const { return defaultGlyph_; }
  void SetDefaultGlyphIndex(int32_t value);
  // The popup form while one exists (made by descendants).
  vcl::TCustomForm* Popup() const { return popup_; }
  bool PopupVisible() const;

  // The button's click: OnButtonClick, then the popup opens or closes (nothing when read-only).
  void DoButtonClick();
  virtual void ButtonClick();
  virtual void PopupDropDown(bool disableEdit);
  virtual void PopupCloseUp();
  virtual void SelectAllText();

  void UpdateEditRect() override;
  void PaintHandler(HDC dc = nullptr) override;
  void PaintBorder(HDC dc = nullptr) override;
  void PaintText() override;
  int32_t CurrentState() override;

  vcl::TNotifyEvent OnButtonClick;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;
  void CreateWnd() override;
  void Change() override;
  void KeyDown(WORD& key, vcl::TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  // Descendants hand over the popup they made (owned by the edit; none forgets it).
  void SetPopup(vcl::TCustomForm* popup) { popup_ = popup; }
  // The button's width while shown.
  int32_t ButtonSpace();

 private:
  friend class TsEditButton;
  friend class TsGlyphMode;
  void DrawButtonOver(HDC dc);
  bool ComboMessage(vcl::TMessage& message);

  TsEditButton* button_;
  vcl::TShortCut clickKey_ = vcl::scAlt | VK_DOWN;
  bool readOnly_ = false;
  bool directInput_ = true;
  vcl::TAlignment editAlignment_ = vcl::taLeftJustify;
  TsPopupAlign popupAlign_ = epaRight;
  std::unique_ptr<TsGlyphMode> glyphMode_;
  int32_t popupWidth_ = 197;
  bool showButton_ = true;
  int32_t defaultGlyph_ = dgNone;
  vcl::TCustomForm* popup_ = nullptr;
};

}  // namespace skin

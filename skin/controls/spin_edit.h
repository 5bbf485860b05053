// TsSpinEdit: a skinned edit for whole numbers with a pair of up/down buttons inside its right
// edge. TsBaseSpinEdit hosts the pair and filters keys, TsSpinButton is the windowed pair,
// TsTimerSpeedButton one of its auto-repeating arrow buttons, and TsSpinEdit keeps the value
// (in its text) within MinValue..MaxValue (no limit when the two are equal).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "skin/controls/skinned_edit.h"
#include "skin/controls/speed_button.h"
#include "vcl/controls/timer.h"
#include "vcl/stdctrls/buttons.h"

namespace skin {

class TsSpinButton;

// An arrow button of the pair: a skinned speed button that repeats its click while held (after
// 400 ms, then every 100 ms) and draws a small triangle when it has no glyph of its own.
class TsTimerSpeedButton : public TsSpeedButton {
  VCL_CLASS(TsTimerSpeedButton, TsSpeedButton)
  TsTimerSpeedButton(TsSpinButton* owner, bool up);
  ~TsTimerSpeedButton() override;

  bool Up() const { return up_; }
  // Shown with a focus rectangle while the pair has the focus and this is its focused button.
  bool FocusMarked() const { return focusMarked_; }
  void SetFocusMarked(bool value);
  bool AutoRepeat() const { return autoRepeat_; }
  void SetAutoRepeat(bool value) { autoRepeat_ = value; }
  // The timer exists from the first press on.
  vcl::TTimer* RepeatTimer() const { return repeatTimer_.get(); }
  // Composes the skinned image in the cache now (the disabled spin edit shows it in its own).
  void ComposeImage() { PrepareCache(); }

 protected:
  void Paint() override;
  void PaintGlyph(vcl::TCanvas* canvas) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  void TimerTick();
  void PaintArrow(vcl::TCanvas* canvas, vcl::TColor colour);
  vcl::TColor ArrowColour();

  TsSpinButton* pair_;
  bool up_;
  bool focusMarked_ = false;
  bool autoRepeat_ = true;
  std::unique_ptr<vcl::TTimer> repeatTimer_;
};

// The pair of arrow buttons, a small window inside its spin edit.
class TsSpinButton : public vcl::TWinControl {
  VCL_CLASS(TsSpinButton, vcl::TWinControl)
  explicit TsSpinButton(vcl::TComponent* owner);
  ~TsSpinButton() override;

  TsTimerSpeedButton* UpButton() const { return up_; }
  TsTimerSpeedButton* DownButton() const { return down_; }
  TsTimerSpeedButton* FocusedButton() const { return focused_; }
  void SetFocusedButton(TsTimerSpeedButton* button);
  vcl::TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(vcl::TWinControl* control) { focusControl_ = control; }
  vcl::TBitmap* UpGlyph() const { return up_->Glyph(); }
  void SetUpGlyph(vcl::TBitmap* value) { up_->SetGlyph(value); }
  vcl::TBitmap* DownGlyph() const { return down_->Glyph(); }
  void SetDownGlyph(vcl::TBitmap* value) { down_->SetGlyph(value); }

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(vcl::TMessage& message) override;
  void Loaded() override;
  // The pair belongs to its spin edit, not to form data.
  void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override {}

  vcl::TNotifyEvent OnUpClick;
  vcl::TNotifyEvent OnDownClick;

 private:
  friend class TsTimerSpeedButton;
  void ArrangeButtons();
  // A press on a button focuses the edit (or the pair).
  void ButtonPressed(TsTimerSpeedButton* button);
  TsEdit* Edit() const;

  TsTimerSpeedButton* up_;
  TsTimerSpeedButton* down_;
  TsTimerSpeedButton* focused_;
  vcl::TWinControl* focusControl_ = nullptr;
};

class TsBaseSpinEdit : public TsEdit {
  VCL_CLASS(TsBaseSpinEdit, TsEdit)
  explicit TsBaseSpinEdit(vcl::TComponent* owner);
  ~TsBaseSpinEdit() override;

  TsSpinButton* Button() const { return button_; }
  // Whether text can be typed (the arrows work either way).
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool value) { editorEnabled_ = value; }

  virtual bool IsValidChar(char key);
  virtual void UpClick(vcl::TObject* sender) {}
  virtual void DownClick(vcl::TObject* sender) {}

  void WndProc(vcl::TMessage& message) override;
  void Loaded() override;
  void PrepareCache() override;
  // Places the pair at the right edge and limits the text to the space left of it.
  void SetEditRect();

  vcl::TNotifyEvent OnUpClick;
  vcl::TNotifyEvent OnDownClick;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(WORD& key, vcl::TShiftState shift) override;
  void KeyPress(char& key) override;
  // The space inside the border, b pixels wide on each side.
  int32_t InnerBorder();

 private:
  void PlaceButton();
  void ForwardSkinCommand(vcl::TMessage& message);

  TsSpinButton* button_;
  bool editorEnabled_ = true;
};

class TsSpinEdit : public TsBaseSpinEdit {
  VCL_CLASS(TsSpinEdit, TsBaseSpinEdit)
  explicit TsSpinEdit(vcl::TComponent* owner);
  ~TsSpinEdit() override;

  int32_t MinValue() const { return minValue_; }
  void SetMinValue(int32_t value) { minValue_ = value; }
  int32_t MaxValue() const { return maxValue_; }
  void SetMaxValue(int32_t value) { maxValue_ = value; }
  int32_t Increment() const { return increment_; }
  void SetIncrement(int32_t value) { increment_ = value; }
  // The whole number in the text; MinValue for an empty text or one that is no whole number.
  int32_t Value();
  // Writes the value, kept within the range, as text. A value read with the form data is kept
  // until the form is loaded, so that the range read after it applies.
  void SetValue(int32_t value);
  void Loaded() override;
  // MinValue = MaxValue: no limit; otherwise clamped to MinValue..MaxValue.
  int32_t CheckValue(int32_t value) const;

  bool IsValidChar(char key) override;
  void UpClick(vcl::TObject* sender) override;
  void DownClick(vcl::TObject* sender) override;
  void WndProc(vcl::TMessage& message) override;

 private:
  int32_t minValue_ = 0;
  int32_t maxValue_ = 0;
  int32_t increment_ = 1;
  std::optional<int32_t> loadedValue_;
};

}  // namespace skin

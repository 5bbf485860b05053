// TSpinEdit: an edit for whole numbers with a pair of arrow buttons inside it at the right.
// The arrows and the Up/Down keys step the value by Increment within MinValue..MaxValue
// (no limit when both are 0).
#pragma once

#include <memory>

#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/stdctrls.h"

namespace vcl {

// The pair of arrow buttons: two speed buttons in a small window of their own.
class TSpinButton : public TWinControl {
  VCL_CLASS(TSpinButton, TWinControl)
  explicit TSpinButton(TComponent* owner);

  TSpeedButton* UpButton() const { return up_; }
  TSpeedButton* DownButton() const { return down_; }
  void SetBounds(int left, int top, int width, int height) override;

  TNotifyEvent OnUpClick;
  TNotifyEvent OnDownClick;

  // The pair is part of its spin edit, not form data.
  void GetChildren(const TGetChildProc& proc, TComponent* root) override {}

 private:
  void ArrangeButtons();
  TSpeedButton* up_;
  TSpeedButton* down_;
};

class TSpinEdit : public TCustomEdit {
  VCL_CLASS(TSpinEdit, TCustomEdit)
  explicit TSpinEdit(TComponent* owner);

  int MinValue() const { return minValue_; }
  void SetMinValue(int value);
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value; }
  // The number in the text (MinValue when the text is none), kept within the limits.
  int Value();
  void SetValue(int value);
  // Whether the text can be typed in (the arrows always work).
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool value) { editorEnabled_ = value; }
  TSpinButton* Button() const { return button_; }

  void UpClick(TObject* sender);
  void DownClick(TObject* sender);
  void Dispatch(TMessage& message) override;
  void GetChildren(const TGetChildProc& proc, TComponent* root) override {}

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  // A value within the limits.
  int CheckValue(int value) const;

 private:
  void SetEditRect();
  void PlaceButton();

  TSpinButton* button_;
  int minValue_ = 0;
  int maxValue_ = 0;
  int increment_ = 1;
  bool editorEnabled_ = true;
};

}  // namespace vcl

// TsCustomNumEdit: a combo edit holding a number. Only a number within the range and the
// allowed decimals can be typed; without the focus the value shows in DisplayFormat, with it
// in a plain editing format; the button drops down the calculator. TsCurrencyEdit publishes it
// without the button.
#pragma once

#include <cstdint>
#include <string>

#include "skin/controls/combo_edit.h"

namespace skin {

class TsCustomNumEdit : public TsCustomComboEdit {
  VCL_CLASS(TsCustomNumEdit, TsCustomComboEdit)
  explicit TsCustomNumEdit(vcl::TComponent* owner);
  ~TsCustomNumEdit() override;

  // The value of the text; MinValue when the text is no number.
  long double Value();
  void SetValue(long double value);
  // The value truncated toward zero.
  int32_t AsInteger() { return static_cast<int32_t>(Value()); }
  long double MinValue() const { return minValue_; }
  void SetMinValue(long double value);
  long double MaxValue() const { return maxValue_; }
  void SetMaxValue(long double value);
  // Equal bounds: no limit; MinValue < MaxValue: clamped; MinValue > MaxValue: only the bound
  // that is not 0 applies (neither when both are not 0).
  long double CheckValue(long double value) const;
  uint32_t DecimalPlaces() const { return decimalPlaces_; }
  void SetDecimalPlaces(uint32_t value);
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& value);
  bool IsDisplayFormatStored() const { return displayFormat_ != GetDefaultDisplayFormat(); }
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);
  bool BeepOnError() const { return beepOnError_; }
  void SetBeepOnError(bool value) { beepOnError_ = value; }
  bool CheckOnExit() const { return checkOnExit_; }
  void SetCheckOnExit(bool value) { checkOnExit_ = value; }
  // The text without '?', carriage returns and line feeds; setting it converts it to the value
  // (a text that is no number raises EConvertError).
  std::string Text() { return GetText(); }
  void SetText(const std::string& value);

  // The editing format: "0" with up to DecimalPlaces decimals (nothing with an EditMask).
  virtual void ReformatEditText();
  virtual std::string GetDefaultDisplayFormat() const { return "### ### ##0.00;-### ### ##0.00;0"; }
  virtual bool IsValidChar(char key);
  // What the cache shows: the edit text while focused, else the value in DisplayFormat.
  virtual std::string GetDisplayText();
  // Back to the editing text of the value, all selected.
  void Reset();
  void Clear();
  void PaintText() override;
  void PopupDropDown(bool disableEdit) override;
  void WndProc(vcl::TMessage& message) override;

  // Blanks trimmed, thousand separators dropped, '.' and ',' read as the decimal separator,
  // "" as "0" and "-" as "-0".
  static std::string NormaliseNumberText(const std::string& text);

 protected:
  std::string GetText() override;
  void KeyPress(char& key) override;
  void Change() override;

 private:
  // The text into the value; raises when it is no number.
  void ParseText();
  void SetEditTextQuietly(const std::string& text);
  void HandleEnter(vcl::TMessage& message);
  void HandleExit(vcl::TMessage& message);
  void HandlePaste(vcl::TMessage& message);

  vcl::TAlignment alignment_ = vcl::taRightJustify;
  bool focused_ = false;
  long double value_ = 0;
  long double minValue_ = 0;
  long double maxValue_ = 0;
  uint32_t decimalPlaces_ = 2;
  bool beepOnError_ = true;
  bool checkOnExit_ = false;
  bool reformatting_ = false;
  std::string displayFormat_;
};

class TsCurrencyEdit : public TsCustomNumEdit {
  VCL_CLASS(TsCurrencyEdit, TsCustomNumEdit)
  explicit TsCurrencyEdit(vcl::TComponent* owner);
  ~TsCurrencyEdit() override;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;
};

}  // namespace skin

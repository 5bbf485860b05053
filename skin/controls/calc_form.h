// TsCalcForm: the small borderless calculator a numeric edit drops down from its button. It
// keeps a display text, a pending operator with its left operand and a memory, evaluates left
// to right, and hands its result to the edit on "=", Enter or Esc.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/controls/forms.h"
#include "vcl/controls/menus.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/extctrls.h"

namespace skin {

class TsCustomNumEdit;

class TsCalcForm : public vcl::TForm {
  VCL_CLASS(TsCalcForm, vcl::TForm)
  explicit TsCalcForm(vcl::TComponent* owner);
  ~TsCalcForm() override;

  // The calculator's status: the next digit starts a number, a number is typed, an error shows.
  enum TStatus : uint8_t { csFirst = 0, csValid = 1, csError = 2 };

  // Every key of the form and every button go through here.
  void CalcKey(char key);
  const std::string& Display() const { return display_; }
  void SetDisplay(const std::string& value);
  // 0 in the error state, else the display read as a number.
  long double DisplayValue() const;
  void SetDisplayValue(long double value);
  TStatus Status() const { return status_; }
  long double Memory() const { return memory_; }
  // Significant digits shown (at least 2).
  uint8_t Precision() const { return precision_; }
  void SetPrecision(uint8_t value) { precision_ = value; }
  bool BeepOnError() const { return beepOnError_; }
  void SetBeepOnError(bool value) { beepOnError_ = value; }
  TsCustomNumEdit* Edit() const { return edit_; }
  void SetEdit(TsCustomNumEdit* edit) { edit_ = edit; }

  // The memory buttons: clear, store, add, recall.
  void MemoryClear();
  void MemoryStore();
  void MemoryPlus();
  void MemoryRecall();
  void CopyToClipboard();
  void PasteFromClipboard();

  virtual void UpdateDisplay();

  vcl::TPanel* MainPanel() const { return mainPanel_; }
  vcl::TPanel* DisplayPanel() const { return displayPanel_; }
  vcl::TPanel* MemoryPanel() const { return memoryPanel_; }
  vcl::TPanel* DragBar() const { return dragBar_; }
  // The button with a caption ("7", "+", "MR", ...), none when there is no such button.
  vcl::TSpeedButton* ButtonOf(const std::string& caption) const;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;
  void DoShow() override;
  void KeyPress(char& key) override;
  void WndProc(vcl::TMessage& message) override;

 private:
  void BuildLayout();
  // A skinned panel of the section.
  vcl::TPanel* NewPanel(const char* section);
  vcl::TSpeedButton* AddButton(vcl::TWinControl* parent, const std::string& caption, int left, int top, int width,
                               char key);
  void StartEntry();
  void ClearAll();
  void Error();
  void Refuse();
  void Operator(char key);
  void HandOver();
  int32_t MaxDigits() const;
  void UpdateMemoryPanel();
  void UpdateRegion();

  std::string display_ = "0";
  TStatus status_ = csFirst;
  char pendingOperator_ = 0;
  long double operand_ = 0;
  long double memory_ = 0;
  uint8_t precision_ = 0;
  bool beepOnError_ = false;
  TsCustomNumEdit* edit_ = nullptr;
  vcl::TPanel* mainPanel_ = nullptr;
  vcl::TPanel* dragBar_ = nullptr;
  vcl::TPanel* calculatorPanel_ = nullptr;
  vcl::TPanel* displayPanel_ = nullptr;
  vcl::TPanel* memoryPanel_ = nullptr;
  vcl::TPopupMenu* popupMenu_ = nullptr;
  vcl::TRect regionShape_{-1, 0, 0, 0};  // mask index, width and height of the region set
};

// The calculator of a numeric edit, owned by the edit: dragless, 16 digits, showing the edit's
// text, freed when it closes (the edit then forgets it).
vcl::TCustomForm* CreateCalculatorPopup(TsCustomNumEdit* edit);

}  // namespace skin

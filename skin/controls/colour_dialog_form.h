// TsColorDialogForm: the toolkit's colour picker that TsColorDialog shows while a skin manager
// exists: a main palette and a row of custom colours, a hue/saturation field with a value
// gradient beside it, fields for H, S, V, R, G, B, hexadecimal and decimal, and a screen colour
// picker. The form is built in code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "skin/controls/bit_button.h"
#include "skin/controls/labels.h"
#include "skin/controls/mask_edit.h"
#include "skin/controls/num_edit.h"
#include "skin/controls/speed_button.h"
#include "skin/engine/colour_hsv.h"
#include "vcl/classes/stringlist.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/buttons.h"
#include "vcl/stdctrls/extctrls.h"

namespace skin {

class TsColorDialog;
class TsSkinProvider;

// A grid of colour cells made from lines of six hexadecimal digits (red, green, blue).
class TsColourCells : public vcl::TGraphicControl {
  VCL_CLASS(TsColourCells, vcl::TGraphicControl)
  explicit TsColourCells(vcl::TComponent* owner);
  ~TsColourCells() override;

  vcl::TStringList* Colors() const { return colors_.get(); }
  int32_t ColCount() const { return colCount_; }
  void SetColCount(int32_t value);
  int32_t RowCount() const { return rowCount_; }
  void SetRowCount(int32_t value);
  // The selected cell, -1 for none; a value outside the cells selects none.
  int32_t ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int32_t value);
  // The selected cell's colour; white when none is selected.
  vcl::TColor SelectedColor() const;
  // The cell's colour line, "FFFFFF" for a cell without one.
  std::string CellText(int32_t index) const;
  int32_t CellCount() const { return colCount_ * rowCount_; }
  int32_t CellAt(int32_t x, int32_t y) const;
  vcl::TRect CellRect(int32_t index) const;

  vcl::TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  std::unique_ptr<vcl::TStringList> colors_;
  int32_t colCount_ = 8;
  int32_t rowCount_ = 6;
  int32_t itemIndex_ = -1;
};

class TsColorDialogForm : public vcl::TForm {
  VCL_CLASS(TsColorDialogForm, vcl::TForm)
  explicit TsColorDialogForm(vcl::TComponent* owner);
  ~TsColorDialogForm() override;

  TsColorDialog* Dialog() const { return dialog_; }
  void SetDialog(TsColorDialog* dialog) { dialog_ = dialog; }
  // Sets the texts of buttons, labels and caption from the program's string table.
  void LoadTexts();

  // Makes a colour the selected one and brings every field, marker and palette up to date.
  void SetSelectedColour(vcl::TColor colour);
  vcl::TColor SelectedColour() const;
  // The gradient's colour at a row, and the first row showing a colour (0 when none does).
  vcl::TColor GradientColourAt(int32_t row) const;
  int32_t GradientRowOf(vcl::TColor colour) const;
  // Applies a hue and saturation from the field (as the mouse does).
  void ApplyHueSaturation(int32_t hue, double saturation);
  // Selects the gradient's row (as the mouse does).
  void SelectGradientRow(int32_t row);
  // "Add to custom colors set" and "Define colors".
  void AddCustomColour();
  void DefineColours();

  TsColourCells* MainPal = nullptr;
  TsColourCells* AddPal = nullptr;
  vcl::TPaintBox* ColorPanel = nullptr;
  vcl::TPaintBox* GradPanel = nullptr;
  vcl::TPaintBox* GradMarker = nullptr;
  vcl::TShape* SelectedPanel = nullptr;
  TsMaskEdit* sEditHex = nullptr;
  TsCurrencyEdit* sEditDecimal = nullptr;
  TsCurrencyEdit* sHEdit = nullptr;
  TsCurrencyEdit* sSEdit = nullptr;
  TsCurrencyEdit* sVEdit = nullptr;
  TsCurrencyEdit* sREdit = nullptr;
  TsCurrencyEdit* sGEdit = nullptr;
  TsCurrencyEdit* sBEdit = nullptr;
  TsBitBtn* sBitBtn1 = nullptr;  // OK
  TsBitBtn* sBitBtn2 = nullptr;  // Cancel
  TsBitBtn* sBitBtn3 = nullptr;  // Add to custom colors set
  TsBitBtn* sBitBtn4 = nullptr;  // Define colors
  TsBitBtn* sBitBtn5 = nullptr;  // Help
  TsSpeedButton* sSpeedButton1 = nullptr;  // screen colour picker
  TsSkinProvider* Provider = nullptr;  // the form's own skinned frame (section "DIALOG")
  TsLabel* sLabel1 = nullptr;
  TsLabel* sLabel2 = nullptr;

  int32_t NextCustomSlot() const { return nextCustom_; }
  vcl::TPoint FieldMarker() const { return marker_; }
  int32_t GradientRow() const { return gradientRow_; }

 protected:
  void DoShow() override;

 private:
  enum TSource : uint8_t { srcNone, srcHex, srcDecimal, srcHsv, srcRgb };
  void BuildLayout();
  void BuildPalettes();
  void BuildColourCodeFields();
  void BuildHueSaturationField();
  void BuildValueGradient();
  void BuildNumericFields();
  void BuildButtons();
  TsLabel* AddLabel(int left, int top, const std::string& caption);
  TsBitBtn* AddButton(int left, int top, int width, const std::string& caption);
  void BuildHueSaturationImage();
  TsCurrencyEdit* AddField(int left, int top, int width, const std::string& caption);
  void FieldEdited(TSource source);
  void PaintField();
  void PaintGradient();
  void PaintGradientMarker();
  void CheckPaletteSelections(vcl::TColor colour);
  void PaletteClicked(TsColourCells* palette);
  void PickFromScreen();
  void BaseColourChannels(double (&channels)[3]) const;

  TsColorDialog* dialog_ = nullptr;
  std::unique_ptr<vcl::TBitmap> fieldImage_;
  double hue_ = 0;
  double saturation_ = 0;
  double value_ = 0;
  vcl::TColor base_ = vcl::clRed;
  int32_t gradientRow_ = 0;
  vcl::TPoint marker_{0, 0};
  int32_t nextCustom_ = 0;
  bool fieldDrag_ = false;
  bool gradientDrag_ = false;
  bool fromGradient_ = false;
  bool updating_ = false;
  TSource source_ = srcNone;
};

// Shows the picker for the dialog modally; true when the user confirmed a colour (the dialog's
// Color then holds it). The dialog's CustomColors receive the custom palette in every case.
bool ExecuteColourDialogForm(TsColorDialog* dialog);

}  // namespace skin

// TImagePaletteDialog: a modal form, built without form data, that shows up to 256 palette
// colours as a grid of cells (32 per row) and returns the colour the user clicks. The cell
// under the mouse is outlined in black; a click anywhere on the form picks it.
#pragma once

#include <cstdint>

#include "imaging/model/colour_helpers.h"
#include "vcl/graphics/colours.h"
#include "vcl/controls/forms.h"
#include "vcl/stdctrls/stdctrls.h"

namespace imaging {

class TImagePaletteDialog : public vcl::TForm {
  VCL_CLASS(TImagePaletteDialog, vcl::TForm)
  // The form and its cancel button; no palette yet.
  explicit TImagePaletteDialog(vcl::TComponent* owner);

  // The colours to show (blue, green, red records); the array must outlive the dialog's use.
  // At most 256 are shown.
  void SetPalette(const TRGB* palette, int32_t count);
  // Shows the dialog modally; true when a colour was picked (ChosenColor then holds it).
  bool Execute();
  vcl::TColor ChosenColor() const { return chosenColor_; }
  // The cell under the mouse, -1 for none.
  int32_t SelectedIndex() const { return selected_; }
  vcl::TButton* CancelButton() const { return cancelButton_; }

  // The handlers the form is wired to.
  void PaintPalette(vcl::TObject* sender);
  void MouseMoveSelect(vcl::TObject* sender, vcl::TShiftState shift, int x, int y);
  void ClickSelect(vcl::TObject* sender);

  // Cells are 15 x 15 pixels, 16 apart, 32 to a row, starting at (1, 1).
  static constexpr int32_t CellPitch = 16;
  static constexpr int32_t CellsPerRow = 32;
  static constexpr int32_t MaxColours = 256;

 private:
  vcl::TColor EntryColor(int32_t index) const;

  int32_t selected_ = -1;
  const TRGB* palette_ = nullptr;
  int32_t count_ = 0;
  vcl::TButton* cancelButton_ = nullptr;
  vcl::TColor chosenColor_ = 0;
};

}  // namespace imaging

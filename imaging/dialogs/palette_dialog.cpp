#include "imaging/dialogs/palette_dialog.h"

#include <algorithm>

#include "imaging/model/routines/colour_routines.h"
#include "vcl/graphics/canvas.h"

namespace imaging {

TImagePaletteDialog::TImagePaletteDialog(vcl::TComponent* owner) : vcl::TForm(owner) {
  OnPaint = [this](vcl::TObject* sender) { PaintPalette(sender); };
  OnMouseMove = [this](vcl::TObject* sender, vcl::TShiftState shift, int x, int y) {
    MouseMoveSelect(sender, shift, x, y);
  };
  OnClick = [this](vcl::TObject* sender) { ClickSelect(sender); };
  SetBorderIcons(vcl::TBorderIcons{vcl::biSystemMenu});
  SetBorderStyle(vcl::bsDialog);
  SetCaption("Palette");
  SetHeight(199);
  SetPosition(vcl::poScreenCenter);
  SetWidth(520);
  cancelButton_ = new vcl::TButton(this);
  cancelButton_->SetParent(this);
  cancelButton_->SetModalResult(vcl::mrCancel);
  cancelButton_->SetCaption("&Cancel");
  cancelButton_->SetCancel(true);
  cancelButton_->SetLeft(4);
  cancelButton_->SetTop(136);
  selected_ = -1;
}

void TImagePaletteDialog::SetPalette(const TRGB* palette, int32_t count) {
  palette_ = palette;
  count_ = palette ? std::clamp(count, 0, MaxColours) : 0;
  if (selected_ >= count_) selected_ = -1;
}

bool TImagePaletteDialog::Execute() { return ShowModal() == vcl::mrOk; }

vcl::TColor TImagePaletteDialog::EntryColor(int32_t index) const { return RGBTripleToColor(palette_[index]); }

void TImagePaletteDialog::PaintPalette(vcl::TObject*) {
  vcl::TCanvas* canvas = Canvas();
  for (int32_t i = 0; i < count_; ++i) {
    const int32_t left = CellPitch * (i % CellsPerRow) + 1, top = CellPitch * (i / CellsPerRow) + 1;
    canvas->Brush()->SetColor(EntryColor(i));
    canvas->Pen()->SetColor(i == selected_ ? vcl::clBlack : vcl::clWhite);
    canvas->Rectangle(left, top, left + 15, top + 15);
  }
}

void TImagePaletteDialog::MouseMoveSelect(vcl::TObject* sender, vcl::TShiftState, int x, int y) {
  // Division toward zero, as the cells are laid out from (1, 1).
  const int32_t column = (x - 1) / CellPitch, row = (y - 1) / CellPitch;
  if (column < 0 || column >= CellsPerRow) return;
  const int64_t index = column + int64_t(CellsPerRow) * row;
  if (index < 0 || index >= count_ || index == selected_) return;
  selected_ = static_cast<int32_t>(index);
  PaintPalette(sender);
}

void TImagePaletteDialog::ClickSelect(vcl::TObject*) {
  if (selected_ < 0 || selected_ >= count_) return;
  chosenColor_ = EntryColor(selected_);
  SetModalResult(vcl::mrOk);
}

}  // namespace imaging

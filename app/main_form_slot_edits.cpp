// TForm1's slot edits: rotate, flip, grayscale and invert, in place on a slot's bitmap, each
// followed by the refresh sequence so that the result shows the edited slots at once.
#include "app/immediate_repaint.h"
#include "app/main_form.h"
#include "bitmap/engine/filters.h"

namespace app {

void TForm1::ApplyEdit(bitmap::TBitmap32* bitmap, TSlotEdit edit) {
  switch (edit) {
    case TSlotEdit::Rotate: bitmap->Rotate90(); break;
    case TSlotEdit::FlipHorizontal: bitmap->FlipHorizontal(); break;
    case TSlotEdit::FlipVertical: bitmap->FlipVertical(); break;
    case TSlotEdit::Grayscale: bitmap::ToGrayscale(bitmap, bitmap); break;
    case TSlotEdit::Invert: bitmap::InvertRGB(bitmap, bitmap); break;
  }
}

void TForm1::EditBase(TSlotEdit edit) {
  ApplyEdit(BaseImg->Bitmap(), edit);
  if (edit == TSlotEdit::Rotate) RepaintNow(BaseImg);
  // The merge image resizes itself to the edited base.
  MergeImg->SetBitmap(BaseImg->Bitmap());
  RepaintNow(MergeImg);
  RefreshSequence(true);
}

void TForm1::EditOverlay(TSlotEdit edit) {
  ApplyEdit(OverlayImg->Bitmap(), edit);
  ApplyEdit(TileImg->Bitmap(), edit);
  RepaintNow(TileImg);
  CopyTileBuffer();
  RepaintNow(TileImgBuffer);
  OpacitySequence();
  RefreshSequence(true);
}

void TForm1::EditMask(TSlotEdit edit) {
  ApplyEdit(MaskImg->Bitmap(), edit);
  RepaintNow(MaskImg);
  RefreshSequence(true);
}

void TForm1::BaseRotBtnClick(vcl::TObject*) { EditBase(TSlotEdit::Rotate); }
void TForm1::BaseFHBtnClick(vcl::TObject*) { EditBase(TSlotEdit::FlipHorizontal); }
void TForm1::BaseFVBtnClick(vcl::TObject*) { EditBase(TSlotEdit::FlipVertical); }
void TForm1::BaseGryBtnClick(vcl::TObject*) { EditBase(TSlotEdit::Grayscale); }
void TForm1::BaseInvBtnClick(vcl::TObject*) { EditBase(TSlotEdit::Invert); }
void TForm1::OverlayRotBtnClick(vcl::TObject*) { EditOverlay(TSlotEdit::Rotate); }
void TForm1::OverlayFHBtnClick(vcl::TObject*) { EditOverlay(TSlotEdit::FlipHorizontal); }
void TForm1::OverlayFVBtnClick(vcl::TObject*) { EditOverlay(TSlotEdit::FlipVertical); }
void TForm1::OverlayGryBtnClick(vcl::TObject*) { EditOverlay(TSlotEdit::Grayscale); }
void TForm1::OverlayInvBtnClick(vcl::TObject*) { EditOverlay(TSlotEdit::Invert); }
void TForm1::MaskRotBtnClick(vcl::TObject*) { EditMask(TSlotEdit::Rotate); }
void TForm1::MaskFHBtnClick(vcl::TObject*) { EditMask(TSlotEdit::FlipHorizontal); }
void TForm1::MaskFVBtnClick(vcl::TObject*) { EditMask(TSlotEdit::FlipVertical); }
void TForm1::MaskGryBtnClick(vcl::TObject*) { EditMask(TSlotEdit::Grayscale); }
void TForm1::MaskInvBtnClick(vcl::TObject*) { EditMask(TSlotEdit::Invert); }

}  // namespace app

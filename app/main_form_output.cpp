// TForm1's output and view commands: save the result as a JPEG file, copy it to the
// clipboard, start over with a blank base from the new-image panel, and zoom the view.
#include <algorithm>

#include "app/immediate_repaint.h"
#include "app/main_form.h"
#include "imaging/io/image_io.h"
#include "vcl/graphics/clipboard.h"
#include "vcl/runtime/sysutils.h"

namespace app {

namespace {
// The saved result's JPEG quality, whatever was used before.
constexpr int32_t kSaveQuality = 70;
// A new base is transparent white.
constexpr bitmap::TColor32 kNewBaseColour = 0x00FFFFFF;
}  // namespace

void TForm1::SaveBtnClick(vcl::TObject*) {
  FocusView();
  if (!SaveDialog->Execute()) return;
  const std::string fileName = SaveDialog->FileName();
  if (vcl::FileExists(fileName) &&
      vcl::MessageDlg(vcl::Format("OK to overwrite %s", fileName), vcl::mtConfirmation, {vcl::mbYes, vcl::mbNo}, 0) !=
          vcl::mrYes)
    return;
  imaging::TImageIO* io = ImageView1->GetIO();
  io->Params().JPEGQuality = kSaveQuality;
  io->SaveToFile(vcl::AnsiToUtf16(fileName));
  FocusView();
}

void TForm1::CopyBtnClick(vcl::TObject*) {
  // Through a 32-bit platform bitmap: the clipboard holds the result at full size.
  vcl::Clipboard()->Assign(FlattenImg->Bitmap());
  FocusView();
}

void TForm1::Zoom100BtnClick(vcl::TObject*) {
  ImageView1->SetZoom(100);
  FocusView();
}

void TForm1::ZoomFitBtnClick(vcl::TObject*) {
  ImageView1->Fit();
  FocusView();
}

void TForm1::NewBaseBtnClick(vcl::TObject*) {
  NewImgPanel->SetVisible(true);
  NewBaseBtn->SetEnabled(false);
  AboutBtn->SetEnabled(false);
  SetLoadButtons(false);
  SetResultButtons(false);
}

void TForm1::NewCancelBtnClick(vcl::TObject*) {
  NewBaseBtn->SetEnabled(true);
  NewImgPanel->SetVisible(false);
  AboutBtn->SetEnabled(true);
  SetLoadButtons(true);
  PanelAbout->SetVisible(false);
  SetResultButtons(!BaseImg->Bitmap()->IsEmpty());
  FocusView();
}

void TForm1::NewOKBtnClick(vcl::TObject*) {
  // A width or height of 0 or below (an empty or non-numeric entry among them) makes the new
  // base empty.
  const int32_t width = std::max(NewWidthSpin->Value(), 0);
  const int32_t height = std::max(NewHeightSpin->Value(), 0);
  // Resizing gives up the old pixels before it takes the new ones: a size the memory cannot
  // hold must fail here, where its error reaches the user and the base is still whole.
  // Width and height go in one step, so no in-between size can fail either.
  {
    bitmap::TBitmap32 trial;
    trial.SetSize(width, height);
  }
  for (bitmap::TImage32* image : {BaseImg, MergeImg}) {
    bitmap::TBitmap32* bitmap = image->Bitmap();
    bitmap->SetSize(width, height);
    bitmap->FillColor(kNewBaseColour);
    RepaintNow(image);
  }
  SizeWorkingImages();
  OverlayModeSequence(true);
  OpacitySequence();
  SetResultButtons(true);
  SetZoomButtons(true);
  SetLoadButtons(true);
  AboutBtn->SetEnabled(true);
  RefreshSequence(false);
  ZoomDecision();
  FocusView();
  NewImgPanel->SetVisible(false);
  NewBaseBtn->SetEnabled(true);
}

void TForm1::NewColourPanelClick(vcl::TObject*) {
  ColorDialogNew->SetColor(NewColourPanel->Color());
  if (ColorDialogNew->Execute()) NewColourPanel->SetColor(ColorDialogNew->Color());
}

}  // namespace app

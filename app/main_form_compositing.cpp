// TForm1's compositing: loading the three slots, the merge of the overlay over the base
// through one bitmap layer, the flatten, the hand-over to the result view, and the opacity,
// blend-mode, overlay-mode, mask-preset and transfer commands with the sequences they share.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/immediate_repaint.h"
#include "app/main_form.h"
#include "bitmap/engine/blend_modes.h"
#include "bitmap/engine/filters.h"
#include "vcl/graphics/picture.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"

namespace app {

namespace {
// What "None (Clear)" fills a loaded mask with: intensity 248, so the overlay keeps 248/255
// of its strength.
constexpr bitmap::TColor32 kClearedMask = 0x00F8F8F8;
constexpr int kPresetCount = 5;
constexpr int kClearMaskItem = 5;

// Reads the file chosen for a slot. The picture loader takes an empty bitmap file for an empty
// picture; a slot refuses it as the loader refuses a damaged bitmap, before anything changes.
void ReadSlotPicture(const std::string& file, vcl::TPicture& picture) {
  picture.LoadFromFile(file);
  if (picture.Width() <= 0 || picture.Height() <= 0) throw vcl::EInvalidGraphic("Bitmap image is not valid");
}
}  // namespace

uint32_t TForm1::Opacity() { return static_cast<uint32_t>(OpacityBar->Position()); }

std::string TForm1::ChooseFile(vcl::TOpenDialog* dialog) {
  FocusView();
  if (!dialog->Execute()) return {};
  return dialog->FileName();
}

void TForm1::CopyBuffer(bitmap::TImage32* source, int32_t pictureWidth, int32_t pictureHeight,
                        bitmap::TBitmap32* dest) {
  bitmap::TBitmap32* buffer = source->Buffer();
  // A buffer keeps its size while its control shrinks a little (and a control keeps its size
  // when its bitmap empties): only the picture's own part of the buffer is copied.
  const int32_t width = std::clamp(pictureWidth, 0, buffer->Width());
  const int32_t height = std::clamp(pictureHeight, 0, buffer->Height());
  if (width == buffer->Width() && height == buffer->Height()) {
    dest->Assign(buffer);
    return;
  }
  bitmap::TBitmap32 cropped;
  cropped.SetSize(width, height);
  for (int32_t y = 0; y < cropped.Height(); ++y)
    std::memcpy(cropped.ScanLine(y), buffer->ScanLine(y), sizeof(bitmap::TColor32) * cropped.Width());
  cropped.SetDrawMode(buffer->DrawMode());
  cropped.SetMasterAlpha(buffer->MasterAlpha());
  cropped.SetStretchFilter(buffer->StretchFilter());
  cropped.SetOuterColor(buffer->OuterColor());
  dest->Assign(&cropped);
}

bitmap::TBitmap32& TForm1::Scratch(std::unique_ptr<bitmap::TBitmap32>& kept) {
  if (!kept) kept = std::make_unique<bitmap::TBitmap32>();
  // A fresh bitmap's settings each time: only the storage is kept.
  kept->SetDrawMode(bitmap::dmOpaque);
  kept->SetMasterAlpha(255);
  kept->SetStretchFilter(bitmap::sfNearest);
  kept->SetOuterColor(0);
  kept->OnPixelCombine = {};
  return *kept;
}

void TForm1::CopyTileBuffer() {
  // The tile image's control is sized to the base: that is the laid-out overlay.
  CopyBuffer(TileImg, TileImg->Width(), TileImg->Height(), TileImgBuffer->Bitmap());
}

void TForm1::UpdateImgBtnClick(vcl::TObject*) {
  // The merge image holds exactly the one layer the merge rebuilds. Its bitmap is reused when
  // the overlay keeps its size: a new platform bitmap of a large picture costs far more than
  // copying the pixels into one that exists.
  bitmap::TLayerCollection* layers = MergeImg->Layers();
  auto* layer = layers->Count() == 1 ? dynamic_cast<bitmap::TBitmapLayer*>(layers->Items(0)) : nullptr;
  if (!layer) {
    layers->Clear();
    layer = layers->Add<bitmap::TBitmapLayer>();
  }
  if (OverlayImageMode->ItemIndex() != 0) {
    layer->SetBitmap(TileImgBuffer->Bitmap());
    layer->Bitmap()->SetStretchFilter(bitmap::sfLanczos);
  } else {
    layer->SetBitmap(OverlayImg->Bitmap());
  }
  bitmap::TBitmap32* overlay = layer->Bitmap();
  overlay->SetDrawMode(bitmap::dmCustom);
  overlay->OnPixelCombine = bitmap::BlendModeCombineEvent(BlendComboBox->ItemIndex());
  bitmap::TBitmap32* base = MergeImg->Bitmap();
  layer->SetLocation(bitmap::TFloatRect{0, 0, static_cast<float>(base->Width()), static_cast<float>(base->Height())});
  if (MaskImg->Bitmap()->IsEmpty()) return;
  // The mask laid over the overlay's own pixels: its intensity becomes their alpha.
  bitmap::TBitmap32& mask = Scratch(maskScratch_);
  mask.SetSize(overlay->Width(), overlay->Height());
  mask.FillColor(0);
  MaskImg->Bitmap()->DrawToRect(&mask, mask.BoundsRect());
  bitmap::IntensityToAlpha(overlay, &mask);
}

void TForm1::FlattenBtnClick(vcl::TObject*) {
  bitmap::TBitmap32* result = FlattenImg->Bitmap();
  // Without layers the paint stages draw an opaque bitmap onto a copy of itself at 1:1: the
  // picture already is its flattened self, and two copies of a large picture are saved.
  if (FlattenImg->Layers()->Count() == 0 && result->DrawMode() == bitmap::dmOpaque) return;
  const int32_t width = result->Width(), height = result->Height();
  bitmap::TBitmap32& flattened = Scratch(flattenScratch_);
  flattened.SetSize(width, height);
  static_cast<bitmap::TCustomImage32*>(FlattenImg)->PaintTo(&flattened, bitmap::TRect{0, 0, width, height});
  FlattenImg->Layers()->Clear();
  result->Assign(&flattened);
}

void TForm1::RefreshSequence(bool focusView) {
  UpdateImgBtn->Click();
  RepaintNow(MergeImg);
  // The merged picture has the base's size.
  CopyBuffer(MergeImg, MergeImg->Bitmap()->Width(), MergeImg->Bitmap()->Height(), FlattenImg->Bitmap());
  FlattenBtn->Click();
  RepaintNow(FlattenImg);
  // The show: the view's platform bitmap becomes a 32-bit copy of the result.
  ImageView1->GetTBitmap()->Assign(FlattenImg->Bitmap());
  ImageView1->Update();
  if (focusView) FocusView();
}

void TForm1::OpacitySequence() {
  // The overlay, the tile image and the tile buffer each show the opacity; the tile buffer is
  // copied from the tile image once that has been painted.
  const uint32_t opacity = Opacity();
  OverlayImg->Bitmap()->SetMasterAlpha(opacity);
  RepaintNow(OverlayImg);
  TileImg->Bitmap()->SetMasterAlpha(opacity);
  RepaintNow(TileImg);
  CopyTileBuffer();
  TileImgBuffer->Bitmap()->SetMasterAlpha(opacity);
  RepaintNow(TileImgBuffer);
}

void TForm1::OverlayModeSequence(bool baseVariant) {
  if (OverlayImageMode->ItemIndex() == 0) {
    OverlayImg->SetScaleMode(bitmap::smResize);
    OverlayImg->SetBitmapAlign(bitmap::baCenter);
    TileImg->SetBitmap(OverlayImg->Bitmap());
    TileImg->SetScaleMode(bitmap::smResize);
    TileImg->SetBitmapAlign(bitmap::baCenter);
  }
  if (OverlayImageMode->ItemIndex() == 1) {
    if (baseVariant) OverlayImg->SetBitmapAlign(bitmap::baTile);
    TileImg->SetBitmapAlign(bitmap::baTile);
    TileImg->SetBitmap(OverlayImg->Bitmap());
    OverlayImg->SetScaleMode(bitmap::smResize);
    // 1:1, tiled from the top-left over the base's size.
    TileImg->SetScaleMode(bitmap::smNormal);
  }
}

void TForm1::ZoomDecision() {
  vcl::TBitmap* shown = ImageView1->GetTBitmap();
  // The second test decides: an image wider but not taller than the view ends at 100 %.
  if (ImageView1->Width() < shown->Width())
    ImageView1->Fit();
  else
    ImageView1->SetZoom(100);
  if (ImageView1->Height() < shown->Height())
    ImageView1->Fit();
  else
    ImageView1->SetZoom(100);
}

void TForm1::SizeWorkingImages() {
  FlattenImg->SetScale(1.0f);
  FlattenImg->SetWidth(MergeImg->Width());
  FlattenImg->SetHeight(MergeImg->Height());
  RepaintNow(FlattenImg);
  TileImg->SetWidth(BaseImg->Bitmap()->Width());
  TileImg->SetHeight(BaseImg->Bitmap()->Height());
}

void TForm1::BaseBtnClick(vcl::TObject*) {
  const std::string file = ChooseFile(OpenDialogBase);
  if (!file.empty()) LoadBase(file);
}

void TForm1::LoadBase(const std::string& file) {
  // Read once, before any slot changes: a file the loader rejects leaves everything as it was.
  vcl::TPicture picture;
  ReadSlotPicture(file, picture);
  BaseImg->Bitmap()->Assign(&picture);
  MergeImg->Bitmap()->Assign(&picture);
  NewWidthSpin->SetValue(BaseImg->Bitmap()->Width());
  NewHeightSpin->SetValue(BaseImg->Bitmap()->Height());
  SizeWorkingImages();
  OverlayModeSequence(true);
  OpacitySequence();
  SetResultButtons(true);
  SetZoomButtons(true);
  RefreshSequence(false);
  ZoomDecision();
  FocusView();
}

void TForm1::OverlayBtnClick(vcl::TObject*) {
  const std::string file = ChooseFile(OpenDialogOverlay);
  if (!file.empty()) LoadOverlay(file);
}

void TForm1::LoadOverlay(const std::string& file) {
  // Loading keeps the overlay bitmap's settings, its master alpha (the opacity) among them.
  vcl::TPicture picture;
  ReadSlotPicture(file, picture);
  OverlayImg->Bitmap()->Assign(&picture);
  TileImg->SetBitmap(OverlayImg->Bitmap());
  // From "Tile Image" this runs OverlayImageModeClick through the group's click.
  OverlayImageMode->SetItemIndex(0);
  RefreshSequence(true);
}

void TForm1::MaskBtnClick(vcl::TObject*) {
  const std::string file = ChooseFile(OpenDialogMask);
  if (!file.empty()) LoadMask(file);
}

void TForm1::LoadMask(const std::string& file) {
  vcl::TPicture picture;
  ReadSlotPicture(file, picture);
  MaskImg->Bitmap()->Assign(&picture);
  RefreshSequence(true);
  MaskGradCombo->SetItemIndex(-1);
  MaskGradCombo->SetText("Select ...");
}

bool TForm1::Loading() const { return ComponentState().Contains(vcl::csLoading); }

void TForm1::OverlayImageModeClick(vcl::TObject*) {
  if (Loading()) return;
  OverlayModeSequence(false);
  OpacitySequence();
  RefreshSequence(true);
}

void TForm1::OpacityBarChange(vcl::TObject*) {
  if (Loading()) return;
  OpacitySequence();
  const uint32_t opacity = Opacity();
  // The readout counts transparency: "0%" at full opacity.
  const int transparency = static_cast<int>(std::nearbyint((255.0 - opacity) * 100.0 / 255.0));
  OpacityPercentage->SetCaption(vcl::IntToStr(transparency) + "%");
  RefreshSequence(true);
}

void TForm1::BlendComboBoxChange(vcl::TObject*) {
  if (Loading()) return;
  RefreshSequence(true);
}

void TForm1::MaskGradComboChange(vcl::TObject*) {
  if (Loading()) return;
  const int item = MaskGradCombo->ItemIndex();
  // A preset brings its own stretch filter (nearest), which stays on the mask from then on.
  if (item >= 0 && item < kPresetCount) MaskImg->SetBitmap(GradientList->GetBitmap(item));
  if (item == kClearMaskItem) MaskImg->Bitmap()->FillColor(kClearedMask);
  RefreshSequence(true);
}

void TForm1::TransferBtnClick(vcl::TObject*) {
  BaseImg->SetBitmap(FlattenImg->Bitmap());
  RepaintNow(BaseImg);
  MergeImg->SetBitmap(FlattenImg->Bitmap());
  RepaintNow(MergeImg);
  RefreshSequence(true);
}

}  // namespace app

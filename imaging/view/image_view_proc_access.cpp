#include "imaging/view/image_view_proc_access.h"

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"

namespace imaging {

TIEProcSingleImageView* TImageView::SingleImageView() {
  if (!procAccess_) procAccess_ = std::make_unique<TProcAccess>(*this);
  return procAccess_.get();
}

TIEMask* TImageView::TProcAccess::SelectionMask() { return view_.mask_.get(); }

bool TImageView::TProcAccess::HasSelection() { return view_.selected_; }

const POINT* TImageView::TProcAccess::GetSelectionPolygon(int32_t& count) {
  count = static_cast<int32_t>(view_.polygon_.size());
  return count > 0 ? view_.polygon_.data() : nullptr;
}

void TImageView::TProcAccess::SaveSelectionToStream(vcl::TStream* stream) { view_.SaveSelectionToStream(stream); }

void TImageView::TProcAccess::LoadSelectionFromStream(vcl::TStream* stream, int32_t mode) {
  view_.LoadSelectionFromStream(stream, mode);
}

int32_t TImageView::TProcAccess::GetLayerCount() { return view_.LayersCount(); }

int32_t TImageView::TProcAccess::CurrentLayer() { return view_.layersCurrent_; }

TIEBitmap* TImageView::TProcAccess::GetLayerBitmap(int32_t index) {
  if (!Valid(index)) return nullptr;
  // The current layer's pixels are the view's current bitmap.
  return index == view_.layersCurrent_ ? view_.ieBitmap_ : view_.layers_[index]->Bitmap();
}

TIELayerId TImageView::TProcAccess::GetLayerId(int32_t index) {
  return Valid(index) ? view_.layers_[index]->Guid : TIELayerId{};
}

void TImageView::TProcAccess::SaveLayerToStream(int32_t index, vcl::TStream* stream, bool withPixels) {
  if (!Valid(index)) return;
  // The record must carry the pixels the view shows, should the layer not hold them yet.
  if (index == view_.layersCurrent_) view_.layers_[index]->StoreBitmap(view_.ieBitmap_);
  view_.layers_[index]->SaveToStream(stream, withPixels);
}

void TImageView::TProcAccess::LoadLayerFromStream(int32_t index, vcl::TStream* stream) {
  if (!Valid(index)) return;
  TIELayer* layer = view_.layers_[index].get();
  if (index == view_.layersCurrent_) layer->StoreBitmap(view_.ieBitmap_);
  layer->LoadFromStream(stream);
  // A layer that had no bitmap gets one from the record; the current bitmap follows it.
  if (index == view_.layersCurrent_ && layer->Bitmap() != view_.ieBitmap_) {
    view_.ieBitmap_ = layer->Bitmap();
    view_.vclBitmap_ = view_.ieBitmap_->Location() == ieTBitmap ? view_.ieBitmap_->VclBitmap() : nullptr;
    view_.NotifyBitmapChange();
  }
}

void TImageView::TProcAccess::SaveLayersToStream(vcl::TStream* stream, int32_t imageCode) {
  view_.SaveLayersToStream(stream, imageCode);
}

void TImageView::TProcAccess::LoadLayersFromStream(vcl::TStream* stream) { view_.LoadLayersFromStream(stream); }

}  // namespace imaging

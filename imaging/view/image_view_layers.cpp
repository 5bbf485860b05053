// The layer list: the current layer, adding, removing and clearing layers, keeping their sizes
// in step, and finding the layer under a client point.
#include <algorithm>
#include <cmath>

#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/sysutils.h"

namespace imaging {

TIELayer* TImageView::GetLayer(int32_t index) const {
  if (index < 0 || index >= LayersCount())
    throw vcl::EListError(vcl::Format("List index out of bounds (%d)", index));
  return layers_[index].get();
}

void TImageView::SetLayersCurrent(int32_t index) {
  if (index < 0 || index >= LayersCount() || index == layersCurrent_) return;
  if (layersCurrent_ >= 0) {
    layers_[layersCurrent_]->StoreBitmap(ieBitmap_);
    if (selected_) PushSelection();
  }
  layersCurrent_ = index;
  while (skipUnselectable_ && layersCurrent_ > 0 && !layers_[layersCurrent_]->Selectable) --layersCurrent_;
  ieBitmap_ = layers_[layersCurrent_]->Bitmap();
  vclBitmap_ = ieBitmap_->Location() == ieTBitmap ? ieBitmap_->VclBitmap() : nullptr;
  // The pushed record goes as it is read back, so switching layers does not grow the stack.
  if (selected_) PopSelection(true, 2);
  NotifyBitmapChange();
  Update();
}

int32_t TImageView::AddLayer() {
  auto layer = std::make_unique<TIELayer>(this, false, ieBitmap_);
  layers_.push_back(std::move(layer));
  int32_t index = LayersCount() - 1;
  SetLayersCurrent(index);
  FillWithBackground();
  return index;
}

// Removing a layer takes its mask layer (the one directly above, flagged as mask) with it; the
// current layer is then chosen from what is left, so that the index and the current bitmap
// always name a live layer.
void TImageView::RemoveLayer(int32_t index) {
  if (LayersCount() < 2 || index < 0 || index >= LayersCount()) return;
  int32_t removed = index + 1 < LayersCount() && layers_[index + 1]->IsMask ? 2 : 1;
  // The view always keeps one layer: a layer and its mask that are all there is stay.
  if (removed == LayersCount()) return;
  layers_[layersCurrent_]->StoreBitmap(ieBitmap_);
  if (removed == 2) layers_.erase(layers_.begin() + index + 1);
  layers_.erase(layers_.begin() + index);
  int32_t old = layersCurrent_;
  int32_t count = LayersCount();
  int32_t target;
  if (old >= index && old < index + removed)
    target = std::min(index, count - 1);
  else if (old >= index + removed)
    target = old - removed;
  else
    target = old;
  // The current bitmap may have gone with the removed layers: take the target's afresh.
  layersCurrent_ = -1;
  ieBitmap_ = nullptr;
  vclBitmap_ = nullptr;
  bool skip = skipUnselectable_;
  skipUnselectable_ = false;
  try {
    SetLayersCurrent(target);
  } catch (...) {
    skipUnselectable_ = skip;
    throw;
  }
  skipUnselectable_ = skip;
}

void TImageView::ClearLayers() {
  layers_[layersCurrent_]->StoreBitmap(ieBitmap_);
  while (LayersCount() > 1) layers_.pop_back();
  layersCurrent_ = -1;
  SetLayersCurrent(0);
  TIELayer* base = layers_[0].get();
  base->ResetDefaults();
  base->VisibleBox = false;
  base->Locked = true;
  FillWithBackground();
}

void TImageView::SyncLayerSizes() {
  if (layersCurrent_ < 0 || layersCurrent_ >= LayersCount() || !ieBitmap_) return;
  if (vclBitmap_) ieBitmap_->AttachVclBitmap(vclBitmap_, false);
  layers_[layersCurrent_]->StoreBitmap(ieBitmap_);
  imageWidth_ = layers_[0]->Bitmap()->Width();
  imageHeight_ = layers_[0]->Bitmap()->Height();
  if (!layersSync_ || LayersCount() < 2) return;
  for (auto& layer : layers_) {
    imageWidth_ = std::max(imageWidth_, layer->Bitmap()->Width());
    imageHeight_ = std::max(imageHeight_, layer->Bitmap()->Height());
  }
  double background = static_cast<double>(vcl::ColorToRGB(Background()));
  for (auto& layer : layers_) {
    TIEBitmap* bitmap = layer->Bitmap();
    if (bitmap->Width() == imageWidth_ && bitmap->Height() == imageHeight_) continue;
    bitmap->Resize(imageWidth_, imageHeight_, background, 0, 0, 0);  // content at the top-left
  }
}

bool TImageView::IsPointInLayer(int32_t x, int32_t y, int32_t index) {
  if (index < 0 || index >= LayersCount()) return false;
  TIELayer* layer = layers_[index].get();
  if (!layer->Visible) return false;
  if (layer->Rotate() != 0) {
    // Inside the quadrilateral of the rotated corners: the same side of every edge.
    const auto& p = layer->RotatedCorners;
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
      const vcl::TPoint& a = p[i];
      const vcl::TPoint& b = p[(i + 1) % 4];
      int64_t cross = int64_t(b.x - a.x) * (y - a.y) - int64_t(b.y - a.y) * (x - a.x);
      int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
      if (s == 0) continue;
      if (sign == 0) sign = s;
      else if (s != sign) return false;
    }
    // Corners not known yet (or a layer without area) enclose nothing.
    return sign != 0;
  }
  const vcl::TRect& r = layer->ClientAreaBox;
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

int32_t TImageView::FindLayerAt(int32_t x, int32_t y, bool selectableOnly) {
  for (int32_t i = LayersCount() - 1; i >= 0; --i) {
    TIELayer* layer = layers_[i].get();
    if (selectableOnly && skipUnselectable_ && !layer->Selectable) continue;
    if (!layer->Visible) continue;
    const vcl::TRect& r = layer->ClientAreaBox;
    if (x < r.left || x > r.right || y < r.top || y > r.bottom) continue;
    TIEBitmap* bitmap = layer->Bitmap();
    // Transparent pixels let the search go on below, unless transparent layers are pickable.
    if (!bitmap->HasAlphaChannel() || (selectionOptions_ & iesoSelectTranspLayers) || bitmap->Width() == 0 ||
        bitmap->Height() == 0)
      return i;
    int32_t lx = std::clamp(layer->ClientToLayerX(x), 0, bitmap->Width() - 1);
    int32_t ly = std::clamp(layer->ClientToLayerY(y), 0, bitmap->Height() - 1);
    if (bitmap->GetAlphaAt(lx, ly) != 0) return i;
  }
  return -1;
}

}  // namespace imaging

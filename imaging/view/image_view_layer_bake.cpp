// Baking a layer's shown size, its rotation or its transparent margin into its pixels. Each
// operation works through a private processing object: it has no owner, so it records no undo,
// and it goes with the operation, also when the operation fails.
#include <algorithm>
#include <cmath>
#include <memory>

#include "imaging/base/geometry.h"
#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/proc/image_proc.h"
#include "imaging/proc/rect_and_channels.h"
#include "imaging/view/image_view.h"

namespace imaging {

namespace {

bool Chosen(int32_t index, int32_t i) { return index == -1 || index == i; }

// Making a layer current may land on another one (unselectable layers are skipped), so the
// pixels worked on are always those of the layer itself.
TIEBitmap* PixelsOf(TImageView* view, int32_t i) {
  return view->LayersCurrent() == i ? view->GetIEBitmap() : view->GetLayer(i)->Bitmap();
}

}  // namespace

// An operation may give the current bitmap new pixel storage: the platform bitmap the view
// keeps for it must be the new one, or the next update would put the old pixels back.
void TImageView::FollowCurrentBitmap() {
  if (ieBitmap_) vclBitmap_ = ieBitmap_->Location() == ieTBitmap ? ieBitmap_->VclBitmap() : nullptr;
}

void TImageView::ResampleLayers(int32_t index) {
  const int32_t remembered = layersCurrent_;
  auto proc = std::make_unique<TImageProc>(nullptr);
  bool changed = false;
  for (int32_t i = 0; i < LayersCount(); ++i) {
    TIELayer* layer = layers_[i].get();
    if (!Chosen(index, i) || (layer->Width == 0 && layer->Height == 0)) continue;
    SetLayersCurrent(i);
    const TResampleFilter filter = layer->UseResampleFilter ? layer->ResampleFilter : zoomFilter_;
    proc->SetAttachedBitmap(PixelsOf(this, i));
    proc->Resample(layer->GetWidth(), layer->GetHeight(), filter);
    layer->Width = 0;
    layer->Height = 0;
    changed = true;
  }
  SetLayersCurrent(remembered);
  FollowCurrentBitmap();
  if (changed) Update();
}

void TImageView::CropLayersToAlpha(int32_t index) {
  auto proc = std::make_unique<TImageProc>(nullptr);
  for (int32_t i = 0; i < LayersCount(); ++i) {
    if (!Chosen(index, i)) continue;
    proc->SetAttachedBitmap(PixelsOf(this, i));
    proc->CropToAlphaBounds();
  }
  FollowCurrentBitmap();
  Update();
}

void TImageView::ApplyLayersRotation(int32_t index) {
  const int32_t remembered = layersCurrent_;
  auto proc = std::make_unique<TImageProc>(nullptr);
  bool changed = false;
  for (int32_t i = 0; i < LayersCount(); ++i) {
    TIELayer* layer = layers_[i].get();
    if (!Chosen(index, i) || layer->Rotate() == 0) continue;
    ResampleLayers(i);
    SetLayersCurrent(i);
    TIEBitmap* bitmap = PixelsOf(this, i);
    const int32_t w = layer->GetWidth(), h = layer->GetHeight();
    POINT corners[4] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    const int32_t x = layer->PosX, y = layer->PosY;
    const double angle = layer->Rotate();
    // The area the turn uncovers must come out transparent, so the layer needs an alpha channel.
    bitmap->GetAlphaChannel();
    proc->SetAttachedBitmap(bitmap);
    proc->SetBackground(Background());
    proc->Rotate(TIEDegrees(angle), layersRotationAntialias_, layersRotationQuality_, proc->GetBackground());
    RotatePoints(corners, 3, TruncCoordinate(w * layer->RotateCenterX), TruncCoordinate(h * layer->RotateCenterY),
                 angle);
    layer->PosX = x + std::min({corners[0].x, corners[1].x, corners[2].x, corners[3].x});
    layer->PosY = y + std::min({corners[0].y, corners[1].y, corners[2].y, corners[3].y});
    layer->Width = 0;
    layer->Height = 0;
    layer->SetRotate(0);
    const vcl::TRect bounds = FindAlphaBounds(bitmap);
    // A layer turned into nothing but transparency keeps its size: there is nothing to crop to.
    if (bounds.right >= bounds.left && bounds.bottom >= bounds.top) {
      proc->CropRect(bounds);
      layer->PosX += bounds.left;
      layer->PosY += bounds.top;
    }
    changed = true;
  }
  SetLayersCurrent(remembered);
  FollowCurrentBitmap();
  if (changed) Update();
}

}  // namespace imaging

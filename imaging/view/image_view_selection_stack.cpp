// The selection record and the stack of saved selections. Making another layer current saves
// the selection and reads it back shifted by the change of layer position.
#include <algorithm>

#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_mask.h"
#include "imaging/view/image_view.h"
#include "imaging/view/record_fields.h"
#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/streams.h"

namespace imaging {

namespace {

using namespace record_fields;

}  // namespace

void TImageView::SaveSelectionToStream(vcl::TStream* stream) {
  TIELayer* layer = layers_[layersCurrent_].get();
  Put<int32_t>(stream, mask_->Width());
  Put<int32_t>(stream, mask_->Height());
  Put<int32_t>(stream, static_cast<int32_t>(polygon_.size()));
  for (const vcl::TPoint& p : polygon_) {
    Put<int32_t>(stream, p.x);
    Put<int32_t>(stream, p.y);
  }
  Put<int32_t>(stream, polygonBox_.left);
  Put<int32_t>(stream, polygonBox_.top);
  Put<int32_t>(stream, polygonBox_.right);
  Put<int32_t>(stream, polygonBox_.bottom);
  Put<uint8_t>(stream, selected_);
  Put<int32_t>(stream, layer->PosX);
  Put<int32_t>(stream, layer->PosY);
  Put<int32_t>(stream, mask_->BitsPerPixel());
  Put<int32_t>(stream, mask_->X1());
  Put<int32_t>(stream, mask_->Y1());
  Put<int32_t>(stream, mask_->X2());
  Put<int32_t>(stream, mask_->Y2());
  Put<uint8_t>(stream, mask_->Full());
  int64_t size = int64_t(mask_->RowLen()) * mask_->Height();
  if (size > 0) stream->WriteBuffer(mask_->Bits(), static_cast<int32_t>(size));
}

// The record is read and checked in full (counts and sizes against the bytes left) before the
// selection changes, so a damaged record raises EReadError and leaves the selection alone.
bool TImageView::LoadSelectionFromStream(vcl::TStream* stream, int32_t mode) {
  int32_t w = Get<int32_t>(stream);
  int32_t h = Get<int32_t>(stream);
  int32_t n = Get<int32_t>(stream);
  if (w < 0 || h < 0 || n < 0 || int64_t(n) * 8 > Remaining(stream)) Corrupt();
  std::vector<vcl::TPoint> points(static_cast<size_t>(n));
  for (vcl::TPoint& p : points) {
    p.x = Get<int32_t>(stream);
    p.y = Get<int32_t>(stream);
  }
  vcl::TRect box;
  box.left = Get<int32_t>(stream);
  box.top = Get<int32_t>(stream);
  box.right = Get<int32_t>(stream);
  box.bottom = Get<int32_t>(stream);
  Get<uint8_t>(stream);  // the selection flag follows from the mask
  int32_t savedX = Get<int32_t>(stream);
  int32_t savedY = Get<int32_t>(stream);
  int32_t bpp = Get<int32_t>(stream);
  if (bpp != 1 && bpp != 8) Corrupt();
  int32_t x1 = Get<int32_t>(stream), y1 = Get<int32_t>(stream), x2 = Get<int32_t>(stream), y2 = Get<int32_t>(stream);
  bool full = Get<uint8_t>(stream) != 0;
  int64_t rowLen = (int64_t(w) * bpp + 31) / 32 * 4;
  int64_t remaining = Remaining(stream);
  if (h > 0 && rowLen > remaining / h) Corrupt();
  int64_t size = rowLen * h;
  auto loaded = std::make_unique<TIEMask>();
  loaded->Allocate(w, h, bpp);
  if (size > 0) stream->ReadBuffer(loaded->Bits(), static_cast<int32_t>(size));
  loaded->SetBox(x1, y1, x2, y2);
  loaded->SetFull(full);
  // Vertices lie within the bitmap they were drawn on; a stored one far outside would only
  // overflow the drawing arithmetic, so each is held to the stored size.
  for (vcl::TPoint& p : points) {
    if (p.x == TIEMask::PolygonSeparator && p.y == TIEMask::PolygonSeparator) continue;
    p.x = std::clamp<int32_t>(p.x, 0, w);
    p.y = std::clamp<int32_t>(p.y, 0, h);
  }
  box = vcl::TRect{std::clamp<int32_t>(box.left, 0, w), std::clamp<int32_t>(box.top, 0, h),
                   std::clamp<int32_t>(box.right, 0, w), std::clamp<int32_t>(box.bottom, 0, h)};

  mask_ = std::move(loaded);
  polygon_ = std::move(points);
  polygonBox_ = box;
  LockUpdate();
  int32_t width = ieBitmap_->Width(), height = ieBitmap_->Height();
  if (mode == 2) {
    // Follow the layer: move by the saved layer position minus the current one.
    TIELayer* layer = layers_[layersCurrent_].get();
    polygon_.clear();
    mask_->Resize(width + std::max(0, savedX) + w, height + std::max(0, savedY) + h);
    int32_t dx = savedX, dy = savedY;
    mask_->Translate(dx, dy, true);
    dx = -layer->PosX;
    dy = -layer->PosY;
    mask_->Translate(dx, dy, true);
    mask_->Resize(width, height);
    mask_->UpdateFullFlag();
    mask_->SyncBoundingBox();
  } else if (width != w || height != h) {
    if (mode == 1 && !mask_->IsEmpty()) {
      // A selection that no longer fits the smaller bitmap is moved back inside it.
      if (width <= mask_->X2()) MoveSelectionBy(-(mask_->X2() - (width - 1)), 0);
      if (height <= mask_->Y2()) MoveSelectionBy(0, -(mask_->Y2() - (height - 1)));
    }
    mask_->Resize(width, height);
    mask_->UpdateFullFlag();
    mask_->SyncBoundingBox();
  }
  selected_ = !mask_->IsEmpty();
  if (!selected_) polygon_.clear();
  selection_.visible = true;
  UnlockUpdate();
  Update();
  return true;
}

void TImageView::PushSelection() {
  auto stream = std::make_unique<vcl::TMemoryStream>();
  SaveSelectionToStream(stream.get());
  selectionStack_.push_back(std::move(stream));
}

bool TImageView::PopSelection(bool remove, int32_t mode) {
  if (selectionStack_.empty()) return false;
  vcl::TMemoryStream* top = selectionStack_.back().get();
  top->SetPosition(0);
  bool result = LoadSelectionFromStream(top, mode);
  if (remove) selectionStack_.pop_back();
  return result;
}

void TImageView::SetFixedSelectionRatio(double ratio) {
  if (ratio == selectionAspectRatio_) return;
  selectionAspectRatio_ = ratio;
  if (ratio != 0)
    SetSelectionOptions(selectionOptions_ | iesoSizeable);
  else
    SetSelectionOptions(selectionOptions_ & ~iesoSizeable);
}

}  // namespace imaging

// Zoom lookup tables and the conversions between client and bitmap coordinates. Inside the
// visible area every conversion is a table look-up; outside it the arithmetic form is used.
#include <algorithm>
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"

namespace imaging {

namespace {

// One axis: Z[z] is the first bitmap column of zoomed column z, B[b] the first zoomed column
// of bitmap column b. The loops run downwards so that the first column wins.
void BuildAxis(std::vector<int32_t>& z, std::vector<int32_t>& b, int32_t zoomed, int32_t dest, int32_t image,
               double zoom) {
  int32_t j = zoomed + dest;
  int32_t k = TruncCoordinate((j + 1) * 100.0 / zoom);
  z.assign(static_cast<size_t>(j) + 2, 0);
  b.assign(static_cast<size_t>(k) + 2, 0);
  int32_t last = std::max(image - 1, 0);
  if (zoom > 100) {
    for (int32_t zc = j; zc >= 0; --zc) {
      int32_t bc = TruncCoordinate(zc * 100.0 / zoom);
      b[bc] = zc;
      z[zc] = std::min(bc, last);
    }
  } else {
    for (int32_t bc = k; bc >= 0; --bc) {
      int32_t zc = TruncCoordinate(bc * zoom / 100.0);
      b[bc] = zc;
      z[zc] = std::min(bc, last);
    }
  }
}

}  // namespace

void TImageView::FreeZoomTables() {
  zTableX_.clear();
  zTableY_.clear();
  bTableX_.clear();
  bTableY_.clear();
  zWindowX_ = zWindowY_ = 0;
  tableDestWidth_ = tableDestHeight_ = tableExtentX_ = tableExtentY_ = 0;
}

void TImageView::UpdateZoomTables() {
  if (zoomX_ != keyZoomX_ || zoomY_ != keyZoomY_ || destWidth_ != keyDestWidth_ || destHeight_ != keyDestHeight_ ||
      imageWidth_ != keyImageWidth_ || imageHeight_ != keyImageHeight_) {
    FreeZoomTables();
    // Without a visible area the key stays as it was, so that the next call tries again.
    if (destWidth_ <= 0 || destHeight_ <= 0 || ieBitmap_->Width() == 0 || ieBitmap_->Height() == 0) return;
    tableDestWidth_ = destWidth_;
    tableDestHeight_ = destHeight_;
    tableExtentX_ = TruncCoordinate(destWidth_ * 100 / zoomX_);
    tableExtentY_ = TruncCoordinate(destHeight_ * 100 / zoomY_);
    BuildAxis(zTableX_, bTableX_, zoomedWidth_, destWidth_, imageWidth_, zoomX_);
    BuildAxis(zTableY_, bTableY_, zoomedHeight_, destHeight_, imageHeight_, zoomY_);
    keyZoomX_ = zoomX_;
    keyZoomY_ = zoomY_;
    keyDestWidth_ = destWidth_;
    keyDestHeight_ = destHeight_;
    keyImageWidth_ = imageWidth_;
    keyImageHeight_ = imageHeight_;
  }
  if (tableDestWidth_ > 0) {
    int32_t a = std::clamp(SnapViewX(viewX_), 0, static_cast<int32_t>(zTableX_.size()) - 1);
    int32_t c = std::clamp(SnapViewY(viewY_), 0, static_cast<int32_t>(zTableY_.size()) - 1);
    zWindowX_ = a;
    zWindowY_ = c;
  }
}

int32_t TImageView::SnapViewX(int32_t x) {
  if (x < 0) return 0;
  if (x < zoomedWidth_ && x < static_cast<int32_t>(zTableX_.size())) {
    int32_t b = zTableX_[x];
    if (b < static_cast<int32_t>(bTableX_.size())) return bTableX_[b];
  }
  return x;
}

int32_t TImageView::SnapViewY(int32_t y) {
  if (y < 0) return 0;
  if (y < zoomedHeight_ && y < static_cast<int32_t>(zTableY_.size())) {
    int32_t b = zTableY_[y];
    if (b < static_cast<int32_t>(bTableY_.size())) return bTableY_[b];
  }
  return y;
}

int32_t TImageView::ClientToBitmapX(int32_t x) {
  int32_t d = x - offsetX_;
  if (d >= 0 && d < tableDestWidth_ && zWindowX_ + d < static_cast<int32_t>(zTableX_.size()))
    return zTableX_[zWindowX_ + d];
  return TruncCoordinate(d * 100 / zoomX_ + srcX_);
}

int32_t TImageView::ClientToBitmapY(int32_t y) {
  int32_t d = y - offsetY_;
  if (d >= 0 && d < tableDestHeight_ && zWindowY_ + d < static_cast<int32_t>(zTableY_.size()))
    return zTableY_[zWindowY_ + d];
  return TruncCoordinate(d * 100 / zoomY_ + srcY_);
}

// Inside the visible area the bitmap column's first zoomed column is measured from the snapped
// origin, the same origin ClientToBitmap windows Z with, so that the two are exact inverses
// (reading B relative to the visible source column instead loses the origin's phase at
// fractional zooms and can land a column late).
int32_t TImageView::BitmapToClientX(int32_t x) {
  int32_t d = x - srcX_;
  if (d >= 0 && d < tableExtentX_ && x < static_cast<int32_t>(bTableX_.size()))
    return bTableX_[x] - zWindowX_ + offsetX_;
  return RoundCoordinate((RoundCoordinate(-SnapViewX(viewX_) * 100 / zoomX_) + x) * zoomX_ / 100 + offsetX_);
}

int32_t TImageView::BitmapToClientY(int32_t y) {
  int32_t d = y - srcY_;
  if (d >= 0 && d < tableExtentY_ && y < static_cast<int32_t>(bTableY_.size()))
    return bTableY_[y] - zWindowY_ + offsetY_;
  return RoundCoordinate((RoundCoordinate(-SnapViewY(viewY_) * 100 / zoomY_) + y) * zoomY_ / 100 + offsetY_);
}

}  // namespace imaging

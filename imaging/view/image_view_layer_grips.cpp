// Where a layer's grips lie in client coordinates, which grip is under the mouse, and the
// checker that dims the view outside the current layer.
#include <cmath>

#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/model/ie_canvas.h"
#include "imaging/view/image_view.h"
#include "vcl/graphics/bitmap.h"

namespace imaging {

void TImageView::GetLayerGrips(int32_t index, vcl::TRect (&grips)[9]) {
  TIELayer* layer = GetLayer(index);
  const int32_t g = layerGripSize_;
  vcl::TPoint points[9];
  if (layer->Rotate() == 0) {
    const vcl::TRect& r = layer->ClientAreaBox;
    const int32_t mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    points[0] = {r.left, r.top};
    points[1] = {r.right, r.top};
    points[2] = {r.right, r.bottom};
    points[3] = {r.left, r.bottom};
    points[4] = {r.left, my};
    points[5] = {r.right, my};
    points[6] = {mx, r.top};
    points[7] = {mx, r.bottom};
  } else {
    const auto& p = layer->RotatedCorners;
    auto mid = [](const vcl::TPoint& a, const vcl::TPoint& b) { return vcl::TPoint{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
    for (int i = 0; i < 4; ++i) points[i] = p[i];
    points[4] = mid(p[0], p[3]);
    points[5] = mid(p[1], p[2]);
    points[6] = mid(p[0], p[1]);
    points[7] = mid(p[2], p[3]);
  }
  TIEBitmap* bitmap = layer->Bitmap();
  points[8] = {layer->LayerToClientX(RoundCoordinate(bitmap->Width() * layer->RotateCenterX)),
               layer->LayerToClientY(RoundCoordinate(bitmap->Height() * layer->RotateCenterY))};
  for (int i = 0; i < 9; ++i) grips[i] = vcl::TRect{points[i].x - g, points[i].y - g, points[i].x + g, points[i].y + g};
}

uint8_t TImageView::FindLayerGrip(int32_t x, int32_t y) {
  if (layersCurrent_ < 0) return 0;
  vcl::TRect grips[9];
  GetLayerGrips(layersCurrent_, grips);
  for (int i = 0; i < 9; ++i) {
    const vcl::TRect& r = grips[i];
    if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
      if (i == 8 && !(mouseInteract_ & miRotateLayers)) return 0;
      return static_cast<uint8_t>(i + 1);
    }
  }
  return 0;
}

void TImageView::DrawLayerBox(vcl::TBitmap* bitmap, int32_t index) {
  if (OnDrawLayerBox) {
    OnDrawLayerBox(this, bitmap, index);
    return;
  }
  TIELayer* layer = GetLayer(index);
  vcl::TCanvas* canvas = bitmap->Canvas();
  canvas->SetPen(layerBoxPen_.get());
  canvas->Brush()->SetStyle(vcl::bsClear);
  if (layer->Rotate() != 0) {
    const auto& p = layer->RotatedCorners;
    canvas->Polygon({p[0], p[1], p[2], p[3]});
  } else {
    canvas->Rectangle(layer->ClientAreaBox);
  }
}

void TImageView::DrawLayerGrips(vcl::TBitmap* bitmap, int32_t index) {
  vcl::TRect grips[9];
  GetLayerGrips(index, grips);
  if (OnDrawLayerGrip) {
    for (int32_t i = 0; i < 9; ++i) OnDrawLayerGrip(this, bitmap, index, i, grips[i]);
    return;
  }
  TIECanvas canvas(bitmap->Canvas());
  canvas.Pen()->SetStyle(vcl::psSolid);
  canvas.Pen()->SetMode(vcl::pmCopy);
  canvas.Pen()->SetColor(layerGripPenColour_);
  canvas.Pen()->SetWidth(1);
  canvas.Brush()->SetStyle(layerGripBrushStyle_);
  canvas.Brush()->SetColor(layerGripBrushColour_);
  for (int32_t i = 0; i < 8; ++i) {
    if (layerGripShape_ == 0)
      canvas.Rectangle(grips[i].left, grips[i].top, grips[i].right, grips[i].bottom);
    else
      canvas.Ellipse(grips[i].left, grips[i].top, grips[i].right, grips[i].bottom);
  }
}

void TImageView::DrawRotationGrip(vcl::TBitmap* bitmap, int32_t index) {
  vcl::TRect grips[9];
  GetLayerGrips(index, grips);
  TIECanvas canvas(bitmap->Canvas());
  canvas.Pen()->SetStyle(vcl::psSolid);
  canvas.Pen()->SetMode(vcl::pmCopy);
  canvas.Pen()->SetColor(layerGripPenColour_);
  canvas.Brush()->SetStyle(layerGripBrushStyle_);
  canvas.Brush()->SetColor(layerGripBrushColour_);
  canvas.EllipseRect(grips[8]);
}

void TImageView::DimOutsideLayer(vcl::TBitmap* bitmap, int32_t index) {
  if (!bitmap || bitmap->PixelFormat() != vcl::pf24bit) return;
  const vcl::TRect& r = GetLayer(index)->ClientAreaBox;
  for (int32_t y = 0; y < bitmap->Height(); ++y) {
    auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
    for (int32_t x = 0; x < bitmap->Width(); ++x) {
      if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) continue;
      if ((x & 1) != (y & 1)) continue;
      row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = 97;
    }
  }
}

}  // namespace imaging

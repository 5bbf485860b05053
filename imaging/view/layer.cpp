#include "imaging/view/layer.h"

#include <cmath>
#include <cstring>

#include "imaging/base/number_helpers.h"
#include "imaging/model/ie_bitmap.h"
#include "imaging/view/image_view.h"
#include "vcl/graphics/bitmap.h"
#include "vcl/runtime/win.h"

#include <objbase.h>

namespace imaging {

namespace {

std::array<uint8_t, 16> NewGuid() {
  GUID guid{};
  CoCreateGuid(&guid);
  std::array<uint8_t, 16> bytes{};
  static_assert(sizeof(guid) == 16);
  std::memcpy(bytes.data(), &guid, 16);
  return bytes;
}

// A fraction of a size, guarded: a 0-wide bitmap maps everything to 0 rather than dividing by 0.
int32_t Scale(int32_t value, int32_t from, int32_t to) {
  if (from == 0) return 0;
  return TruncCoordinate(static_cast<double>(value) / from * to);
}

}  // namespace

TIELayer::TIELayer(TImageView* view, bool useGivenBitmap, TIEBitmap* bitmap) : Guid(NewGuid()), view_(view) {
  if (useGivenBitmap) {
    bitmap_ = bitmap;
  } else {
    bitmap_ = new TIEBitmap();
    if (bitmap) {
      if (bitmap->VclBitmapExternal()) {
        vcl::TBitmap* source = bitmap->VclBitmap();
        auto* own = new vcl::TBitmap();
        own->SetWidth(1);
        own->SetHeight(1);
        own->SetPixelFormat(source->PixelFormat());
        own->SetWidth(source->Width());
        own->SetHeight(source->Height());
        bitmap_->AttachVclBitmap(own, true);
      } else {
        bitmap_->SetLocation(bitmap->Location());
        bitmap_->Allocate(bitmap->Width(), bitmap->Height(), bitmap->PixelFormat());
      }
    }
  }
  ownsBitmap_ = true;
  ResetDefaults();
}

TIELayer::~TIELayer() {
  if (ownsBitmap_) FreeBitmap();
  FreeUserData();
  FreeCachedMaskAlpha();
}

void TIELayer::FreeBitmap() {
  if (!bitmap_) return;
  // A platform bitmap that the layer's bitmap only wraps belongs to the layer as well.
  vcl::TBitmap* platform = bitmap_->VclBitmapExternal() ? bitmap_->VclBitmap() : nullptr;
  delete bitmap_;
  delete platform;
  bitmap_ = nullptr;
}

void TIELayer::FreeUserData() {
  if (userDataSize_ > 0) delete[] static_cast<uint8_t*>(userData_);
  userData_ = nullptr;
  userDataSize_ = 0;
}

void TIELayer::SetCachedMaskAlpha(TIEBitmap* alpha) {
  if (alpha == cachedMaskAlpha_) return;
  delete cachedMaskAlpha_;
  cachedMaskAlpha_ = alpha;
}

void TIELayer::FreeCachedMaskAlpha() {
  delete cachedMaskAlpha_;
  cachedMaskAlpha_ = nullptr;
}

void TIELayer::SetBitmap(TIEBitmap* bitmap, bool owned) {
  if (bitmap != bitmap_ && ownsBitmap_) FreeBitmap();
  bitmap_ = bitmap;
  ownsBitmap_ = owned;
}

TIEBitmap* TIELayer::ReleaseBitmap() {
  TIEBitmap* bitmap = bitmap_;
  bitmap_ = nullptr;
  return bitmap;
}

void TIELayer::SetUserData(void* data, int32_t size) {
  if (data == userData_ && size == userDataSize_) return;
  FreeUserData();
  userData_ = data;
  userDataSize_ = data ? size : 0;
}

uint8_t* TIELayer::AllocateUserData(int32_t size) {
  FreeUserData();
  if (size <= 0) return nullptr;
  auto* block = new uint8_t[size]();
  userData_ = block;
  userDataSize_ = size;
  return block;
}

void TIELayer::ResetDefaults() {
  Width = 0;
  Height = 0;
  Visible = true;
  VisibleBox = true;
  Transparency = 255;
  PosX = 0;
  PosY = 0;
  ClientAreaBox = vcl::TRect{0, 0, 0, 0};
  Cropped = false;
  Locked = false;
  Selectable = true;
  Magnify = false;
  MagnifyZoom = 2.0;
  MagnifyShape = 0;
  MagnifySource = 1;
  Operation = 0;
  FreeUserData();
  IsMask = false;
  DrawnDest = {};
  DrawnSource = {};
  RotatedCorners = {};
  DimOutside = false;
  SetRotate(0);
  RotateCenterX = 0.5;
  RotateCenterY = 0.5;
}

void TIELayer::Assign(TIELayer* source) {
  if (!source || source == this) return;
  Width = source->Width;
  Height = source->Height;
  if (bitmap_ && source->bitmap_) bitmap_->Assign(source->bitmap_);
  Visible = source->Visible;
  VisibleBox = source->VisibleBox;
  Selectable = source->Selectable;
  Transparency = source->Transparency;
  PosX = source->PosX;
  PosY = source->PosY;
  ClientAreaBox = source->ClientAreaBox;
  Cropped = source->Cropped;
  Locked = source->Locked;
  Magnify = source->Magnify;
  MagnifyZoom = source->MagnifyZoom;
  MagnifyShape = source->MagnifyShape;
  MagnifySource = source->MagnifySource;
  Operation = source->Operation;
  // The copy points at the same block but never frees it.
  FreeUserData();
  userData_ = source->userData_;
  ResampleFilter = source->ResampleFilter;
  UseResampleFilter = source->UseResampleFilter;
  Name = source->Name;
  IsMask = source->IsMask;
  DimOutside = source->DimOutside;
}

int32_t TIELayer::GetWidth() {
  if (Width != 0) return Width;
  return bitmap_ ? bitmap_->Width() : 0;
}

int32_t TIELayer::GetHeight() {
  if (Height != 0) return Height;
  return bitmap_ ? bitmap_->Height() : 0;
}

void TIELayer::SetRotate(double angle) {
  if (std::trunc(angle) == angle && std::fmod(angle, 360.0) == 0)
    rotate_ = 0;
  else
    rotate_ = angle;
}

// Without a view, client and layer coordinates are taken as the bitmap's at zoom 100.
int32_t TIELayer::ClientToLayerX(int32_t x) {
  int32_t shown = GetWidth();
  if (shown == 0) return 0;
  int32_t b = view_ ? TruncCoordinate(PosX * view_->ZoomFactorX()) : PosX;
  int32_t c = view_ ? view_->ClientToBitmapX(x - b) : x - b;
  return Scale(c, shown, bitmap_ ? bitmap_->Width() : 0);
}

int32_t TIELayer::ClientToLayerY(int32_t y) {
  int32_t shown = GetHeight();
  if (shown == 0) return 0;
  int32_t b = view_ ? TruncCoordinate(PosY * view_->ZoomFactorY()) : PosY;
  int32_t c = view_ ? view_->ClientToBitmapY(y - b) : y - b;
  return Scale(c, shown, bitmap_ ? bitmap_->Height() : 0);
}

int32_t TIELayer::LayerToClientX(int32_t x) {
  int32_t c = Scale(x, bitmap_ ? bitmap_->Width() : 0, GetWidth());
  if (!view_) return c + PosX;
  return view_->BitmapToClientX(c) + TruncCoordinate(PosX * view_->ZoomFactorX());
}

int32_t TIELayer::LayerToClientY(int32_t y) {
  int32_t c = Scale(y, bitmap_ ? bitmap_->Height() : 0, GetHeight());
  if (!view_) return c + PosY;
  return view_->BitmapToClientY(c) + TruncCoordinate(PosY * view_->ZoomFactorY());
}

}  // namespace imaging

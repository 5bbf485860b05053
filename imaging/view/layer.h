// One layer of an image view: a bitmap placed in image coordinates, optionally shown at another
// size, rotated, made partly transparent, or used as the alpha mask of the layer below. A layer
// works without a view for its fields and its record; only the coordinate conversions need one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imaging/base/defs.h"
#include "vcl/graphics/canvas.h"
#include "vcl/runtime/system.h"

namespace vcl {
class TStream;
}

namespace imaging {

class TIEBitmap;
class TImageView;

class TIELayer : public vcl::TObject {
  VCL_CLASS(TIELayer, vcl::TObject)
  // With useGivenBitmap the layer takes `bitmap` (and owns it). Otherwise it makes a bitmap of its
  // own shaped like `bitmap` (size, format and location, no pixels), or an empty one for nil.
  TIELayer(TImageView* view, bool useGivenBitmap, TIEBitmap* bitmap);
  ~TIELayer() override;

  // Every default except the view, bitmap, ownership, cached mask alpha, identifier, filter
  // settings and name.
  void ResetDefaults();
  // Copies the properties and the pixels; not the rotation, identifier or ownership. The user
  // data pointer is shared, never owned by the copy.
  void Assign(TIELayer* source);

  // The layer record used by undo (see layer_record.cpp).
  void SaveToStream(vcl::TStream* stream, bool withBitmap);
  void LoadFromStream(vcl::TStream* stream);

  // The shown size: the overrides when nonzero, else the bitmap's size.
  int32_t GetWidth();
  int32_t GetHeight();
  double Rotate() const { return rotate_; }
  // Whole multiples of 360 become 0.
  void SetRotate(double angle);

  int32_t ClientToLayerX(int32_t x);
  int32_t ClientToLayerY(int32_t y);
  int32_t LayerToClientX(int32_t x);
  int32_t LayerToClientY(int32_t y);

  TImageView* View() const { return view_; }
  void SetView(TImageView* view) { view_ = view; }
  TIEBitmap* Bitmap() const { return bitmap_; }
  // Gives the layer another bitmap; `owned` says whether the layer frees it. The previous one
  // is freed when the layer owned it.
  void SetBitmap(TIEBitmap* bitmap, bool owned);
  // Swaps the bitmap without freeing the old one (the view's current bitmap is the same object).
  void StoreBitmap(TIEBitmap* bitmap) { bitmap_ = bitmap; }
  bool OwnsBitmap() const { return ownsBitmap_; }
  void SetOwnsBitmap(bool value) { ownsBitmap_ = value; }
  // Hands the bitmap over to the caller; the layer is left with none.
  TIEBitmap* ReleaseBitmap();

  TIEBitmap* CachedMaskAlpha() const { return cachedMaskAlpha_; }
  // The layer owns the cache; a previous one is freed.
  void SetCachedMaskAlpha(TIEBitmap* alpha);
  void FreeCachedMaskAlpha();

  // A block the application attaches. With a size above 0 the layer owns it (allocated with
  // new uint8_t[]) and frees it.
  void* UserData() const { return userData_; }
  int32_t UserDataSize() const { return userDataSize_; }
  void SetUserData(void* data, int32_t size);
  // Allocates an owned, zero-filled block of `size` bytes (0: none).
  uint8_t* AllocateUserData(int32_t size);

  std::array<uint8_t, 16> Guid;

  int32_t Width = 0;   // shown width override; 0 = the bitmap's
  int32_t Height = 0;  // shown height override
  bool Visible = true;
  bool VisibleBox = true;
  int32_t Transparency = 255;
  int32_t PosX = 0;
  int32_t PosY = 0;
  vcl::TRect ClientAreaBox{0, 0, 0, 0};  // where the layer was last drawn, client coordinates
  bool Cropped = false;
  bool Locked = false;
  bool Selectable = true;
  bool Magnify = false;
  double MagnifyZoom = 2.0;
  uint8_t MagnifyShape = 0;   // 0 rectangle, 1 ellipse
  uint8_t MagnifySource = 1;  // 0 layer 0's pixels, 1 what is composed below
  uint8_t Operation = 0;      // render operation code of the row renderers; 0 plain copy
  TResampleFilter ResampleFilter = rfNone;
  bool UseResampleFilter = false;
  std::string Name;
  bool IsMask = false;
  std::array<int32_t, 4> DrawnDest{};    // x, y, width, height, client pixels
  std::array<int32_t, 4> DrawnSource{};  // x, y, width, height, bitmap pixels
  std::array<vcl::TPoint, 4> RotatedCorners{};
  bool DimOutside = false;
  double RotateCenterX = 0.5;
  double RotateCenterY = 0.5;

 private:
  void FreeBitmap();
  void FreeUserData();

  double rotate_ = 0;
  TIEBitmap* cachedMaskAlpha_ = nullptr;
  TImageView* view_;
  TIEBitmap* bitmap_ = nullptr;
  bool ownsBitmap_ = true;
  void* userData_ = nullptr;
  int32_t userDataSize_ = 0;
};

}  // namespace imaging
